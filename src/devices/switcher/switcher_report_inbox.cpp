#include "devices/switcher/switcher_report_inbox.h"

void SwitcherReportInbox::add(std::span<const SwitcherReport> reports) {
  std::lock_guard lock(m_mutex);
  bool taken = false;
  for (const SwitcherReport& r : reports) {
    if (r.kind == SwitcherReportKind::Tbar) {
      m_last_tbar = r.tbar;
      taken = true;
    } else {
      taken = m_batch.add(r) || taken;
    }
  }
  if (m_posted || !taken) return;
  m_posted = true;
  QMetaObject::invokeMethod(
      m_context, [this] { drain(); }, Qt::QueuedConnection);
}

void SwitcherReportInbox::clear() {
  std::lock_guard lock(m_mutex);
  m_batch.clear();
  m_last_tbar.reset();
}

void SwitcherReportInbox::drain() {
  SwitcherReportBatch batch;
  std::optional<TbarPlacement> tbar;
  {
    std::lock_guard lock(m_mutex);
    std::swap(batch, m_batch);
    std::swap(tbar, m_last_tbar);
    m_posted = false;
  }
  if (batch.empty() && !tbar) return;
  if (m_drain) m_drain(batch, tbar);
}
