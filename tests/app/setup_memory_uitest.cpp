// The remembered setup: mode, serial port, baud rate and last device written
// by one main window and restored by a fresh one, as at the next start, in a
// temporary settings folder. Restoring sends nothing and opens no page;
// --no-restore and --demo start clean.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/ip_address_edit.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "app/settings_location.h"
#include "controls/skin_button.h"
#include "support/devsim_fixture.h"
#include "support/settings_test.h"

namespace {
using devsim::DeviceSpec;

class SetupMemoryTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    sim_.configure_panel();
  }
  CSetConfigure* settings_dialog() {
    dlg_->on_settings();
    return dlg_->m_pSetConfigure;
  }
  QString setting(const char* key) {
    QSettings s;
    return s.value(QStringLiteral("setup/") + QLatin1String(key)).toString();
  }

  SimulatorFixture sim_{{DeviceSpec::lan(devsim::kTypeMultiviewer, 7, "MV_A"),
                         DeviceSpec::serial(devsim::kTypeMultiviewer, 8, "MV_SER")}};
};

TEST_F(SetupMemoryTest, TheLastLanDeviceIsListedAndSelectedWithoutAPageOrAFrame) {
  // A window the program did not give a memory writes nothing.
  dlg_ = new CKELVARO_16_VIEWDlg;
  ASSERT_TRUE(sim_.select_in_main_window(*dlg_, 0));
  EXPECT_TRUE(setting("device_address").isEmpty());

  ASSERT_TRUE(sim_.select_in_main_window(start(), 0));
  EXPECT_EQ(setting("device_address").toStdString(), sim_.address(0));
  sim_.sim().clear_frames();

  CKELVARO_16_VIEWDlg& next = start();
  ASSERT_EQ(next.device_list()->count(), 1);
  EXPECT_EQ(next.device_list()->currentText().toStdString(), "MV_A_" + sim_.address(0));
  EXPECT_EQ(next.m_device_index, 0);
  EXPECT_EQ(std::string(next.m_device_table[0].ip), sim_.address(0));
  EXPECT_EQ(next.m_device_table[0].dev_type, 0xA1);
  EXPECT_EQ(next.m_device_table[0].dev_id, 7);
  EXPECT_EQ(next.m_eState, 0);
  EXPECT_EQ(next.m_p_mian_show_dlg, nullptr) << "no page opens at start";
  CSetConfigure* cfg = settings_dialog();
  EXPECT_EQ(cfg->ip_field()->address().toStdString(), sim_.address(0));
  EXPECT_TRUE(sim_.nothing_more(0)) << "nothing is sent at start";
  // Choosing it opens its page as usual.
  emit next.device_list()->activated(0);
  QApplication::processEvents();
  EXPECT_NE(next.m_p_mian_show_dlg, nullptr);

  // --no-restore starts clean; --scan searches once the window runs.
  CKELVARO_16_VIEWDlg& clean = start({"--no-restore"});
  EXPECT_EQ(clean.device_list()->count(), 0);
  EXPECT_EQ(clean.m_device_index, -1);
  EXPECT_EQ(setting("device_address").toStdString(), sim_.address(0)) << "still remembered";
  CKELVARO_16_VIEWDlg& scanned = start({"--scan"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return scanned.m_device_count == 1; }, 3000));
  EXPECT_EQ(scanned.device_list()->count(), 1);
  EXPECT_EQ(scanned.device_list()->itemText(0).toStdString(), "MV_A_" + sim_.address(0));
  EXPECT_EQ(scanned.m_device_count, 1) << "the search's own row, not the remembered one";
  // The demo neither restores nor keeps the operator's setup.
  EXPECT_EQ(start({"--demo"}).device_list()->count(), 0);
}

TEST_F(SetupMemoryTest, TheSerialPortIsReopenedAndShownInTheSettingsDialog) {
  ASSERT_TRUE(sim_.select_in_main_window(start(), 1));  // serial mode, 115200
  const std::string port = sim_.address(1);
  sim_.sim().clear_frames();

  CKELVARO_16_VIEWDlg& next = start();
  EXPECT_EQ(next.m_eState, 1);
  ASSERT_TRUE(next.m_comm.is_open());
  EXPECT_EQ(next.m_comm.port_name(), port);
  EXPECT_EQ(next.m_comm.baud(), 115200u);
  EXPECT_EQ(next.m_p_mian_show_dlg, nullptr);
  CSetConfigure* cfg = settings_dialog();
  EXPECT_EQ(cfg->combo(IDC_CFG_MODE_LIST)->currentText(), "Serial Port");
  EXPECT_EQ(cfg->combo(IDC_CFG_PORT_LIST)->currentText().toStdString(), port);
  EXPECT_EQ(cfg->combo(IDC_CFG_BAUD_LIST)->currentText(), "115200");
  EXPECT_TRUE(cfg->connected());
  EXPECT_EQ(cfg->status_icon_id(), 212);
  EXPECT_EQ(cfg->button(IDC_CFG_CONNECT)->text(), "Disconnect");
  EXPECT_TRUE(cfg->control(IDC_CFG_CONNECT)->isEnabled());
  EXPECT_TRUE(sim_.nothing_more(0)) << "nothing is sent at start";
  // Disconnect closes it; at the end of the run the port is kept closed.
  cfg->button(IDC_CFG_CONNECT)->click();
  EXPECT_FALSE(next.m_comm.is_open());
  next.m_setup_memory.save();

  CKELVARO_16_VIEWDlg& closed = start();
  EXPECT_EQ(closed.m_eState, 1);
  EXPECT_FALSE(closed.m_comm.is_open());
  cfg = settings_dialog();
  EXPECT_EQ(cfg->combo(IDC_CFG_PORT_LIST)->currentText().toStdString(), port);
  EXPECT_EQ(cfg->combo(IDC_CFG_BAUD_LIST)->currentText(), "115200");
  EXPECT_FALSE(cfg->connected());
  EXPECT_EQ(cfg->button(IDC_CFG_CONNECT)->text(), "Connect");

  // A port that is gone is left closed without a word.
  {
    QSettings s;
    s.setValue("setup/serial_port", "/dev/kelvaro-no-such-port");
    s.setValue("setup/port_open", true);
  }
  CKELVARO_16_VIEWDlg& gone = start();
  EXPECT_EQ(gone.m_eState, 1);
  EXPECT_FALSE(gone.m_comm.is_open());
  EXPECT_TRUE(recorded_errors().isEmpty());
}

