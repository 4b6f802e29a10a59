#pragma once
// The operator's setup, kept in the user's settings from one run to the
// next: the connection mode, the serial port with its baud rate and whether
// it was open, and the last device chosen on the LAN (address, type, id and
// its list text). Restoring it lists and selects that device and reopens the
// port; it opens no page, searches nothing and sends nothing.
//
// Nothing is written until the program turns the memory on (main() does,
// unless --demo), so test windows and the demo leave the operator's setup
// alone.
#include <QString>
#include <cstdint>
#include <optional>

#include "app/manual_devices.h"

class CKELVARO_16_VIEWDlg;

struct RememberedSetup {
  int32_t mode = 0;     // m_eState
  QString serial_port;  // empty when none was ever opened
  uint32_t baud = 0;    // 0 when none was ever opened
  bool port_open = false;
  std::optional<ManualDevice> device;  // the last LAN device chosen
  QString device_text;                 // its text in the device list
};

class SetupMemory {
 public:
  explicit SetupMemory(CKELVARO_16_VIEWDlg& dlg) : m_dlg(dlg) {}

  // From now on the setup is written at every device selection and by save().
  // What is not in use when it is written (a port never opened in this run,
  // no LAN device chosen) keeps its remembered value.
  void enable();
  bool enabled() const { return m_enabled; }

  // Start: mode, port (reopened when it was open and still opens; left
  // closed silently otherwise) and the last LAN device, listed (or found
  // among the listed rows) and selected without opening its page.
  void restore();
  // Writes the setup as it is now (when enabled).
  void save();
  // A device page was opened: the setup is written (when enabled).
  void remember_selection();

  // The port and baud last known: the open port's, else the remembered ones.
  QString serial_port() const;
  uint32_t baud() const;

  static RememberedSetup load();

  // The show file last started (written when enabled; empty: the show was
  // stopped), and what was remembered.
  void remember_show(const QString& path);
  static QString remembered_show();

 private:
  CKELVARO_16_VIEWDlg& m_dlg;
  bool m_enabled = false;
  RememberedSetup m_last;  // what was read or last written
};
