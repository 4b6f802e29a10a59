#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <cstdlib>

#include "app/error_box.h"
#include "app/settings_location.h"

// Tests run headless unless a platform was chosen; gtest discovery also runs
// the binary without the test environment, so the default is set here.
int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Settings and configuration files go to a test folder, never to the
  // user's own (where remembered devices would change every main window).
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  set_settings_location();
  // No test may block on a modal box: errors are recorded instead.
  install_error_recorder();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
