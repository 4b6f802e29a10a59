// The fixture's panel-side helpers: a device selected in the main window is
// reached by the main window's own link, over UDP and over the serial line.
#include <gtest/gtest.h>

#include <QComboBox>

#include "app/main_window.h"
#include "devices/device_frame.h"
#include "link/link_options.h"
#include "support/devsim_fixture.h"

using devsim::DeviceSpec;

namespace {

class FixturePanelTest : public ::testing::Test {
 protected:
  void TearDown() override { delete dlg_; }
  CKELVARO_16_VIEWDlg& window() {
    if (!dlg_) dlg_ = new CKELVARO_16_VIEWDlg;
    return *dlg_;
  }
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};

}  // namespace

TEST_F(FixturePanelTest, LanDeviceIsSelectedAsASearchWouldHaveIt) {
  const LinkOptions before = link_options();
  {
    SimulatorFixture fx({DeviceSpec::lan(0xA5, 1), DeviceSpec::lan(0xA1, 7, "MVX")});
    ASSERT_TRUE(fx.started());
    CKELVARO_16_VIEWDlg& w = window();
    fx.select_in_main_window(w, 1);
    EXPECT_EQ(link_options().device_port, fx.options().device_port);
    EXPECT_EQ(link_options().search_address, "127.255.255.255");
    EXPECT_EQ(w.m_eState, 0);
    EXPECT_EQ(w.m_device_index, 0);
    EXPECT_STREQ(w.m_device_table[0].ip, fx.address(1).c_str());
    EXPECT_EQ(w.m_device_table[0].dev_type, 0xA1);
    EXPECT_EQ(w.m_device_table[0].dev_id, 7);
    EXPECT_EQ(w.device_list()->itemText(0), "MVX_" + QString::fromStdString(fx.address(1)));

    // The main window's own sender reaches the device, which applies it.
    fx.sim().clear_frames();
    send_command(w.transports(), w.device_target(), 0x33, std::vector<uint8_t>{4});
    ASSERT_TRUE(fx.received_command(1, 0x33, {4}));
    EXPECT_EQ(fx.sim().multiviewer_state(1).window_count, 4);
    const auto missing = fx.received_command(1, 0x34, {4}, std::chrono::milliseconds(50));
    EXPECT_FALSE(missing);
    EXPECT_NE(std::string(missing.message()).find("never received command 0x34 with"),
              std::string::npos)
        << missing.message();
    EXPECT_TRUE(fx.no_bad_frames());
  }
  EXPECT_EQ(link_options().device_port, before.device_port) << "options restored";
}

TEST_F(FixturePanelTest, SerialDeviceIsSelectedThroughThePseudoTerminal) {
  SimulatorFixture fx({DeviceSpec::serial(0xA3, 2)});
  ASSERT_TRUE(fx.started());
  CKELVARO_16_VIEWDlg& w = window();
  fx.select_in_main_window(w, 0);
  EXPECT_EQ(w.m_eState, 1);
  EXPECT_TRUE(w.m_comm.is_open());
  EXPECT_EQ(w.m_main_com_dev_type, 0xA3);
  EXPECT_EQ(w.m_device_table[0].dev_id, 2);
  fx.sim().clear_frames();
  send_command(w.transports(), w.device_target(), 0x94, std::vector<uint8_t>{12});
  ASSERT_TRUE(fx.received_command(0, 0x94, {12}));
  EXPECT_EQ(fx.sim().tm3306_state(0).show_mode, 12);
  EXPECT_EQ(fx.sim().frames()[0].bytes[6], 0x00);
  EXPECT_TRUE(fx.no_bad_frames());
}
