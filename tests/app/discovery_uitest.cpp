// The scan button against simulated devices: the LAN broadcast search on
// loopback and the serial search on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "controls/skin_button.h"
#include "link/tick.h"
#include "support/devsim_fixture.h"
#include "support/pty_pair.h"

namespace {
using devsim::DeviceSpec;

QStringList items(QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

// Filled width of the search progress bar right of the scan button, as drawn.
int progress_fill(CKELVARO_16_VIEWDlg& w) {
  const QImage bar = w.grab(QRect(712, 72, 220, 16)).toImage();
  int filled = 0;
  for (int x = 0; x < bar.width(); ++x)
    if (bar.pixelColor(x, 8) == QColor(60, 180, 255)) ++filled;
  return filled;
}

// Takes the bar's fill at 0.4 s and 1.4 s into a search started right after.
struct ProgressSamples {
  int early = -1, late = -1;
  explicit ProgressSamples(CKELVARO_16_VIEWDlg& w) {
    QTimer::singleShot(400, &w, [this, &w] { early = progress_fill(w); });
    QTimer::singleShot(1400, &w, [this, &w] { late = progress_fill(w); });
  }
  // The window painted while the search waited, and the bar moved on.
  void expect_moving() const {
    EXPECT_GT(early, 0);
    EXPECT_GT(late, early);
  }
};

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_recorded_errors(); }
  void TearDown() override { delete dlg_; }
  // The main window is made after the simulator has set the link options.
  CKELVARO_16_VIEWDlg& window() {
    if (!dlg_) {
      dlg_ = new CKELVARO_16_VIEWDlg;
      dlg_->show();
    }
    return *dlg_;
  }
  void press_scan() { QTest::mouseClick(window().main_button(1005), Qt::LeftButton); }
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};

TEST_F(DiscoveryTest, LanSearchListsEveryMultiviewerForTheFullTwoSeconds) {
  SimulatorFixture sim({DeviceSpec::lan(0xA1, 3, "MVA"), DeviceSpec::lan(0xA1, 4, "MVB"),
                        DeviceSpec::lan(0x81, 5, "MTX")});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  const uint32_t t0 = tick_ms();
  press_scan();
  const uint32_t spent = ticks_since(t0);
  EXPECT_GE(spent, 2000u) << "the search always runs its two seconds";
  // The matrix (type 81) answers but adds no row.
  QStringList names = items(w.device_list());
  names.sort();
  EXPECT_EQ(names, (QStringList{"MVA_" + QString::fromStdString(sim.address(0)),
                                "MVB_" + QString::fromStdString(sim.address(1))}));
  EXPECT_EQ(w.m_device_count, 2);
  EXPECT_EQ(w.m_device_index, 0);
  EXPECT_EQ(w.device_list()->currentIndex(), 0);
  EXPECT_EQ(w.m_udpSockfd, -1);
  for (int row = 0; row < 2; ++row) {
    const DeviceEntry& e = w.m_device_table[row];
    EXPECT_EQ(e.dev_type, 0xA1);
    const std::string ip(e.ip);
    EXPECT_TRUE(ip == sim.address(0) || ip == sim.address(1)) << ip;
    EXPECT_EQ(e.dev_id, ip == sim.address(0) ? 3 : 4);
    EXPECT_TRUE(w.device_list()->itemText(row).endsWith(QString::fromStdString(ip)));
  }
  EXPECT_EQ(w.m_device_table[2].dev_type, 0);
  // The search request went out once, byte for byte, with link byte 01.
  const auto searches = sim.sim().frames([](const devsim::ReceivedFrame& f) {
    return f.command() == 0xFF;
  });
  ASSERT_EQ(searches.size(), 1u);
  EXPECT_EQ(searches.front().bytes,
            (std::vector<uint8_t>{0xA5, 0x6C, 0x14, 0x00, 0x81, 0xFF, 0x01, 0, 0, 0, 0, 0, 0, 0,
                                  0, 0, 0xFF, 0xA5, 0x03, 0xAE}));
  EXPECT_TRUE(sim.no_bad_frames());
  EXPECT_TRUE(recorded_errors().isEmpty());
}

TEST_F(DiscoveryTest, OneReplyWithTwoSeparatorsAddsTwoRowsForOneAddress) {
  // The simulator answers "AB-1-CD" + "-<id>-V1.0": separators at 20 and 25.
  SimulatorFixture sim({DeviceSpec::lan(0xA1, 1, "AB-1-CD")});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  press_scan();
  const QString ip = QString::fromStdString(sim.address(0));
  EXPECT_EQ(items(w.device_list()), (QStringList{"AB_" + ip, "AB-1-CD_" + ip}));
  EXPECT_EQ(w.m_device_count, 2);
  EXPECT_STREQ(w.m_device_table[0].ip, sim.address(0).c_str());
  EXPECT_STREQ(w.m_device_table[1].ip, sim.address(0).c_str());
}

