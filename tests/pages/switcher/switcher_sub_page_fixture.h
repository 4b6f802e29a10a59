#pragma once
// A real main window with one simulated switcher (type A5, id 07) on
// 127.0.0.2 in row 0, its command socket open and its destination on the
// switcher port, as the switcher page leaves them when it starts. Sub-pages
// are created in a plain host widget the size of the page's host area; the
// simulator records, checks and applies every frame they send.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/error_box.h"
#include "app/main_window.h"
#include "link/control_frame.h"
#include "link/trace.h"
#include "support/devsim_fixture.h"
#include "support/list_choice.h"
#include "support/trace_recorder.h"

namespace sw_test {
using Bytes = std::vector<uint8_t>;
constexpr uint8_t kDeviceId = 0x07;

// Where a bar's handle is, in the bar's coordinates.
inline QRect handle_rect(QSlider* bar) {
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.tickPosition = bar->tickPosition();
  opt.tickInterval = bar->tickInterval();
  opt.upsideDown = bar->invertedAppearance();
  opt.subControls = QStyle::SC_All;
  return bar->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, bar);
}

// The operator presses the bar's handle and lets it go where it is.
inline void release_on_handle(QSlider* bar) {
  const QPoint centre = handle_rect(bar).center();
  QTest::mousePress(bar, Qt::LeftButton, {}, centre);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, centre);
}

// The operator drags the handle `dx` pixels and lets it go.
inline void drag_handle(QSlider* bar, int dx) {
  const QPoint from = handle_rect(bar).center();
  const QPoint to = from + QPoint(dx, 0);
  QTest::mousePress(bar, Qt::LeftButton, {}, from);
  QTest::mouseMove(bar, from + QPoint(dx / 2, 0));
  QTest::mouseMove(bar, to);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
}

class SubPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<SimulatorFixture>(
        std::vector{devsim::DeviceSpec::lan(devsim::kTypeSwitcher, kDeviceId)});
    ASSERT_TRUE(sim->started());
    sim->configure_panel();
    clear_recorded_errors();
    main = new CKELVARO_16_VIEWDlg;
    DeviceEntry& row = main->m_device_table[0];
    std::memset(row.ip, 0, sizeof row.ip);
    std::strncpy(row.ip, sim->address(0).c_str(), sizeof row.ip - 1);
    row.dev_type = devsim::kTypeSwitcher;
    row.dev_id = kDeviceId;
    main->m_device_count = 1;
    main->m_device_index = 0;
    // What the switcher page does when it starts.
    const DeviceLink::HeldSockets held = main->open_switcher_link();
    ASSERT_TRUE(held.command);
    host = new QWidget;
    host->resize(250, 400);
    host->show();
  }
  void TearDown() override {
    delete host;
    main->close_switcher_link();
    delete main;
    EXPECT_TRUE(sim->no_bad_frames());
    EXPECT_EQ(sim->sim().rejected_count(), 0u);
    EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join(", ").toStdString();
    sim.reset();
  }

  SwitcherPageData& data() { return main->m_all_switcher_page_data; }

  // Creates a sub-page in the host as the switcher page does, and shows it.
  template <class Page>
  Page* open_page() {
    auto* page = new Page(host);
    page->setGeometry(0, 0, 250, 400);
    page->show();
    return page;
  }

  static void choose(QComboBox* list, int index) { choose_with_keys(list, index); }

  // The next frame the switcher received, checked byte for byte against the
  // envelope for this device with link byte 01, on the switcher port.
  ::testing::AssertionResult next_frame_is(uint8_t command, const Bytes& payload) {
    if (!sim->sim().wait_for_frames(m_seen + 1, std::chrono::milliseconds(3000)))
      return ::testing::AssertionFailure() << "no frame for command " << int(command);
    const devsim::ReceivedFrame f = sim->sim().frames()[m_seen++];
    const Bytes expected =
        build_frame(devsim::kTypeSwitcher, kDeviceId, Link::Udp, command, payload);
    if (f.bytes != expected) {
      auto out = ::testing::AssertionFailure() << "frame";
      for (uint8_t b : f.bytes) out << ' ' << std::hex << int(b);
      return out << " expected command " << int(command);
    }
    if (f.bytes.size() != 20 + payload.size())
      return ::testing::AssertionFailure() << "length " << f.bytes.size();
    if (f.local_port != sim->sim().device(0).switcher_port)
      return ::testing::AssertionFailure() << "arrived on port " << f.local_port;
    return ::testing::AssertionSuccess();
  }
  // Nothing more reached the switcher within the wait.
  bool nothing_sent(int wait_ms = 150) {
    return sim->nothing_more(m_seen, std::chrono::milliseconds(wait_ms));
  }
  devsim::SwitcherState device_state() const { return sim->sim().switcher_state(0); }

  std::unique_ptr<SimulatorFixture> sim;
  CKELVARO_16_VIEWDlg* main = nullptr;
  QWidget* host = nullptr;

 private:
  size_t m_seen = 0;
};
}  // namespace sw_test
