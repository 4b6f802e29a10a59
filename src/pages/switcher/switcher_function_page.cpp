#include "pages/switcher/switcher_function_page.h"

#include <QComboBox>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/switcher/switcher_device.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace {
struct WipePattern {
  int id;
  QPoint position;  // top-left of a 50 x 50 key
  int normal;
  int selected;
};

// Index = value of wipe_style and of the frame. Each face is an arrow in the
// wipe's direction: upper left, up, right, left, outward from the centre,
// right (the faces of 2 again), lower left, down, lower right.
constexpr WipePattern kPatterns[kWipePatternCount] = {
    {1032, {30, 100}, 361, 360}, {1033, {90, 100}, 370, 369}, {1034, {150, 100}, 368, 363},
    {1035, {30, 160}, 362, 355}, {1036, {90, 160}, 359, 358}, {1037, {150, 160}, 368, 363},
    {1038, {30, 220}, 357, 356}, {1043, {90, 220}, 354, 353}, {1044, {150, 220}, 365, 364},
};
constexpr QSize kPatternKeySize(50, 50);

bool is_pattern(int k) { return k >= 0 && k < kWipePatternCount; }

DialogTemplate function_template() {
  DialogTemplate t;
  t.dialog_id = 240;
  t.size = kSwitcherSubPageSize;
  t.controls.push_back(
      sw_control(IDC_SW_FUNC_GROUP, ControlKind::GroupBox, {}, kSwitcherSubPageGroupRect));
  for (const WipePattern& p : kPatterns)
    t.controls.push_back(
        sw_control(p.id, ControlKind::Button, {}, QRect(p.position, kPatternKeySize)));
  // The dip and wipe settings below the grid: hidden, lists without items.
  const struct {
    int caption_id;
    const char* caption;
    int id;
    ControlKind kind;
  } settings[] = {
      {-1, "mix time", IDC_SW_FUNC_MIX_TIME, ControlKind::Edit},
      {-2, "dip time", IDC_SW_FUNC_DIP_TIME, ControlKind::Edit},
      {-3, "dip source", IDC_SW_FUNC_DIP_SOURCE, ControlKind::ComboList},
      {-4, "wipe time", IDC_SW_FUNC_WIPE_TIME, ControlKind::Edit},
      {-5, "wipe style", IDC_SW_FUNC_WIPE_STYLE, ControlKind::ComboList},
      {-6, "wipe source", IDC_SW_FUNC_WIPE_SOURCE, ControlKind::ComboList},
  };
  int y = 285;
  for (const auto& s : settings) {
    t.controls.push_back(sw_control(s.caption_id, ControlKind::Static,
                                    QString::fromLatin1(s.caption), QRect(20, y, 90, 16), false));
    t.controls.push_back(sw_control(s.id, s.kind, {}, QRect(115, y - 2, 110, 18), false));
    y += 17;
  }
  return t;
}
}  // namespace

int wipe_pattern_id(int k) { return is_pattern(k) ? kPatterns[k].id : 0; }

int wipe_pattern_bitmap(int k, bool selected) {
  if (!is_pattern(k)) return 0;
  return selected ? kPatterns[k].selected : kPatterns[k].normal;
}

CClass_switcher_function::CClass_switcher_function(QWidget* page)
    : PageFrame(function_template(), kSwitcherSubPageBitmap, page) {
  if (QWidget* group = control(IDC_SW_FUNC_GROUP)) group->setGeometry(kSwitcherSubPageGroupRect);
  // Every opening starts at pattern 0 without telling the device.
  if (CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg)
    main->m_all_switcher_page_data.wipe_style = 0;
  for (int k = 0; k < kWipePatternCount; ++k) {
    CSkinButton* key = button(kPatterns[k].id);
    if (!key) continue;
    key->setGeometry(QRect(kPatterns[k].position, kPatternKeySize));
    key->setup_skin(wipe_pattern_bitmap(k, k == 0));
    on_command(kPatterns[k].id, [this, k] { on_pattern(k); });
  }
  on_command(IDC_SW_FUNC_DIP_SOURCE, [this] {
    on_setting_list(IDC_SW_FUNC_DIP_SOURCE, switcher_device::Setting::DipSource,
                    &SwitcherPageData::dip_source);
  });
  on_command(IDC_SW_FUNC_WIPE_SOURCE, [this] {
    on_setting_list(IDC_SW_FUNC_WIPE_SOURCE, switcher_device::Setting::WipeSource,
                    &SwitcherPageData::wipe_source);
  });
  on_command(IDC_SW_FUNC_WIPE_STYLE, [this] {
    on_setting_list(IDC_SW_FUNC_WIPE_STYLE, switcher_device::Setting::WipePattern,
                    &SwitcherPageData::wipe_style);
  });
}

CClass_switcher_function::~CClass_switcher_function() = default;

void CClass_switcher_function::SelectWipePattern(int k) {
  SwitcherPageData* data = switcher_data();
  if (!data || k < 0 || k > 0xFF) return;
  if (k == data->wipe_style) return;
  if (CSkinButton* old_key = button(wipe_pattern_id(data->wipe_style)))
    old_key->set_bitmap(wipe_pattern_bitmap(data->wipe_style, false));
  if (CSkinButton* new_key = button(wipe_pattern_id(k)))
    new_key->set_bitmap(wipe_pattern_bitmap(k, true));
  data->wipe_style = static_cast<uint8_t>(k);
  run_switcher_op(switcher_device::wipe_pattern, data->wipe_style);
  m_pattern_sent = true;
}

void CClass_switcher_function::on_pattern(int k) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  if (k == data->wipe_style && !m_pattern_sent) {
    // The lit key after opening: its pattern is only what the page shows,
    // so it goes to the device once.
    run_switcher_op(switcher_device::wipe_pattern, data->wipe_style);
    m_pattern_sent = true;
    return;
  }
  SelectWipePattern(k);
}

void CClass_switcher_function::on_setting_list(int id, switcher_device::Setting setting,
                                               uint8_t SwitcherPageData::*field) {
  SwitcherPageData* data = switcher_data();
  QComboBox* list = combo(id);
  if (!data || !list) return;
  // A list with nothing selected has no value to send.
  const int index = list->currentIndex();
  if (index < 0 || index > 0xFF) return;
  data->*field = static_cast<uint8_t>(index);
  run_switcher_op(switcher_device::setting, setting, data->*field);
  if (setting == switcher_device::Setting::WipePattern) m_pattern_sent = true;
}