TEST_F(SetupMemoryTest, ARememberedDeviceListIsReadNoFurtherThanTheTableHolds) {
  // The settings file as an editor (or anyone) may leave it: a size of
  // millions and rows 1, 2, 128 and 129 (the table's 129th row) filled in.
  QString path;
  {
    QSettings s;
    path = s.fileName();
  }
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QByteArray text = "[manual_devices]\n";
  for (int row : {1, 2, 128, 129})
    text += QByteArray::number(row) + "\\address=127.0.3." + QByteArray::number(row) + "\n" +
            QByteArray::number(row) + "\\type=165\n" + QByteArray::number(row) + "\\id=1\n";
  file.write(text + "size=3000000\n");
  file.close();

  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--no-restore"}}) {
    CKELVARO_16_VIEWDlg& dlg = start(args);
    QStringList listed;
    for (int i = 0; i < dlg.device_list()->count(); ++i) listed << dlg.device_list()->itemText(i);
    EXPECT_EQ(listed,
              (QStringList{"switcher_127.0.3.1", "switcher_127.0.3.2", "switcher_127.0.3.128"}))
        << "rows past the table's 128 are not read";
    EXPECT_EQ(dlg.m_device_table.count(), 3);
  }
  EXPECT_TRUE(sim_.nothing_more(0));
}

TEST(SetupMemoryCommandLine, NoRestoreIsParsedAndDocumented) {
  EXPECT_TRUE(parse_command_line({"kelvaro_multiview"}).restore);
  const CommandLine cl = parse_command_line({"kelvaro_multiview", "--no-restore", "--scan"});
  EXPECT_EQ(cl.action, CommandLine::Action::Run);
  EXPECT_FALSE(cl.restore);
  EXPECT_TRUE(cl.scan_at_start);
  EXPECT_NE(command_line_help().find("--no-restore"), std::string::npos);
}
TEST_F(SetupMemoryTest, SettingsAtTheWizardsOldPlaceMoveToTheKelvaroFolderOnce) {
  const QString current = QSettings().fileName();
  EXPECT_TRUE(current.endsWith(QStringLiteral("/kelvaro/kelvaro_multiview.conf")))
      << current.toStdString();
  QDir config(settings_dir_.path());
  const QString old_dir = config.filePath(QString::fromUtf16(kWizardRegistryKey));
  const QString old_file = old_dir + QStringLiteral("/kelvaro_multiview.conf");
  const QByteArray remembered = "[setup]\nmode=1\n";
  const auto write_old = [&] {
    ASSERT_TRUE(QDir().mkpath(old_dir));
    QFile f(old_file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(remembered);
  };
  write_old();
  EXPECT_FALSE(move_old_settings().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(old_dir)) << "the emptied old folder goes";
  EXPECT_EQ(QSettings().value(QStringLiteral("setup/mode")).toInt(), 1);
  EXPECT_TRUE(move_old_settings().isEmpty()) << "nothing is left to move";

  // A file at both places: the current one is kept, the old one left alone.
  write_old();
  QSettings().setValue(QStringLiteral("setup/mode"), 0);
  QSettings().sync();
  move_old_settings();
  EXPECT_TRUE(QFileInfo::exists(old_file));
  EXPECT_EQ(QSettings().value(QStringLiteral("setup/mode")).toInt(), 0);
}

}  // namespace

namespace {
TEST_F(SetupMemoryTest, TheLastShowStartedStartsAgainAtTheNextRun) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.json");
  Show show;
  show.source_names[0] = QStringLiteral("CAM 1");
  ASSERT_TRUE(save_show_file(path, show).isEmpty());
  ASSERT_TRUE(start().start_show_file(path).isEmpty());
  EXPECT_EQ(setting("show_file"), path);
  EXPECT_TRUE(start().m_show_runner.running());
  EXPECT_EQ(dlg_->m_show_path, path);
  EXPECT_FALSE(start({"--no-restore"}).m_show_runner.running());
  // Stopped, it is forgotten.
  start().stop_show();
  EXPECT_FALSE(start().m_show_runner.running());
}
}  // namespace
