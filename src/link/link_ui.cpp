#include "link/link_ui.h"

#include "link/trace.h"

namespace {
LinkUiHooks g_hooks;
int g_busy_depth = 0;
}  // namespace

void install_link_ui(LinkUiHooks hooks) { g_hooks = std::move(hooks); }

bool link_ui_installed() { return static_cast<bool>(g_hooks.report_error); }

void report_link_error(const QString& text) {
  if (g_hooks.report_error) {
    g_hooks.report_error(text);
    return;
  }
  trace(lcLink(), "%s\n", qPrintable(text));
}

BusyScope::BusyScope(bool active) : m_active(active) {
  if (m_active && g_busy_depth++ == 0 && g_hooks.show_busy) g_hooks.show_busy(true);
}

BusyScope::~BusyScope() {
  if (m_active && --g_busy_depth == 0 && g_hooks.show_busy) g_hooks.show_busy(false);
}
