#include "pages/switcher/switcher_key_pages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "app/main_window.h"
#include "devices/switcher/switcher_device.h"
#include "link/trace.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace {
constexpr int kLevelMax = 255;
constexpr std::array<int, 3> kEdits = {IDC_SW_KEY_RED_EDIT, IDC_SW_KEY_GREEN_EDIT,
                                       IDC_SW_KEY_BLUE_EDIT};
constexpr switcher_device::Colour kLevelColours[3] = {
    switcher_device::Colour::Red, switcher_device::Colour::Green, switcher_device::Colour::Blue};
const char* const kLevelTraces[3] = {" r = %d \n", " g = %d \n", " b = %d \n"};

// Key 1 opens at 16 on every bar.
constexpr uint8_t kLumaOpeningLevel = 16;
// Key 2's levels per chroma type, set again at every opening: type 0 keys
// out light blue, type 1 light green.
constexpr uint8_t kChromaRed[2] = {32, 32};
constexpr uint8_t kChromaGreen[2] = {32, 220};
constexpr uint8_t kChromaBlue[2] = {220, 32};

// The three bars with their captions and edits, from the row at `top`.
void add_level_rows(DialogTemplate& t, const std::array<int, 3>& bars, int top) {
  const char* const captions[3] = {"Red", "Green", "Blue"};
  for (int c = 0; c < 3; ++c) {
    const int y = top + 70 * c;
    t.controls.push_back(sw_control(-10 - c, ControlKind::Static, QString::fromLatin1(captions[c]),
                                    QRect(20, y, 80, 18)));
    t.controls.push_back(sw_control(bars[c], ControlKind::Slider, {}, QRect(15, y + 20, 170, 30)));
    t.controls.push_back(sw_control(kEdits[c], ControlKind::Edit, {}, QRect(190, y + 24, 45, 22)));
  }
}

DialogTemplate effect_template() {
  DialogTemplate t;
  t.dialog_id = 242;
  t.size = kSwitcherSubPageSize;
  t.controls = {
      sw_control(IDC_SW_KEY1_GROUP, ControlKind::GroupBox, {}, kSwitcherSubPageGroupRect),
      sw_control(-1, ControlKind::Static, QStringLiteral("Video Source"), QRect(20, 35, 90, 22)),
      sw_control(IDC_SW_KEY1_SOURCE, ControlKind::ComboList, {}, QRect(115, 34, 115, 24)),
  };
  add_level_rows(t, {IDC_SW_KEY1_RED, IDC_SW_KEY1_GREEN, IDC_SW_KEY1_BLUE}, 110);
  t.controls.push_back(sw_control(-2, ControlKind::Static, QStringLiteral("Key1 换成了亮度"),
                                  QRect(20, 330, 200, 20), false));
  return t;
}

DialogTemplate chorma_template() {
  DialogTemplate t;
  t.dialog_id = 307;
  t.size = kSwitcherSubPageSize;
  t.controls = {
      sw_control(IDC_SW_KEY2_GROUP, ControlKind::GroupBox, {}, kSwitcherSubPageGroupRect),
      sw_control(-1, ControlKind::Static, QStringLiteral("Video Source"), QRect(20, 35, 90, 22)),
      sw_control(IDC_SW_KEY2_SOURCE, ControlKind::ComboList, {}, QRect(115, 34, 115, 24)),
      sw_control(-3, ControlKind::Static, QStringLiteral("Chorma Type"), QRect(20, 70, 90, 22)),
      sw_control(IDC_SW_KEY2_TYPE, ControlKind::ComboList, {}, QRect(115, 69, 115, 24)),
  };
  add_level_rows(t, {IDC_SW_KEY2_RED, IDC_SW_KEY2_GREEN, IDC_SW_KEY2_BLUE}, 110);
  t.controls.push_back(sw_control(-2, ControlKind::Static, QStringLiteral("Key2换成了色度"),
                                  QRect(20, 330, 200, 20), false));
  return t;
}

void fill_source_list(QComboBox* list) {
  if (!list) return;
  list->clear();
  list->addItems(switcher_video_source_items());
  list->setCurrentIndex(0);
}

// The slot of the chroma levels for a type. The record is shared, so a type
// outside the two is kept within them rather than written past the levels.
int chroma_slot(uint8_t type) { return std::min<int>(type, 1); }
}  // namespace

// ---------------------------------------------------------------- keyer base

SwitcherKeyerPage::SwitcherKeyerPage(const DialogTemplate& tpl, const std::array<int, 3>& bars,
                                     QWidget* page)
    : PageFrame(tpl, kSwitcherSubPageBitmap, page), m_bars(bars) {
  for (int c = 0; c < 3; ++c) {
    setup_level_bar(level_bar(c), kLevelMax, 1);
    if (QLineEdit* e = edit(kEdits[c])) e->setReadOnly(true);
    watch_bar_release(
        level_bar(c), [this, c](int level) { level_released(c, level); },
        [this, c](int level) { level_settled(c, level); });
  }
}

QSlider* SwitcherKeyerPage::level_bar(int colour) const {
  if (colour < 0 || colour > 2) return nullptr;
  return qobject_cast<QSlider*>(control(m_bars[colour]));
}

void SwitcherKeyerPage::set_levels(int red, int green, int blue) {
  const int levels[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c) {
    if (QSlider* bar = level_bar(c)) bar->setValue(levels[c]);
    show_level(c);
  }
}

void SwitcherKeyerPage::show_level(int colour) {
  QSlider* bar = level_bar(colour);
  QLineEdit* e = edit(kEdits[colour]);
  if (bar && e) e->setText(QString::asprintf("%02d", bar->value()));
}

