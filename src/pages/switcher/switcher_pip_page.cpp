#include "pages/switcher/switcher_pip_page.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "app/main_window.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace {
constexpr int kPlaceMax = 120;    // bar steps; 120 x 16 = 1920, 120 x 9 = 1080
constexpr int kHeightMax = 1080;  // the hidden height bar
constexpr int kHeightTick = 9;

DialogTemplate pip_template() {
  DialogTemplate t;
  t.dialog_id = 306;
  t.size = kSwitcherSubPageSize;
  t.controls = {
      sw_control(IDC_SW_PIP_GROUP, ControlKind::GroupBox, {}, kSwitcherSubPageGroupRect),
      sw_control(-1, ControlKind::Static, QStringLiteral("Video Source"), QRect(20, 30, 95, 22)),
      sw_control(IDC_SW_PIP_SOURCE, ControlKind::ComboList, {}, QRect(120, 29, 110, 24)),
      sw_control(-2, ControlKind::Static, QStringLiteral("Border Enable"), QRect(20, 63, 95, 22)),
      sw_control(IDC_SW_PIP_BORDER_ENABLE, ControlKind::ComboList, {}, QRect(120, 62, 110, 24)),
      sw_control(-3, ControlKind::Static, QStringLiteral("Border Color"), QRect(20, 96, 95, 22)),
      sw_control(IDC_SW_PIP_BORDER_COLOR, ControlKind::ComboList, {}, QRect(120, 95, 110, 24)),
      sw_control(-4, ControlKind::Static, QStringLiteral("Border Width"), QRect(20, 129, 95, 22)),
      sw_control(IDC_SW_PIP_BORDER_WIDTH, ControlKind::ComboList, {}, QRect(120, 128, 110, 24)),
  };
  const struct {
    int caption_id;
    const char* caption;
    int bar;
    int edit;
  } rows[] = {
      {-5, "Window X Pos", IDC_SW_PIP_X, IDC_SW_PIP_X_EDIT},
      {-6, "Window Y Pos", IDC_SW_PIP_Y, IDC_SW_PIP_Y_EDIT},
      {-7, "Window Width", IDC_SW_PIP_WIDTH, IDC_SW_PIP_WIDTH_EDIT},
  };
  int y = 165;
  for (const auto& r : rows) {
    t.controls.push_back(sw_control(r.caption_id, ControlKind::Static,
                                    QString::fromLatin1(r.caption), QRect(20, y, 120, 18)));
    t.controls.push_back(sw_control(r.bar, ControlKind::Slider, {}, QRect(15, y + 20, 165, 30)));
    t.controls.push_back(sw_control(r.edit, ControlKind::Edit, {}, QRect(185, y + 24, 50, 22)));
    y += 65;
  }
  t.controls.push_back(sw_control(-8, ControlKind::Static, QStringLiteral("Window Height"),
                                  QRect(20, y, 120, 18), false));
  t.controls.push_back(
      sw_control(IDC_SW_PIP_HEIGHT, ControlKind::Slider, {}, QRect(15, y + 20, 165, 30), false));
  return t;
}

void fill_list(QComboBox* list, const QStringList& items) {
  if (!list) return;
  list->clear();
  list->addItems(items);
  list->setCurrentIndex(0);
}
}  // namespace

