// What may happen while an exchange waits, provoked for real against the
// simulator and pseudo-terminals: a timer that sends, a page closed under its
// own query, a search asked for while a page waits, the serial port closed
// and reopened under a poll. Each ends with the right bytes on the wire and
// nothing used after it was freed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/device_frame.h"
#include "devices/processor/processor_frames.h"
#include "link/control_frame.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/tick.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/multiviewer/mv_subpage_util.h"
#include "pages/processor/rk5502_page.h"
#include "pages/switcher/switcher_page.h"
#include "controls/skin_slider.h"
#include "support/devsim_fixture.h"
#include "support/pty_pair.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
using ms = std::chrono::milliseconds;

// The port a frame was sent from ("a.b.c.d:port").
int sender_port(const ReceivedFrame& f) {
  return std::stoi(f.sender.substr(f.sender.find(':') + 1));
}

class ExchangeHazardTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_recorded_errors(); }
  void TearDown() override {
    delete dlg_;
    QCoreApplication::processEvents();
  }
  CKELVARO_16_VIEWDlg& window() {
    if (!dlg_) {
      dlg_ = new CKELVARO_16_VIEWDlg;
      dlg_->show();
    }
    return *dlg_;
  }
  // A slow rk5502 showing layout 5: every reply leaves 150 ms late, so its
  // page's state query at creation waits that long.
  void slow_rk5502(SimulatorFixture& sim) {
    devsim::Rk5502State st = sim.sim().rk5502_state(0);
    st.show_mode = 5;
    sim.sim().set_rk5502_state(0, st);
    devsim::Faults f;
    f.reply_delay_ms = 150;
    sim.sim().set_faults(0, f);
    sim.configure_panel();
  }
  // A serial state query on one line, with the port closed and reopened on a
  // second line after `reopen_after_ms` and a state reply waiting there: the
  // query must end early without taking it.
  void reopen_during_serial_query(int reopen_after_ms) {
    PtyPair first, second;
    ASSERT_TRUE(first.ok() && second.ok());
    CKELVARO_16_VIEWDlg& w = window();
    w.m_eState = 1;
    ASSERT_TRUE(w.m_comm.open_port(first.slave_name(), 115200));
    w.m_main_com_dev_type = 0xA1;
    w.m_device_table[0].dev_type = 0xA1;
    w.m_device_table[0].dev_id = 4;
    w.m_device_index = 0;
    w.m_16_view_window_source[0] = 7;

    // A state reply waits on the new line: it does not answer this request.
    std::vector<uint8_t> payload(649, 0x02);
    const std::vector<uint8_t> reply = build_frame(0xA1, 4, Link::Serial, 0x32, payload);
    // The device end reads the request before the port closes: the close
    // discards what the line has not delivered yet.
    std::vector<uint8_t> request;
    QTimer::singleShot(reopen_after_ms, &w, [&] {
      request = first.device_read(20, 1000);  // the whole 20-byte request
      w.m_comm.close_port(500);
      ASSERT_TRUE(w.m_comm.open_port(second.slave_name(), 115200));
      second.device_write(reply);
    });
    const uint32_t t0 = tick_ms();
    QueryDeviceStateSerial();
    EXPECT_LT(ticks_since(t0), 2500u);  // ended by the reopening, not the 5 s bound
    EXPECT_EQ(w.m_16_view_window_source[0], 7);
    EXPECT_EQ(request, build_frame(0xA1, 4, Link::Serial, 0x32, {}));
    w.m_comm.close_port(500);
  }
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};

TEST_F(ExchangeHazardTest, TimerFiringInsideAQuerySendsAfterTheQueryOnItsOwnSocket) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeRk5502, 6)});
  slow_rk5502(sim);
  CKELVARO_16_VIEWDlg& w = window();
  int queued_inside = -1;
  bool busy_inside = false;
  QTimer::singleShot(40, &w, [&] {
    // The one-second query shows the busy cursor while it waits.
    busy_inside =
        QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
    const uint8_t code = 3;
    send_command_lan(w.transports(), w.device_target(), processor_cmd::kLayout,
                     std::span<const uint8_t>(&code, 1));
    queued_inside = queued_exchanges();
  });
  ASSERT_TRUE(sim.select_in_main_window(w, 0));
  EXPECT_EQ(queued_inside, 1);
  EXPECT_TRUE(busy_inside);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The query was not disturbed: its reply was taken and shown.
  ASSERT_NE(qobject_cast<CClass_rk5502_main_dlg*>(w.m_p_mian_show_dlg), nullptr);
  EXPECT_EQ(w.m_all_rk5502_page_data.show_mode, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return sim.sim().frames().size() >= 2; }, 3000));
  const std::vector<ReceivedFrame> frames = sim.sim().frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].command(), processor_cmd::kRk5502StateQuery);
  EXPECT_EQ(frames[1].command(), processor_cmd::kLayout);
  EXPECT_EQ(frames[1].bytes, build_frame(devsim::kTypeRk5502, 6, Link::Udp, processor_cmd::kLayout,
                                         std::vector<uint8_t>{3}));
  // Sent after the query's socket had closed: from the command port again.
  EXPECT_EQ(sender_port(frames[0]), link_options().bind_port);
  EXPECT_EQ(sender_port(frames[1]), link_options().bind_port);
  EXPECT_GE(frames[1].time - frames[0].time, ms(140));
  EXPECT_EQ(queued_exchanges(), 0);
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(ExchangeHazardTest, PageClosedInsideItsOwnQueryIsNeitherShownNorUsedAfterFree) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeMultiviewer, 2)});
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  ASSERT_TRUE(sim.select_in_main_window(w, 0));
  QPointer<PageFrame> page = w.m_p_mian_show_dlg;
  auto* mv = qobject_cast<CClass_16view_dlg*>(page.data());
  ASSERT_NE(mv, nullptr);
  mv->SelectSubPage(3);
  const size_t before = sim.sim().frames().size();

  // The layout tab reads the state when it is made; the page goes while
  // that read waits for the slow device.
  devsim::Faults f;
  f.reply_delay_ms = 150;
  sim.sim().set_faults(0, f);
  QTimer::singleShot(40, &w, [&] { w.close_shown_page(); });
  QTest::mouseClick(mv->tab_button(2), Qt::LeftButton);
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return page.isNull(); }, 2000));
  const std::vector<ReceivedFrame> frames = sim.sim().frames();
  ASSERT_EQ(frames.size(), before + 1);
  EXPECT_EQ(frames.back().command(), 0x32);
  EXPECT_TRUE(sim.nothing_more(frames.size(), ms(300)));

  // The same during a page's construction: the page is never shown.
  SimulatorFixture slow({DeviceSpec::lan(devsim::kTypeRk5502, 6)});
  slow_rk5502(slow);
  QTimer::singleShot(40, &w, [&] {
    for (auto* p : w.findChildren<CClass_rk5502_main_dlg*>()) p->destroy_page();
  });
  EXPECT_FALSE(slow.select_in_main_window(w, 0));
  EXPECT_TRUE(w.findChildren<CClass_rk5502_main_dlg*>().isEmpty() ||
              w.findChildren<CClass_rk5502_main_dlg*>().front()->is_closed());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return w.findChildren<CClass_rk5502_main_dlg*>().isEmpty(); }, 2000));
  EXPECT_EQ(slow.frames_with_command(0, processor_cmd::kRk5502StateQuery).size(), 1u);
  EXPECT_TRUE(slow.nothing_more(slow.sim().frames().size(), ms(300)));
}