void SwitcherKeyerPage::on_enter_key(QWidget*) { trace_sub_page_key(); }
void SwitcherKeyerPage::on_escape_key(QWidget*) { trace_sub_page_key(); }

// ---------------------------------------------------------------- key 1

CClass_switcher_effect::CClass_switcher_effect(QWidget* page)
    : SwitcherKeyerPage(effect_template(), {IDC_SW_KEY1_RED, IDC_SW_KEY1_GREEN, IDC_SW_KEY1_BLUE},
                        page) {
  if (QWidget* group = control(IDC_SW_KEY1_GROUP)) group->setGeometry(kSwitcherSubPageGroupRect);
  fill_source_list(combo(IDC_SW_KEY1_SOURCE));
  set_levels(kLumaOpeningLevel, kLumaOpeningLevel, kLumaOpeningLevel);
  on_command(IDC_SW_KEY1_SOURCE, [this] { on_source(); });
}

CClass_switcher_effect::~CClass_switcher_effect() = default;

namespace {
uint8_t& luma_level(SwitcherPageData& data, int colour) {
  return colour == 0 ? data.luma_red : colour == 1 ? data.luma_green : data.luma_blue;
}
uint8_t& chroma_level(SwitcherPageData& data, int colour) {
  const int slot = chroma_slot(data.chroma_type);
  return colour == 0   ? data.chroma_red[slot]
         : colour == 1 ? data.chroma_green[slot]
                       : data.chroma_blue[slot];
}
}  // namespace

void CClass_switcher_effect::on_source() {
  SwitcherPageData* data = switcher_data();
  QComboBox* list = combo(IDC_SW_KEY1_SOURCE);
  if (!data || !list || list->currentIndex() < 0) return;
  data->luma_source = static_cast<uint8_t>(list->currentIndex());
  run_switcher_op(switcher_device::setting, switcher_device::Setting::LumaSource,
                  data->luma_source);
}

void CClass_switcher_effect::level_released(int colour, int level) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  luma_level(*data, colour) = static_cast<uint8_t>(level);
  run_switcher_op(switcher_device::key_level, kLevelColours[colour], static_cast<uint8_t>(level));
}

void CClass_switcher_effect::level_settled(int colour, int level) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  show_level(colour);
  luma_level(*data, colour) = static_cast<uint8_t>(level);
}

// ---------------------------------------------------------------- key 2

CClass_switcher_chorma::CClass_switcher_chorma(QWidget* page)
    : SwitcherKeyerPage(chorma_template(), {IDC_SW_KEY2_RED, IDC_SW_KEY2_GREEN, IDC_SW_KEY2_BLUE},
                        page) {
  if (QWidget* group = control(IDC_SW_KEY2_GROUP)) group->setGeometry(kSwitcherSubPageGroupRect);
  fill_source_list(combo(IDC_SW_KEY2_SOURCE));
  if (QComboBox* type = combo(IDC_SW_KEY2_TYPE)) {
    type->addItems({QStringLiteral("Key Light Blue"), QStringLiteral("Key Light Green")});
    type->setCurrentIndex(0);
  }
  // The remembered levels start again from each type's defaults; the
  // remembered type is kept.
  if (CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg) {
    SwitcherPageData& data = main->m_all_switcher_page_data;
    std::copy(std::begin(kChromaRed), std::end(kChromaRed), data.chroma_red);
    std::copy(std::begin(kChromaGreen), std::end(kChromaGreen), data.chroma_green);
    std::copy(std::begin(kChromaBlue), std::end(kChromaBlue), data.chroma_blue);
  }
  set_levels(kChromaRed[0], kChromaGreen[0], kChromaBlue[0]);
  on_command(IDC_SW_KEY2_SOURCE, [this] { on_source(); });
  on_command(IDC_SW_KEY2_TYPE, [this] { on_chroma_type(); });
}

CClass_switcher_chorma::~CClass_switcher_chorma() = default;

void CClass_switcher_chorma::on_source() {
  SwitcherPageData* data = switcher_data();
  QComboBox* list = combo(IDC_SW_KEY2_SOURCE);
  if (!data || !list || list->currentIndex() < 0) return;
  data->chroma_source = static_cast<uint8_t>(list->currentIndex());
  run_switcher_op(switcher_device::setting, switcher_device::Setting::ChromaSource,
                  data->chroma_source);
}

void CClass_switcher_chorma::on_chroma_type() {
  SwitcherPageData* data = switcher_data();
  QComboBox* list = combo(IDC_SW_KEY2_TYPE);
  if (!data || !list) return;
  const int type = list->currentIndex();
  if (type < 0 || type > 1) return;
  trace(lcSwitcher(), type == 0 ? "1 \n" : "2 \n");
  const int levels[3] = {data->chroma_red[type], data->chroma_green[type], data->chroma_blue[type]};
  for (int c = 0; c < 3; ++c) trace(lcSwitcher(), kLevelTraces[c], levels[c]);
  set_levels(levels[0], levels[1], levels[2]);
  data->chroma_type = static_cast<uint8_t>(type);
  run_switcher_op(switcher_device::setting, switcher_device::Setting::ChromaType,
                  data->chroma_type);
}

void CClass_switcher_chorma::level_released(int colour, int level) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  chroma_level(*data, colour) = static_cast<uint8_t>(level);
  run_switcher_op(switcher_device::key_level, kLevelColours[colour], static_cast<uint8_t>(level));
}

void CClass_switcher_chorma::level_settled(int colour, int) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  show_level(colour);
  trace(lcSwitcher(), kLevelTraces[colour], chroma_level(*data, colour));
}