TEST_F(DiscoveryTest, NoAnswerShowsNoDeviceFoundAndOpensNoPage) {
  SimulatorFixture sim({DeviceSpec::lan(0x60, 1, "RK")});  // answers, but is no multiviewer
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  w.device_list()->addItem("old item");
  std::strcpy(w.m_device_table[5].ip, "10.0.0.9");
  const ProgressSamples progress(w);
  const uint32_t t0 = tick_ms();
  press_scan();
  EXPECT_GE(ticks_since(t0), 2000u);
  progress.expect_moving();
  EXPECT_EQ(progress_fill(w), 0) << "the bar goes when the search ends";
  EXPECT_EQ(items(w.device_list()), QStringList{"No Device Found"});
  EXPECT_EQ(w.m_device_index, -1);
  EXPECT_EQ(w.m_device_count, 0);
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(w.m_device_table[5].ip[0], 0) << "a new search clears the table";
}

TEST_F(DiscoveryTest, TheTableStopsAt128Rows) {
  std::vector<DeviceSpec> many;
  for (int i = 0; i < 130; ++i) many.push_back(DeviceSpec::lan(0xA1, static_cast<uint8_t>(i)));
  SimulatorFixture sim(many);
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  press_scan();
  EXPECT_EQ(w.m_device_count, 128);
  EXPECT_EQ(w.device_list()->count(), 128);
  for (int row = 0; row < 128; ++row) ASSERT_EQ(w.m_device_table[row].dev_type, 0xA1) << row;
}

TEST_F(DiscoveryTest, SerialSearchTakesTheDevicesNameAndType) {
  SimulatorFixture sim({DeviceSpec::serial(0x81, 9, "MATRIX-X")});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg& w = window();
  w.m_eState = 1;
  ASSERT_TRUE(w.m_comm.open_port(sim.address(0), 115200));
  std::strcpy(w.m_device_table[0].ip, "10.1.1.1");
  const uint32_t t0 = tick_ms();
  press_scan();
  EXPECT_LT(ticks_since(t0), 2000u) << "an answer ends the wait";
  // "MATRIX-X-9-V1.0" holds two separators: the longer name is kept.
  EXPECT_EQ(items(w.device_list()), QStringList{"MATRIX-X"});
  EXPECT_EQ(w.m_com_dev_name, "MATRIX-X");
  EXPECT_EQ(w.m_main_com_dev_type, 0x81);
  EXPECT_EQ(w.m_device_table[0].dev_type, 0x81);
  EXPECT_EQ(w.m_device_table[0].dev_id, 9);
  EXPECT_STREQ(w.m_device_table[0].ip, "10.1.1.1") << "the serial search leaves the address";
  EXPECT_EQ(w.m_device_index, 0);
  const auto searches = sim.sim().frames([](const devsim::ReceivedFrame& f) {
    return f.command() == 0xFF;
  });
  ASSERT_EQ(searches.size(), 1u);
  EXPECT_EQ(searches.front().bytes[6], 0x00);
  EXPECT_EQ(searches.front().bytes[17], 0xA4);
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(DiscoveryTest, SerialSearchWithoutAnswerStillSelectsRowZero) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  CKELVARO_16_VIEWDlg& w = window();
  w.m_eState = 1;
  ASSERT_TRUE(w.m_comm.open_port(line.slave_name(), 9600));
  const ProgressSamples progress(w);
  const uint32_t t0 = tick_ms();
  press_scan();
  EXPECT_GE(ticks_since(t0), 2000u);
  progress.expect_moving();
  EXPECT_EQ(items(w.device_list()), QStringList{"No Device Found"});
  EXPECT_EQ(w.m_device_index, 0);
  // The request reached the line.
  const auto request = line.device_read(20, 1000);
  EXPECT_EQ(request.size(), 20u);
  // An unknown serial device is driven as a tm3306 at id 1.
  EXPECT_EQ(w.m_device_table[0].dev_type, 0xA3);
  EXPECT_EQ(w.m_device_table[0].dev_id, 0x01);
}

TEST_F(DiscoveryTest, SerialSearchWithThePortClosedShowsTheMessage) {
  CKELVARO_16_VIEWDlg& w = window();
  w.m_eState = 1;
  w.device_list()->addItem("old");
  press_scan();
  EXPECT_EQ(recorded_errors(), QStringList{"Please open the serial port first!"});
  EXPECT_EQ(w.device_list()->count(), 0);
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
}

TEST_F(DiscoveryTest, OtherModesMakeScanDoNothing) {
  CKELVARO_16_VIEWDlg& w = window();
  w.m_eState = 2;
  w.device_list()->addItem("kept");
  press_scan();
  EXPECT_EQ(items(w.device_list()), QStringList{"kept"});
  EXPECT_TRUE(recorded_errors().isEmpty());
}
}  // namespace
