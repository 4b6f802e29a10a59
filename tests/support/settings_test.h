#pragma once
// Tests of what the panel keeps between runs: the user's settings go to a
// temporary folder of their own, and `start` makes a fresh main window from
// a command line as the panel's start does, as at its next run. At the end
// no error box may have come up.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

class CKELVARO_16_VIEWDlg;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Deletes the window there was and starts a new one with these arguments
  // (the program name is added), shown; no events have run yet.
  CKELVARO_16_VIEWDlg& start(const std::vector<std::string>& args = {});

  QTemporaryDir settings_dir_;
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};
