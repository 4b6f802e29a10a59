// The connection settings dialog against pseudo-terminals and a simulated
// device on loopback.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>

#include "app/error_box.h"
#include "app/ip_address_edit.h"
#include "app/link_light.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "controls/skin_button.h"
#include "link/control_frame.h"
#include "link/link_options.h"
#include "res/skin.h"
#include "support/devsim_fixture.h"
#include "support/list_choice.h"
#include "support/ports.h"
#include "support/pty_pair.h"

namespace {
QStringList items(QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

// The status label shows icon `id`.
bool shows_icon(CSetConfigure* cfg, int id) {
  const QPixmap shown = static_cast<QLabel*>(cfg->control(IDC_CFG_STATUS_ICON))->pixmap();
  return !shown.isNull() && shown.toImage() == skin_icon(id).pixmap(32, 32).toImage();
}

class SetConfigureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    saved_ = link_options();
    link_options().serial_ports = {"/dev/zz-not-a-port", line_.slave_name(), "/dev/aa-not-a-port"};
    dlg_ = new CKELVARO_16_VIEWDlg;
    dlg_->show();
  }
  void TearDown() override {
    delete dlg_;
    link_options() = saved_;
  }
  CSetConfigure* open_settings() {
    QTest::mouseClick(dlg_->main_button(1006), Qt::LeftButton);
    return dlg_->m_pSetConfigure;
  }
  static void choose(QComboBox* list, int index) { pick_item(list, index); }
  static void choose(QComboBox* list, const QString& text) { choose(list, list->findText(text)); }

  PtyPair line_;
  LinkOptions saved_;
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};

TEST_F(SetConfigureTest, CreatedOnceAndPlacedBesideTheMainWindow) {
  CSetConfigure* cfg = open_settings();
  ASSERT_NE(cfg, nullptr);
  EXPECT_TRUE(cfg->isVisible());
  EXPECT_EQ(cfg->windowTitle(), "Configure");
  EXPECT_EQ(cfg->geometry(), QRect(dlg_->x() + 340, dlg_->y() + 100, 480, 400));
  QTest::keyClick(cfg->control(1036), Qt::Key_Escape);
  EXPECT_FALSE(cfg->isVisible()) << "Escape only hides it";
  EXPECT_EQ(open_settings(), cfg);
  EXPECT_TRUE(cfg->isVisible());
  QTest::keyClick(cfg->control(1103), Qt::Key_Return);
  EXPECT_FALSE(cfg->isVisible()) << "so does Enter";
}

TEST_F(SetConfigureTest, ListsAndEnablingAtCreation) {
  dlg_->m_eState = 1;  // set earlier by the matrix page's connection sub-page
  CSetConfigure* cfg = open_settings();
  EXPECT_EQ(items(cfg->combo(1103)), (QStringList{"LAN Port", "Serial Port"}));
  EXPECT_EQ(cfg->combo(1103)->currentText(), "Serial Port");
  EXPECT_EQ(items(cfg->combo(1015)), (QStringList{"9600", "19200", "38400", "57600", "115200"}));
  EXPECT_EQ(cfg->combo(1015)->currentIndex(), 0);
  const QStringList ports = items(cfg->combo(1014));
  QStringList sorted = ports;
  sorted.sort(Qt::CaseInsensitive);
  EXPECT_EQ(ports, sorted);
  EXPECT_TRUE(ports.contains(QString::fromStdString(line_.slave_name())));
  EXPECT_TRUE(ports.contains("/dev/aa-not-a-port"));
  EXPECT_EQ(cfg->combo(1014)->currentIndex(), 0);
  // Serial controls stay disabled until the mode is chosen again.
  EXPECT_FALSE(cfg->control(1011)->isEnabled());
  EXPECT_FALSE(cfg->control(1014)->isEnabled());
  EXPECT_FALSE(cfg->control(1015)->isEnabled());
  EXPECT_TRUE(cfg->control(1036)->isEnabled());
  EXPECT_TRUE(cfg->control(1032)->isEnabled());
  EXPECT_EQ(cfg->status_icon_id(), 211);
  EXPECT_TRUE(shows_icon(cfg, 211));
}

TEST_F(SetConfigureTest, ModeChangesEnableTheirControls) {
  CSetConfigure* cfg = open_settings();
  choose(cfg->combo(1103), 1);
  EXPECT_EQ(dlg_->m_eState, 1);
  EXPECT_TRUE(cfg->control(1011)->isEnabled());
  EXPECT_TRUE(cfg->control(1014)->isEnabled());
  EXPECT_FALSE(cfg->control(1036)->isEnabled());
  EXPECT_FALSE(cfg->control(1032)->isEnabled());
  choose(cfg->combo(1103), 0);
  EXPECT_EQ(dlg_->m_eState, 0);
  EXPECT_FALSE(cfg->control(1011)->isEnabled());
  EXPECT_TRUE(cfg->control(1032)->isEnabled());
}

