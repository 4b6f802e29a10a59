#pragma once
// Multiviewer status page (dialog 158, tab 1, behind a hidden tab button): a
// read-only summary of the device's state, read afresh over the LAN when the
// page opens.
#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;

class CClass_16view_status : public PageFrame {
 public:
  enum Control {
    IDC_STATUS_GROUP = 1025,
    IDC_STATUS_MODE = 1040,
    IDC_STATUS_AUDIO = 1041,
    IDC_STATUS_AUDIO_SOURCE = 1042,
    IDC_STATUS_UMD = 1043,
  };

  explicit CClass_16view_status(QWidget* shell);

 private:
  void fill_from_model();
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // repaint target of the preview
};
