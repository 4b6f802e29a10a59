#pragma once
// A real main window with one simulated multiviewer (type A1, id 05) on
// 127.0.0.2 selected in row 0, and a host widget where the shell would put
// its sub-page. Sub-pages are created straight into the host, as the shell
// does on a tab change; the simulator records, checks and applies every
// frame they send.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <memory>
#include <vector>

#include "app/error_box.h"
#include "app/main_window.h"
#include "link/control_frame.h"
#include "support/devsim_fixture.h"
#include "support/list_choice.h"

namespace mv_test {
using Bytes = std::vector<uint8_t>;

// Checks the envelope of a frame the panel sent to the device at 127.0.0.2
// (type A1, id 05) and returns its payload.
inline Bytes payload_of(const Bytes& frame, uint8_t command, Link link = Link::Udp) {
  EXPECT_GE(frame.size(), kFrameMinSize);
  if (frame.size() < kFrameMinSize) return {};
  EXPECT_EQ(frame[0], 0xA5);
  EXPECT_EQ(frame[1], 0x6C);
  EXPECT_EQ(frame[2] | (frame[3] << 8), static_cast<int>(frame.size()));
  EXPECT_EQ(frame[4], 0xA1);
  EXPECT_EQ(frame[5], 0x05);
  EXPECT_EQ(frame[6], static_cast<uint8_t>(link));
  EXPECT_EQ(frame[16], command);
  const size_t n = frame.size();
  const uint16_t sum = frame_checksum(std::span<const uint8_t>(frame.data(), n - 3));
  EXPECT_EQ(frame[n - 3] | (frame[n - 2] << 8), sum);
  EXPECT_EQ(frame[n - 1], 0xAE);
  return Bytes(frame.begin() + 17, frame.end() - 3);
}

class SubPageTest : public ::testing::Test {
 protected:
  static constexpr uint8_t kDeviceId = 0x05;

  void SetUp() override {
    sim = std::make_unique<SimulatorFixture>(
        std::vector{devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, kDeviceId)});
    ASSERT_TRUE(sim->started());
    sim->configure_panel();
    clear_recorded_errors();
    main = new CKELVARO_16_VIEWDlg;
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    std::strcpy(main->m_device_table[0].ip, sim->address(0).c_str());
    main->m_device_table[0].dev_type = 0xA1;
    main->m_device_table[0].dev_id = kDeviceId;
    main->m_device_count = 1;
    main->device_list()->addItem(QStringLiteral("MV16_1"));
    main->m_device_index = 0;
    host = new QWidget(main);
    host->setGeometry(770, 215, 490, 420);
    host->show();
  }
  void TearDown() override {
    delete main;
    EXPECT_TRUE(sim->no_bad_frames());
    EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join(", ").toStdString();
    sim.reset();
  }

  // Creates a sub-page in the host, as the shell does, and shows it.
  template <class Page>
  Page* open_page() {
    auto* page = new Page(host);
    page->setGeometry(0, 0, 490, 420);
    page->show();
    return page;
  }

  static void choose(QComboBox* list, int index) { choose_with_keys(list, index); }

  // The next unit the simulated device received over the LAN (empty when
  // none came within the wait).
  Bytes next_frame(int timeout_ms = 3000) {
    if (!sim->sim().wait_for_frames(m_seen + 1, std::chrono::milliseconds(timeout_ms))) return {};
    return sim->sim().frames()[m_seen++].bytes;
  }
  // Its payload, with command and envelope checked.
  Bytes next_payload(uint8_t command) {
    const Bytes frame = next_frame();
    EXPECT_FALSE(frame.empty()) << "no frame for command " << int(command);
    return frame.empty() ? Bytes{} : payload_of(frame, command);
  }
  // Nothing more reached the device within the wait.
  bool nothing_sent(int wait_ms = 150) {
    return sim->nothing_more(m_seen, std::chrono::milliseconds(wait_ms));
  }
  devsim::MultiviewerState device_state() const { return sim->sim().multiviewer_state(0); }

  std::unique_ptr<SimulatorFixture> sim;
  CKELVARO_16_VIEWDlg* main = nullptr;
  QWidget* host = nullptr;

 private:
  size_t m_seen = 0;
};
}  // namespace mv_test
