#pragma once
// The set-up most page tests share: simulated devices on loopback, the
// panel's link pointed at them, and a shown main window. At the end no
// device may have received a bad frame and no error box may have come up.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "support/devsim_fixture.h"

class CKELVARO_16_VIEWDlg;

class PanelTest : public ::testing::Test {
 protected:
  // Call from SetUp; check HasFatalFailure() after it. `adjust` runs once the
  // link points at the simulator and before the window is made.
  void start_panel(std::vector<devsim::DeviceSpec> devices,
                   const std::function<void()>& adjust = {});
  void TearDown() override;

  devsim::Simulator& sim() { return sim_->sim(); }

  std::unique_ptr<SimulatorFixture> sim_;
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};
