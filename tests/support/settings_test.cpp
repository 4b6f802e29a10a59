#include "support/settings_test.h"

#include <QSettings>

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "app/startup.h"

void SettingsTest::SetUp() {
  ASSERT_TRUE(settings_dir_.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_dir_.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_dir_.path());
  clear_recorded_errors();
}

void SettingsTest::TearDown() {
  delete dlg_;
  dlg_ = nullptr;
  EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
}

CKELVARO_16_VIEWDlg& SettingsTest::start(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"kelvaro_multiview"};
  argv.insert(argv.end(), args.begin(), args.end());
  const CommandLine cl = parse_command_line(argv);
  EXPECT_EQ(cl.action, CommandLine::Action::Run) << cl.message;
  delete dlg_;
  // No events run here: what --scan or --demo start has not happened yet.
  dlg_ = open_main_window(cl);
  return *dlg_;
}
