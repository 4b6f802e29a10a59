#include "support/panel_test.h"

#include <QTest>

#include "app/error_box.h"
#include "app/main_window.h"

void PanelTest::start_panel(std::vector<devsim::DeviceSpec> devices,
                            const std::function<void()>& adjust) {
  clear_recorded_errors();
  sim_ = std::make_unique<SimulatorFixture>(std::move(devices));
  ASSERT_TRUE(sim_->started());
  sim_->configure_panel();
  if (adjust) adjust();
  dlg_ = new CKELVARO_16_VIEWDlg;
  dlg_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_));
}

void PanelTest::TearDown() {
  delete dlg_;
  dlg_ = nullptr;
  if (sim_) {
    EXPECT_TRUE(sim_->no_bad_frames());
  }
  sim_.reset();
  EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
}