TEST_F(ExchangeHazardTest, SearchStartedWhileAPageWaitsRunsAfterThePageIsUp) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeRk5502, 6)});
  slow_rk5502(sim);
  CKELVARO_16_VIEWDlg& w = window();
  bool searching_inside = true;
  QTimer::singleShot(40, &w, [&] {
    w.on_scan();
    searching_inside = w.search_running();
  });
  ASSERT_TRUE(sim.select_in_main_window(w, 0));
  EXPECT_FALSE(searching_inside);
  QPointer<PageFrame> page = w.m_p_mian_show_dlg;
  ASSERT_NE(qobject_cast<CClass_rk5502_main_dlg*>(page.data()), nullptr);
  EXPECT_EQ(w.m_all_rk5502_page_data.show_mode, 5);

  // The search comes next, from the event loop: it closes the page and finds
  // no multiviewer.
  ASSERT_TRUE(QTest::qWaitFor([&] { return page.isNull(); }, 4000));
  EXPECT_FALSE(w.search_running());
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(w.device_list()->itemText(0), QStringLiteral("No Device Found"));
  const std::vector<ReceivedFrame> frames = sim.sim().frames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0].command(), processor_cmd::kRk5502StateQuery);
  EXPECT_EQ(frames[1].bytes, build_search_request(Link::Udp));
  EXPECT_GE(frames[1].time - frames[0].time, ms(140));
}

// The port closed and reopened on another line after the request went out:
// during the pause before the poll (a timer due at once) or during the poll.
TEST_F(ExchangeHazardTest, SerialPortClosedAndReopenedDuringAPollEndsThePoll) {
  for (const int reopen_after_ms : {0, 60}) {
    SCOPED_TRACE(reopen_after_ms);
    reopen_during_serial_query(reopen_after_ms);
    if (HasFatalFailure()) return;
  }
}
TEST_F(ExchangeHazardTest, ADeviceChangeOrASearchStopsTheSwitcherWorkersBeforeTheirLinkGoes) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeSwitcher, 3),
                        DeviceSpec::lan(devsim::kTypeMultiviewer, 1, "MV")});
  ASSERT_TRUE(sim.started());
  CKELVARO_16_VIEWDlg& w = window();
  for (const bool by_search : {false, true}) {
    SCOPED_TRACE(by_search ? "search" : "device change");
    ASSERT_TRUE(sim.select_in_main_window(w, 0));
    auto* page = qobject_cast<CClass_switcher_dlg*>(w.m_p_mian_show_dlg);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->tbar_worker_running());
    const size_t tbar_before = sim.frames_with_command(0, 0x82).size();
    // The worker has sent, and the bar moves on, so it is sending (and
    // reading its target) while the operator changes the device.
    page->tbar()->SetPos(by_search ? 20 : 10);
    ASSERT_GT(sim.wait_frames(tbar_before + 1,
                              [](const ReceivedFrame& f) {
                                return f.device == 0 && f.command() == 0x82;
                              })
                  .size(),
              tbar_before);
    for (int pos = 30; pos <= 80; pos += 10) page->tbar()->SetPos(pos);
    if (by_search) {
      QTest::mouseClick(w.main_button(1005), Qt::LeftButton);
    } else {
      ASSERT_TRUE(w.m_device_table.append(QStringLiteral("MV"), sim.address(1), 0xA1, 1));
      w.device_list()->setCurrentIndex(1);
      emit w.device_list()->activated(1);
    }
    EXPECT_NE(qobject_cast<CClass_16view_dlg*>(w.m_p_mian_show_dlg), nullptr);
    EXPECT_EQ(w.m_udpSockfd, -1);
    EXPECT_EQ(w.m_udpSockfd2, -1);
    // Every T-bar frame went to the switcher, with its own type and id.
    EXPECT_TRUE(sim.frames_with_command(1, 0x82).empty());
  }
  EXPECT_TRUE(sim.no_bad_frames());
}

}  // namespace
