#pragma once
// The link light: the three dots right of the device row. The first lights
// green when the selected device's last query was answered, the second amber
// when it went unanswered; both stay grey while the device has only been
// sent one-way commands (which no device answers) or none is selected. The
// third lights blue while the serial port is open. The tool tip says the
// same in words, with the time of the last query.
//
// The dots show only what the link recorded (link/link_health.h); nothing
// is sent to light them, and they repaint only when something changed.
#include <QDateTime>
#include <QWidget>
#include <functional>

#include "link/link_health.h"

struct LinkLightState {
  bool selected = false;     // a device is selected in the current mode
  QString device;            // its address, or the serial port's name
  LinkHealth::Record link;   // what its link did
  bool serial_open = false;  // the serial port is open
  QString serial_port;       // its name when open
};

class LinkLight : public QWidget {
 public:
  // `source` says what to show; it is asked at every paint and tool tip.
  LinkLight(QWidget* parent, std::function<LinkLightState()> source);

  LinkLightState state() const { return m_source(); }
  // Colour of dot 0..2 for a state.
  static QColor dot_colour(const LinkLightState& state, int dot);
  static QString describe(const LinkLightState& state);
  // Centre of dot 0..2 in the main window's client pixels.
  static QPoint dot_centre(int dot) { return {1180 + 22 * dot, 80}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::function<LinkLightState()> m_source;
};