CClass_switcher_wd_pip::CClass_switcher_wd_pip(QWidget* page)
    : PageFrame(pip_template(), kSwitcherSubPageBitmap, page) {
  if (QWidget* group = control(IDC_SW_PIP_GROUP)) group->setGeometry(kSwitcherSubPageGroupRect);
  // The record is not read: the window opens at its defaults.
  fill_list(combo(IDC_SW_PIP_SOURCE), switcher_video_source_items());
  fill_list(combo(IDC_SW_PIP_BORDER_ENABLE), {QStringLiteral("Disable"), QStringLiteral("Enable")});
  fill_list(combo(IDC_SW_PIP_BORDER_COLOR), {QStringLiteral("White"), QStringLiteral("Red"),
                                             QStringLiteral("Green"), QStringLiteral("Blue")});
  QStringList widths;
  for (int w = 1; w <= 7; ++w) widths << QString::number(w);
  fill_list(combo(IDC_SW_PIP_BORDER_WIDTH), widths);

  on_command(IDC_SW_PIP_SOURCE, [this] {
    on_list(IDC_SW_PIP_SOURCE, switcher_device::Setting::PipSource, &SwitcherPageData::pip_source);
  });
  on_command(IDC_SW_PIP_BORDER_ENABLE, [this] {
    on_list(IDC_SW_PIP_BORDER_ENABLE, switcher_device::Setting::PipBorderEnable,
            &SwitcherPageData::pip_border_enable);
  });
  on_command(IDC_SW_PIP_BORDER_COLOR, [this] {
    on_list(IDC_SW_PIP_BORDER_COLOR, switcher_device::Setting::PipBorderColor,
            &SwitcherPageData::pip_border_color);
  });
  on_command(IDC_SW_PIP_BORDER_WIDTH, [this] {
    on_list(IDC_SW_PIP_BORDER_WIDTH, switcher_device::Setting::PipBorderWidth,
            &SwitcherPageData::pip_border_width);
  });

  static const Place places[] = {
      {IDC_SW_PIP_X, IDC_SW_PIP_X_EDIT, switcher_device::PipPlace::X, 16, &SwitcherPageData::pip_x},
      {IDC_SW_PIP_Y, IDC_SW_PIP_Y_EDIT, switcher_device::PipPlace::Y, 9, &SwitcherPageData::pip_y},
      {IDC_SW_PIP_WIDTH, IDC_SW_PIP_WIDTH_EDIT, switcher_device::PipPlace::Size, 16,
       &SwitcherPageData::pip_size},
  };
  for (const Place& place : places) {
    setup_level_bar(bar(place.bar), kPlaceMax, 1);
    if (QSlider* b = bar(place.bar)) b->setValue(0);
    if (QLineEdit* e = edit(place.edit)) {
      e->setReadOnly(true);
      e->setText(QStringLiteral("0"));
    }
    watch_bar_release(
        bar(place.bar), [this, &place](int p) { place_released(place, p); },
        [this, &place](int p) { place_settled(place, p); });
  }
  setup_level_bar(bar(IDC_SW_PIP_HEIGHT), kHeightMax, kHeightTick);
  if (QSlider* height = bar(IDC_SW_PIP_HEIGHT)) height->setValue(0);
}

CClass_switcher_wd_pip::~CClass_switcher_wd_pip() = default;

QSlider* CClass_switcher_wd_pip::bar(int id) const { return qobject_cast<QSlider*>(control(id)); }

void CClass_switcher_wd_pip::on_enter_key(QWidget*) { trace_sub_page_key(); }
void CClass_switcher_wd_pip::on_escape_key(QWidget*) { trace_sub_page_key(); }

void CClass_switcher_wd_pip::on_list(int id, switcher_device::Setting setting,
                                     uint8_t SwitcherPageData::*field) {
  SwitcherPageData* data = switcher_data();
  QComboBox* list = combo(id);
  if (!data || !list || list->currentIndex() < 0) return;
  data->*field = static_cast<uint8_t>(list->currentIndex());
  run_switcher_op(switcher_device::setting, setting, data->*field);
}

void CClass_switcher_wd_pip::place_released(const Place& place, int position) {
  if (!switcher_data()) return;
  const uint16_t pixels = static_cast<uint16_t>(position * place.scale);
  run_switcher_op(switcher_device::pip_place, place.place, pixels);
}

void CClass_switcher_wd_pip::place_settled(const Place& place, int position) {
  SwitcherPageData* data = switcher_data();
  if (!data) return;
  data->*place.field = static_cast<uint16_t>(position);
  if (QLineEdit* e = edit(place.edit)) e->setText(QString::asprintf("%d", position * place.scale));
}
