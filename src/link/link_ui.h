#pragma once
// What the link needs from the application, installed by it at start: the
// operator's error box ("Please choose a device", "Create socket err") and a
// busy indication for waits long enough to notice. The link itself knows
// nothing of windows; without an installed reporter errors go to the trace.
#include <QString>
#include <functional>

struct LinkUiHooks {
  std::function<void(const QString& text)> report_error;
  std::function<void(bool busy)> show_busy;
};

void install_link_ui(LinkUiHooks hooks);
void report_link_error(const QString& text);
// True when an application has installed its error box (the panel); a tool
// without a window (kelvaro-ctl) has none and its errors only trace.
bool link_ui_installed();

// Waits at least this long show that the panel is busy.
constexpr uint32_t kBusyWaitThresholdMs = 100;

// Shows the busy indication for its lifetime (nesting is counted, so an
// exchange inside a search does not end the search's indication early).
class BusyScope {
 public:
  explicit BusyScope(bool active = true);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool m_active;
};