TEST_F(SetConfigureTest, ConnectAndDisconnectOnAPseudoTerminal) {
  CSetConfigure* cfg = open_settings();
  choose(cfg->combo(1103), 1);
  choose(cfg->combo(1014), QString::fromStdString(line_.slave_name()));
  choose(cfg->combo(1015), "115200");
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  ASSERT_TRUE(dlg_->m_comm.is_open());
  EXPECT_TRUE(cfg->connected());
  EXPECT_EQ(cfg->button(1011)->text(), "Disconnect");
  EXPECT_EQ(cfg->status_icon_id(), 212);
  EXPECT_TRUE(shows_icon(cfg, 212));
  EXPECT_FALSE(cfg->control(1014)->isEnabled());
  EXPECT_FALSE(cfg->control(1015)->isEnabled());
  // Frames now go to the line, link byte 00.
  std::strcpy(dlg_->m_device_table[0].ip, "127.0.0.2");
  dlg_->m_device_table[0].dev_type = 0xA1;
  dlg_->m_device_table[0].dev_id = 2;
  dlg_->m_device_index = 0;
  cfg->ip_field()->set_address("192.168.1.77");
  choose(cfg->combo(1103), 1);
  // Change IP is disabled in serial mode on screen; the handler itself still
  // follows the mode when called.
  cfg->on_change_ip();
  const auto frame = line_.device_read(32, 2000);
  ASSERT_EQ(frame.size(), 32u);
  EXPECT_EQ(frame[6], 0x00);
  EXPECT_EQ(frame[16], 0x05);
  EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 17, frame.begin() + 29),
            (std::vector<uint8_t>{192, 168, 1, 77, 0, 0, 0, 0, 0, 0, 0, 0}));
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_EQ(cfg->button(1011)->text(), "Connect");
  EXPECT_EQ(cfg->status_icon_id(), 211);
  EXPECT_TRUE(shows_icon(cfg, 211));
  EXPECT_TRUE(cfg->control(1014)->isEnabled());
}

TEST_F(SetConfigureTest, ANameThatCannotBeOpenedLeavesTheDialogAsItWas) {
  CSetConfigure* cfg = open_settings();
  choose(cfg->combo(1103), 1);
  choose(cfg->combo(1014), "/dev/aa-not-a-port");
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_FALSE(cfg->connected());
  EXPECT_EQ(cfg->button(1011)->text(), "Connect");
  EXPECT_TRUE(cfg->control(1014)->isEnabled());
  EXPECT_TRUE(recorded_errors().isEmpty());
}

TEST_F(SetConfigureTest, ConnectWhileTheOldPortIsStillOpenReopensIt) {
  CSetConfigure* cfg = open_settings();
  choose(cfg->combo(1103), 1);
  choose(cfg->combo(1014), QString::fromStdString(line_.slave_name()));
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  ASSERT_TRUE(dlg_->m_comm.is_open());
  ASSERT_TRUE(shows_icon(cfg, 212));
  choose(cfg->combo(1103), 0);  // LAN: the flag is reset, the port stays open
  EXPECT_FALSE(cfg->connected());
  EXPECT_TRUE(shows_icon(cfg, 211));
  EXPECT_TRUE(dlg_->m_comm.is_open());
  choose(cfg->combo(1103), 1);
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  EXPECT_TRUE(dlg_->m_comm.is_open());
  EXPECT_TRUE(cfg->connected());
}

