#pragma once
// The switcher's picture-in-picture sub-page (dialog 306): source and border
// of the small window, and its place and width on a 1920 x 1080 picture set
// with three bars. A bar position p stands for p x 16 pixels across and
// p x 9 pixels down; a place goes to the device when the mouse releases its
// bar.
#include <cstdint>

#include "app/page_frame.h"
#include "devices/switcher/switcher_device.h"

class QSlider;
struct SwitcherPageData;

enum SwitcherPipControl {
  IDC_SW_PIP_X_EDIT = 1040,
  IDC_SW_PIP_Y_EDIT = 1041,
  IDC_SW_PIP_WIDTH_EDIT = 1042,
  IDC_SW_PIP_GROUP = 1169,
  IDC_SW_PIP_X = 1170,
  IDC_SW_PIP_Y = 1171,
  IDC_SW_PIP_WIDTH = 1172,
  IDC_SW_PIP_HEIGHT = 1173,  // hidden, no effect
  IDC_SW_PIP_BORDER_ENABLE = 1180,
  IDC_SW_PIP_BORDER_COLOR = 1181,
  IDC_SW_PIP_BORDER_WIDTH = 1182,
  IDC_SW_PIP_SOURCE = 1183,
};

class CClass_switcher_wd_pip : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_switcher_wd_pip(QWidget* page);
  ~CClass_switcher_wd_pip() override;

  QSlider* bar(int id) const;
  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;

 private:
  struct Place {
    int bar;
    int edit;
    switcher_device::PipPlace place;
    int scale;  // pixels per bar step
    uint16_t SwitcherPageData::*field;
  };
  void on_list(int id, switcher_device::Setting setting, uint8_t SwitcherPageData::*field);
  // The left button came up on a place bar: send the scaled position.
  void place_released(const Place& place, int position);
  // The bar has let the mouse go: store the position, show the pixels.
  void place_settled(const Place& place, int position);
};
