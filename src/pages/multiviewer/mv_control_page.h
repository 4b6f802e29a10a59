#pragma once
// Multiviewer layout and window sources (dialog 159, tab 2 of the
// multiviewer page, the one shown when the page opens): reads the device's
// state, then offers the seven screen modes as picture buttons and one
// source list per window of the current mode. Every change is sent at once.
#include <cstdint>

#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;
class CShadeButton;

class CClass_16view_control : public PageFrame {
  Q_OBJECT
 public:
  enum Control {
    IDC_CTL_GROUP = 1028,
    IDC_CTL_MODE_1 = 1032,    // mode buttons 1032..1038: modes 0..6
    IDC_CTL_LABEL_1 = 1075,   // "WIN   1" .. "WIN  16": 1075..1090
    IDC_CTL_SOURCE_1 = 1101,  // source lists of windows 1..16: 1101..1116
    // Hidden for the page's whole life; their handlers stay bound.
    IDC_CTL_MODE_LIST = 1062,
    IDC_CTL_RESO_LIST = 1063,
    IDC_CTL_RESO_ENABLE_LIST = 1064,
    IDC_CTL_WINDOW_INDEX_LIST = 1014,
  };
  static constexpr int kModeButtons = 7;
  static constexpr uint8_t kNoModeButton = 0xFF;

  explicit CClass_16view_control(QWidget* shell);

  // Presses mode button k (1..7) and enables the source lists of the
  // current window count; sends the mode unless this is the first press.
  // Refused while no state query has completed and the device is locked.
  void SelectModeButton(int k);
  // Stores mode index m, sends it (0x33) and recomputes the preview.
  void SendScreenMode(int m);

  void on_mode_button(int k);
  void on_source_changed(int window);
  void on_mode_list();
  void on_resolution_list();
  void on_resolution_enable_list();
  void on_window_index_list();

  uint8_t cur_mode_button() const { return m_cur_mode_button; }
  CShadeButton* mode_button(int k) const;

  // Id, picture (normal or pressed) and place of mode button k (1..7).
  static int mode_button_id(int k) { return IDC_CTL_MODE_1 + k - 1; }
  static int mode_bitmap(int k, bool pressed);

 protected:
  void paint_page(QPainter& painter) override;

 private:
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // model and repaint target of the preview
  uint8_t m_cur_mode_button = kNoModeButton;
  CShadeButton* m_mode_buttons[kModeButtons] = {};
};