TEST_F(SetConfigureTest, ChangeIpOverTheLan) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 7, "MV")});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CSetConfigure* cfg = open_settings();
  std::strcpy(dlg_->m_device_table[0].ip, sim.address(0).c_str());
  dlg_->m_device_table[0].dev_type = 0xA1;
  dlg_->m_device_table[0].dev_id = 7;
  dlg_->m_device_index = 0;
  cfg->ip_field()->set_address("10.0.0.5");
  // Right after start no search has found a device: nothing is sent.
  QTest::mouseClick(cfg->control(1032), Qt::LeftButton);
  EXPECT_TRUE(sim.nothing_more(0, std::chrono::milliseconds(200)));
  dlg_->m_device_count = 1;
  QTest::mouseClick(cfg->control(1032), Qt::LeftButton);
  EXPECT_TRUE(sim.received_command(0, 0x05, {10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0}));
  const auto frames = sim.frames_with_command(0, 0x05);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bytes.size(), 32u);
  EXPECT_EQ(frames[0].bytes[6], 0x01);
  EXPECT_EQ(
      std::vector<uint8_t>(std::begin(dlg_->m_dev_net_param), std::end(dlg_->m_dev_net_param)),
      (std::vector<uint8_t>{10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(SetConfigureTest, ChangeIpWithNoDeviceSelectedSendsNothingOverTheLan) {
  CSetConfigure* cfg = open_settings();
  dlg_->m_device_count = 1;
  dlg_->m_device_index = -1;
  cfg->ip_field()->set_address("10.0.0.5");
  QTest::mouseClick(cfg->control(1032), Qt::LeftButton);
  EXPECT_EQ(recorded_errors(), QStringList{"Please choose a device"});
}
// The adapter goes away: its line hangs up. The port is closed as Disconnect
// closes it, the blue dot goes out and the operator is told once; plugged in
// again under the same name, Connect opens it and frames reach it. A hang-up
// in the middle of a serial query ends that query, and the port closes after
// it.
TEST_F(SetConfigureTest, AHungUpLineIsClosedAsDisconnectClosesItAndConnectsAgain) {
  // The adapter's name is a link to the line plugged in now, as udev names
  // a USB adapter.
  char dir_template[] = "/tmp/kvXXXXXX";
  ASSERT_NE(::mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  const std::string name = dir + "/ttyKV0";
  ASSERT_EQ(::symlink(line_.slave_name().c_str(), name.c_str()), 0);
  link_options().serial_ports.push_back(name);
  const QString lost_text = "Serial port " + QString::fromStdString(name) +
                            " was lost: the line hung up. Press Connect in Configure once it is "
                            "back.";
  auto dot = [&] {
    QApplication::processEvents();
    return dlg_->grab().toImage().pixelColor(LinkLight::dot_centre(2));
  };
  const QColor blue(60, 150, 255);

  CSetConfigure* cfg = open_settings();
  choose(cfg->combo(1103), 1);
  choose(cfg->combo(1014), QString::fromStdString(name));
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  ASSERT_TRUE(dlg_->m_comm.is_open());
  EXPECT_EQ(dot(), blue);

  line_.release_line();
  line_.close_device();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg_->m_comm.is_open(); }, 3000));
  EXPECT_FALSE(cfg->connected());
  EXPECT_EQ(cfg->button(1011)->text(), "Connect");
  EXPECT_TRUE(shows_icon(cfg, 211));
  EXPECT_TRUE(cfg->control(1011)->isEnabled());
  EXPECT_TRUE(cfg->control(1014)->isEnabled());
  EXPECT_TRUE(cfg->control(1015)->isEnabled());
  EXPECT_NE(dot(), blue);
  EXPECT_TRUE(LinkLight::describe(dlg_->link_light_state()).endsWith("Serial port closed"));
  QTest::qWait(200);
  EXPECT_EQ(recorded_errors(), QStringList{lost_text});

  // Plugged in again under the same name.
  PtyPair again;
  ASSERT_TRUE(again.ok());
  std::filesystem::remove(name);
  ASSERT_EQ(::symlink(again.slave_name().c_str(), name.c_str()), 0);
  QTest::mouseClick(cfg->control(1011), Qt::LeftButton);
  ASSERT_TRUE(dlg_->m_comm.is_open());
  EXPECT_EQ(cfg->button(1011)->text(), "Disconnect");
  EXPECT_EQ(dot(), blue);
  std::strcpy(dlg_->m_device_table[0].ip, "127.0.0.2");
  dlg_->m_device_table[0].dev_type = 0xA1;
  dlg_->m_device_table[0].dev_id = 2;
  dlg_->m_device_index = 0;
  cfg->ip_field()->set_address("192.168.1.78");
  cfg->on_change_ip();
  const auto frame = again.device_read(32, 2000);
  ASSERT_EQ(frame.size(), 32u);
  EXPECT_EQ(frame[16], 0x05);

  // Unplugged while a state query waits for its reply (up to 5 s).
  QTimer::singleShot(50, [&again] {
    again.release_line();
    again.close_device();
  });
  const Outcome query = dlg_->transports().serial.query(
      Target::serial(0xA1, 2), build_frame(0xA1, 2, Link::Serial, 0x32, {}),
      QueryRule{5000, 10, 20}, [](const sockaddr_in&, std::span<const uint8_t>) { return true; });
  EXPECT_EQ(query.status, Outcome::Status::Failed);
  EXPECT_EQ(query.reason, "serial line hung up");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg_->m_comm.is_open(); }, 3000));
  EXPECT_EQ(cfg->button(1011)->text(), "Connect");
  QTest::qWait(200);
  EXPECT_EQ(recorded_errors(), (QStringList{lost_text, lost_text}));

  clear_recorded_errors();
  std::filesystem::remove_all(dir);
}
}  // namespace
