#pragma once
// Multiviewer label colours (dialog 162, tab 5 of the multiviewer page): text
// and background colours of the UMD labels and of the resolution captions,
// for one window or for all windows at once.
#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;

class CClass_16view_color : public PageFrame {
 public:
  enum Control {
    IDC_COLOR_GROUP = 1027,
    IDC_COLOR_SOURCE_CHANNEL = 1060,
    IDC_COLOR_UMD_TEXT = 1044,
    IDC_COLOR_UMD_BACK = 1015,
    IDC_COLOR_WINDOW_CHANNEL = 1061,
    IDC_COLOR_RESO_TEXT = 1031,
    IDC_COLOR_RESO_BACK = 1039,
    IDC_COLOR_ALL_CHANNEL = 1070,
    IDC_COLOR_ALL_WINDOW = 1071,
  };

  explicit CClass_16view_color(QWidget* shell);

  void on_source_channel();
  void on_window_channel();
  void on_umd_text_colour();
  void on_umd_back_colour();
  void on_reso_text_colour();
  void on_reso_back_colour();

 protected:
  void paint_page(QPainter& painter) override;

 private:
  void show_umd_pair();
  void show_reso_pair();
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // repaint target of the preview
};
