#pragma once
// The matrix router page (dialog 206) for device types 0x81 and 0x82: eight
// input keys above, eight output keys below, and two tabs that switch the
// right-hand area between the function sub-page (the routing commands and
// LOCK) and the connection sub-page. The matrix state lives in the main
// window; the page only shows it and writes it as the operator acts.
#include <QRect>
#include <cstdint>

#include "app/page_frame.h"

enum MatrixPageControl {
  IDC_MATRIX_INPUT_1 = 1131,   // input i is 1131 + (i - 1)
  IDC_MATRIX_OUTPUT_1 = 1141,  // output j is 1141 + (j - 1)
  IDC_MATRIX_TAB_FUNCTION = 1032,
  IDC_MATRIX_TAB_SETTING = 1033,
  IDC_MATRIX_GROUP_INPUT = 1091,
  IDC_MATRIX_GROUP_OUTPUT = 1092,
  IDC_MATRIX_SUB_PAGE_HOST = 1094,
};

constexpr int kMatrixPageBitmap = 229;  // 1280 x 585, INPUT and OUTPUT panels
constexpr int kMatrixTabFunctionNormal = 192;
constexpr int kMatrixTabFunctionActive = 193;
constexpr int kMatrixTabSettingNormal = 200;
constexpr int kMatrixTabSettingActive = 201;

// Key n (1..8) of either row: grey digit 213, 215, ... / green 214, 216, ...
constexpr int matrix_key_bitmap(int n, bool active) { return 211 + 2 * n + (active ? 1 : 0); }

class CShadeButton;

class CClass_matrix_control : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_matrix_control(QWidget* parent);
  ~CClass_matrix_control() override;

  // Tab 1 (function sub-page) or 2 (connection sub-page).
  void SelectSubPage(int n);

  // Crosspoint keys.
  void SelectMatrixInput(int i);
  void ToggleMatrixOutput(int j);
  // Output j looks active exactly when it carries input i (0: none active).
  void RedrawMatrixOutputs(int i);

  // Commands of the function sub-page.
  void SendMatrixApply();
  void SendMatrixOneToAll();
  void SendMatrixOneToOne();
  void ToggleMatrixLock();

  // Reads the lock from the device (once, at page creation). Without a
  // reply the lock keeps its value.
  void QueryMatrixLock();

  // Tab button 1 (1032) or 2 (1033).
  CShadeButton* tab_button(int n) const;

  uint8_t m_cur_tab = 255;  // 1 function, 2 connection, 255 none yet
  PageFrame* m_p_cur_sub_page = nullptr;
  QRect m_rc_sub_page;

 private:
  void set_key_face(int id, int bitmap);
  void set_tab_face(int n, bool active);
  CShadeButton* m_tab_buttons[2] = {};
};
