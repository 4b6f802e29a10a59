#pragma once
// The switcher's transition sub-page (dialog 240): nine wipe pattern keys in
// a 3 x 3 grid; the chosen one is the wipe pattern and goes to the device.
// The template's dip and wipe settings (times, sources, style list) stay
// hidden with empty lists; their selections still store and send.
#include <cstdint>

#include "app/page_frame.h"
#include "devices/switcher/switcher_device.h"

struct SwitcherPageData;

enum SwitcherFunctionControl {
  IDC_SW_FUNC_WIPE_SOURCE = 1039,
  IDC_SW_FUNC_MIX_TIME = 1040,
  IDC_SW_FUNC_DIP_TIME = 1041,
  IDC_SW_FUNC_WIPE_TIME = 1042,
  IDC_SW_FUNC_DIP_SOURCE = 1164,
  IDC_SW_FUNC_WIPE_STYLE = 1165,
  IDC_SW_FUNC_GROUP = 1167,
};

constexpr int kWipePatternCount = 9;

// Control of wipe pattern k (0..8): 1032..1038, 1043, 1044; 0 for others.
int wipe_pattern_id(int k);
// Face of pattern k, plain or selected; 0 for other k. Patterns 2 and 5
// share one pair of faces.
int wipe_pattern_bitmap(int k, bool selected);

class CClass_switcher_function : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_switcher_function(QWidget* page);
  ~CClass_switcher_function() override;

  // Makes k the wipe pattern: images of the old and the new key, the record,
  // and command 0x92 with k. Nothing when k is the pattern already stored.
  void SelectWipePattern(int k);

 private:
  // Pattern key k pressed.
  void on_pattern(int k);
  // A selection in one of the hidden settings lists.
  void on_setting_list(int id, switcher_device::Setting setting, uint8_t SwitcherPageData::*field);

  // Whether this sub-page has sent a pattern yet. Opening shows pattern 0
  // without telling the device, which may still run another pattern; until
  // a pattern has been sent, pressing the lit key sends it.
  bool m_pattern_sent = false;
};
