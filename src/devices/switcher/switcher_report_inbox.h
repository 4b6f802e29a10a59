#pragma once
// Where switcher reports wait between the feed's thread, which decodes them,
// and the user-interface thread, which follows them later. A run of reports
// waits folded into one SwitcherReportBatch of fixed size (bounded work per
// report, however many come); of the T-bar reports only the last is kept,
// since the bar passes the others unseen. One drain is posted to the
// context object per run: pending ones are dropped with it.
#include <QObject>
#include <functional>
#include <mutex>
#include <optional>
#include <span>

#include "devices/switcher/switcher_report.h"

class SwitcherReportInbox {
 public:
  // `drain` runs on `context`'s thread with what came since the last drain.
  using Drain = std::function<void(const SwitcherReportBatch& batch,
                                   const std::optional<TbarPlacement>& last_tbar)>;
  SwitcherReportInbox(QObject* context, Drain drain)
      : m_context(context), m_drain(std::move(drain)) {}

  // Any thread.
  void add(std::span<const SwitcherReport> reports);
  // Forgets what waits (a drain already posted then finds nothing).
  void clear();

 private:
  void drain();

  QObject* m_context;
  Drain m_drain;
  std::mutex m_mutex;
  SwitcherReportBatch m_batch;               // guarded by m_mutex
  std::optional<TbarPlacement> m_last_tbar;  // guarded by m_mutex
  bool m_posted = false;                     // guarded by m_mutex
};
