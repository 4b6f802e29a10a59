#pragma once
// A real main window in front of two simulated multiviewers of the same
// address (type A1, id 05): one on the LAN at 127.0.0.2, one on a
// pseudo-terminal. open_lan() / open_serial() select one of them as a search
// would have, which opens the multiviewer page and its layout tab.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/error_box.h"
#include "app/main_window.h"
#include "controls/shade_button.h"
#include "link/control_frame.h"
#include "link/trace.h"
#include "pages/multiviewer/mv_control_page.h"
#include "pages/multiviewer/mv_page.h"
#include "support/devsim_fixture.h"
#include "support/trace_recorder.h"
#include "support/list_choice.h"

namespace mv_page_test {
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;

constexpr int kLan = 0;
constexpr int kSerial = 1;
constexpr uint8_t kDevId = 0x05;

class MvPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    sim_ = std::make_unique<SimulatorFixture>(
        std::vector{devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, kDevId),
                    devsim::DeviceSpec::serial(devsim::kTypeMultiviewer, kDevId)});
    ASSERT_TRUE(sim_->started());
    sim_->configure_panel();
    traces_ = std::make_unique<TraceRecorder>();
    main = new CKELVARO_16_VIEWDlg;
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  }
  void TearDown() override {
    delete main;
    traces_.reset();
    EXPECT_TRUE(sim_->no_bad_frames());
    EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
    sim_.reset();
  }

  devsim::Simulator& sim() { return sim_->sim(); }
  SimulatorFixture& fixture() { return *sim_; }

  // Selects the device, which opens the page (and runs its state query).
  CClass_16view_dlg* open(int device) {
    EXPECT_TRUE(sim_->select_in_main_window(*main, device));
    return shell();
  }
  CClass_16view_dlg* shell() const {
    return dynamic_cast<CClass_16view_dlg*>(main->m_p_mian_show_dlg);
  }
  CClass_16view_control* layout_tab() const {
    CClass_16view_dlg* s = shell();
    return s ? dynamic_cast<CClass_16view_control*>(s->cur_sub_page()) : nullptr;
  }

  // Frames device `device` received with this command byte, so far.
  std::vector<devsim::ReceivedFrame> frames_of(int device, uint8_t command) const {
    return sim_->frames_with_command(device, command);
  }
  size_t frame_count() const { return sim_->sim().frame_count(); }
  // Nothing more than `already` units arrive within a short quiet time.
  ::testing::AssertionResult nothing_after(size_t already, ms quiet = ms(200)) const {
    return sim_->nothing_more(already, quiet);
  }

  // Trace lines written so far.
  std::vector<std::string> traces() { return traces_->lines(); }
  int trace_count(const std::string& line) { return traces_->count(line); }

  static void choose(QComboBox* list, int index) { choose_with_keys(list, index); }
  // A list the template keeps hidden reports a selection as if shown.
  static void choose_hidden(QComboBox* list, int index) { pick_item(list, index); }

  CKELVARO_16_VIEWDlg* main = nullptr;

 private:
  std::unique_ptr<SimulatorFixture> sim_;
  std::unique_ptr<TraceRecorder> traces_;
};

// Payload of a frame sent to the simulated multiviewer, envelope checked.
inline Bytes payload_of(const Bytes& frame, uint8_t command, Link link) {
  EXPECT_GE(frame.size(), kFrameMinSize);
  if (frame.size() < kFrameMinSize) return {};
  EXPECT_EQ(frame[2] | (frame[3] << 8), static_cast<int>(frame.size()));
  EXPECT_EQ(frame[4], 0xA1);
  EXPECT_EQ(frame[5], kDevId);
  EXPECT_EQ(frame[6], static_cast<uint8_t>(link));
  EXPECT_EQ(frame[16], command);
  return Bytes(frame.begin() + 17, frame.end() - 3);
}
}  // namespace mv_page_test
