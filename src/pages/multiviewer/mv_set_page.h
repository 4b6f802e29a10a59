#pragma once
// Multiviewer device settings (dialog 163, tab 6 of the multiviewer page):
// audio meter and source, output resolution and its captions, borders, lock,
// the device's network address and the restoring of the device's defaults.
// Shows the model as the last state query and later changes left it; every
// change goes to the device at once.
#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;
class IpAddressEdit;

class CClass_16view_set : public PageFrame {
 public:
  enum Control {
    IDC_SET_GROUP = 1029,
    IDC_SET_AUDIO_ENABLE = 1014,
    IDC_SET_AUDIO_SOURCE = 1039,
    IDC_SET_RESO_ENABLE = 1074,
    IDC_SET_RESO_TYPE = 1073,
    IDC_SET_BORDER = 1105,
    IDC_SET_LOCK = 1106,
    IDC_SET_DEFAULT = 1033,
    IDC_SET_IP_ADDRESS = 1036,
    IDC_SET_IP_MASK = 1037,
    IDC_SET_IP_GATEWAY = 1038,
    IDC_SET_IP = 1032,
  };

  explicit CClass_16view_set(QWidget* shell);

  IpAddressEdit* address_field(int id) const;

  void on_audio_enable();
  void on_audio_source();
  void on_resolution_enable();
  void on_resolution_type();
  void on_border();
  void on_lock();
  void on_set_default();
  void on_set_ip();

 protected:
  void paint_page(QPainter& painter) override;

 private:
  void fill_from_model();
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // repaint target of the preview
};
