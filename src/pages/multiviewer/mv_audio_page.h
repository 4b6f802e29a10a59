#pragma once
// Multiviewer audio page (dialog 161, tab 4, behind a hidden tab button):
// audio meter switch and audio source, always sent over the LAN.
#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;

class CClass_16view_audio : public PageFrame {
 public:
  enum Control {
    IDC_AUDIO_GROUP = 1026,
    IDC_AUDIO_ENABLE = 1014,
    IDC_AUDIO_SOURCE = 1068,
  };

  explicit CClass_16view_audio(QWidget* shell);

  void on_audio_enable();
  void on_audio_source();

 private:
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // repaint target of the preview
};
