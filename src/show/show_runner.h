#pragma once
// The running show: it keeps the show's multiviewer labelled and lit while
// the operator works on any page. The pages tell it what they sent (routes,
// window sources, switcher program and preview); TSL UMD packets come in on
// the show's listening port; and the runner sends the multiviewer the label
// (1E) and label background (3C) frames that follow, and TSL UMD 5.0 out.
//
// Pacing: the multiviewer's frames go out one per turn of the event loop,
// each with the 10 ms pause of every multiviewer frame, so an operator's
// click is never held up behind a whole batch: it goes between two of them,
// and a frame asked for during another exchange's wait is queued behind it.
// Only frames that change a window are sent.
//
// Switcher reports: with follow_switcher_reports on (the panel), a show that
// names a switcher follows its reports through the link's report feed,
// whichever page is shown. While the switcher page follows the same switcher
// the feed leaves them to the page, which tells the runner what changed;
// the runner's own record of program and preview follows the page's word
// and the reports alike, so it goes on from where the page left it.
//
// Bounds: at most kTslDatagramsPerWake datagrams are read each time the TSL
// socket wakes the loop; the rest wait for the next turn.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "devices/multiviewer/mv_model.h"
#include "devices/switcher/switcher_model.h"
#include "devices/switcher/switcher_report_inbox.h"
#include "link/exchange.h"
#include "link/transport.h"
#include "show/show_state.h"
#include "show/tsl_umd.h"

class DeviceLink;

constexpr int kTslDatagramsPerWake = 64;

class ShowRunner : public QObject {
  Q_OBJECT
 public:
  explicit ShowRunner(DeviceLink& link, QObject* parent = nullptr);
  ~ShowRunner() override;

  // Whether a show follows its switcher's reports itself (the panel: on;
  // kelvaro-ctl, which sends once and ends: off). Set before start.
  void follow_switcher_reports(bool on) { m_follow_reports = on; }
  bool following_switcher() const { return m_report_follower != 0; }

  // Starts `show` (a running one stops first). The window sources come from
  // the state the panel last read from the show's multiviewer (see
  // multiviewer_read); when it has read none, the multiviewer is asked
  // (state query) first.
  void start(const Show& show);
  void stop();
  bool running() const { return m_state.has_value(); }
  const ShowState* state() const { return m_state ? &*m_state : nullptr; }
  // Why TSL is not heard (the port could not be had); empty otherwise.
  const std::string& tsl_error() const { return m_tsl_error; }
  // The port TSL is heard on (0: none).
  uint16_t tsl_port() const { return m_tsl_port; }

  // The show's devices as the device layer addresses them.
  Target multiviewer_target() const;
  // True when `target` is the show's multiviewer / router / switcher.
  bool is_multiviewer(const Target& target) const;
  bool is_router(const Target& target) const;
  bool is_switcher(const Target& target) const;

  // ---- what the pages did ----
  // Router outputs that now carry an input: route[o - 1] is the input of
  // output o, 0 for an output the command left as it was.
  void routed(const Target& router, const std::array<uint8_t, kShowRouterPorts>& route);
  void window_source_changed(const Target& multiviewer, int window, int sdi_index);
  void operator_colour_changed(const Target& multiviewer, int selection, uint8_t code);
  // The state the panel read from a multiviewer (an answered state query),
  // kept for a show started later.
  void multiviewer_read(const Target& multiviewer, const MultiviewerModel& model);
  void switcher_changed(const Target& switcher, int program, int preview, bool transition);
  // Program and preview of the show's switcher as the runner last had them
  // (from the page or the reports); none before either has told it.
  std::optional<std::pair<int, int>> switcher_buses() const;
  // Reports from the show's switcher that the runner followed itself.
  void switcher_reported(const SwitcherReportBatch& batch,
                         const std::optional<TbarPlacement>& last_tbar);

  // ---- TSL in (the socket's handler; tests hand datagrams in directly) ----
  void take_tsl_datagram(const sockaddr_in& from, std::span<const uint8_t> bytes);

  // Sends every frame still wanted now, one after the other (kelvaro-ctl,
  // which has no event loop to pace them). The outcome of the first that
  // failed, or sent.
  Outcome send_all_now();

  // Called with each frame once it has gone to the multiviewer (whatever the
  // device made of it: the show counts it as sent), e.g. for a view of the
  // wall to follow. Empty: nobody is told.
  void set_frame_sent(std::function<void(const ShowFrame&)> hook) {
    m_frame_sent = std::move(hook);
  }

 private:
  void schedule();
  void send_next();
  Outcome send_frame(const ShowFrame& frame);
  void send_tsl_out();
  void open_tsl();
  void read_tsl();
  void follow_switcher();

  DeviceLink& m_link;
  std::optional<ShowState> m_state;
  uint64_t m_generation = 0;  // a query's answer for an earlier show is not taken
  MultiviewerModel m_query_model;
  // The last state read from a multiviewer, and which one.
  std::optional<std::pair<Target, MultiviewerModel>> m_last_read;
  QTimer m_pace;
  bool m_sending = false;
  std::unique_ptr<UdpExchange> m_tsl_in;
  std::unique_ptr<QSocketNotifier> m_tsl_notifier;
  std::vector<std::unique_ptr<UdpExchange>> m_tsl_out;
  std::string m_tsl_error;
  uint16_t m_tsl_port = 0;
  std::function<void(const ShowFrame&)> m_frame_sent;
  bool m_follow_reports = false;
  uint64_t m_report_follower = 0;  // the show's place in the report feed; 0: none
  // Program, preview and transition of the show's switcher as the page and
  // the reports have left them.
  SwitcherPageData m_followed;
  bool m_followed_known = false;
  bool m_reported_transition = false;     // the last T-bar report left the bar off its ends
  std::vector<SwitcherReport> m_decoded;  // the feed thread's own, reused
  SwitcherReportInbox m_inbox{
      this, [this](const SwitcherReportBatch& batch, const std::optional<TbarPlacement>& tbar) {
        switcher_reported(batch, tbar);
      }};
};
