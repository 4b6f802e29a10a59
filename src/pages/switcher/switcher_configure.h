#pragma once
// The switcher's configuration pop-up (dialog 378, "Switcher Configure"):
// output resolution, three slider rates from 0.1 to 9.9 seconds in tenths,
// and the input of each of eight windows. Every choice goes to the device at
// once; nothing is stored, the rates live only in the text of their edits.
// Owned by the switcher page, created once and then shown and hidden; its
// window goes with the page.
#include "app/page_frame.h"

enum SwitcherConfigureControl {
  IDC_SW_CFG_RATE1_DOWN = 1032,
  IDC_SW_CFG_RATE1_UP = 1033,
  IDC_SW_CFG_RATE2_DOWN = 1034,
  IDC_SW_CFG_RATE2_UP = 1035,
  IDC_SW_CFG_RATE3_DOWN = 1036,
  IDC_SW_CFG_RATE3_UP = 1037,
  IDC_SW_CFG_RATE1 = 1040,
  IDC_SW_CFG_RATE2 = 1041,
  IDC_SW_CFG_RATE3 = 1042,
  IDC_SW_CFG_WND1 = 1208,
  IDC_SW_CFG_WND2 = 1209,
  IDC_SW_CFG_WND3 = 1210,
  IDC_SW_CFG_WND4 = 1218,
  IDC_SW_CFG_WND5 = 1220,
  IDC_SW_CFG_WND6 = 1222,
  IDC_SW_CFG_WND7 = 1224,
  IDC_SW_CFG_WND8 = 1226,
  IDC_SW_CFG_RESOLUTION = 1228,
  IDC_SW_CFG_RESOLUTION_GROUP = 1229,
  IDC_SW_CFG_RATE_GROUP = 1230,
  IDC_SW_CFG_WINDOW_GROUP = 1231,
};

// List control of window n (1..8); 0 for other n.
int switcher_window_list_id(int n);

class CClass_switcher_aux_rate_dlg : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_switcher_aux_rate_dlg(QWidget* page);
  ~CClass_switcher_aux_rate_dlg() override;

  // "-" (step -1) or "+" (step +1) of rate k (1..3), on the edit's text.
  void step_rate(int k, int step);

  // A dialog's keys: Enter and Escape close (hide) it.
  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;

 private:
  void on_resolution();
  void on_window(int n);
};
