#include "pages/multiviewer/mv_control_page.h"

#include <QComboBox>
#include <QPainter>

#include "app/main_window.h"
#include "controls/shade_button.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"

namespace {
using C = CClass_16view_control;

constexpr int kSubPageBitmap = 194;
const QRect kGroupRect(5, 5, 480, 410);
const QSize kModeButtonSize(80, 57);
const QColor kDisabledText(128, 128, 128);

// Mode button k (1..7): position, normal and pressed pictures.
struct ModeButtonSpec {
  QPoint at;
  int normal;
  int pressed;
};
const ModeButtonSpec kModeButtonSpecs[C::kModeButtons] = {
    {{40, 60}, 171, 172},  {{140, 60}, 173, 174},  {{40, 130}, 175, 176}, {{140, 130}, 177, 178},
    {{40, 200}, 179, 180}, {{140, 200}, 181, 182}, {{40, 270}, 183, 184},
};

bool valid_mode_button(int k) { return k >= 1 && k <= C::kModeButtons; }

QStringList mode_items() {
  QStringList items;
  for (const ScreenMode& m : kScreenModes) items << QString::fromUtf8(m.caption);
  return items;
}

QStringList resolution_items() {
  QStringList items;
  for (const Resolution& r : kResolutions) items << QString::fromLatin1(r.caption);
  return items;
}

QStringList source_items() {
  QStringList items;
  for (int n = 1; n <= kMvWindowCount; ++n) items << QString::asprintf("SDI %d", n);
  return items;
}

// "WIN   1" .. "WIN   9", "WIN  10" .. "WIN  16": the number right-aligned
// in three places.
QString window_label(int n) { return QStringLiteral("WIN %1").arg(n, 3); }

DialogTemplate control_template() {
  DialogTemplate t;
  t.dialog_id = 159;
  t.size = QSize(490, 420);
  t.controls.push_back({C::IDC_CTL_GROUP, ControlKind::GroupBox, {}, kGroupRect, true, {}});
  // The mode buttons are built by the page itself.
  // One row per window right of the line at x 240.
  for (int i = 0; i < kMvWindowCount; ++i) {
    const int y = 22 + 23 * i;
    t.controls.push_back({C::IDC_CTL_LABEL_1 + i,
                          ControlKind::Static,
                          window_label(i + 1),
                          QRect(262, y + 2, 62, 18),
                          true,
                          {}});
    t.controls.push_back(
        {C::IDC_CTL_SOURCE_1 + i, ControlKind::ComboList, {}, QRect(330, y, 130, 22), true, {}});
  }
  // The template's hidden lists below the mode buttons.
  const auto hidden_row = [&t](int label_id, const char* label, int list_id, int y,
                               const QStringList& items) {
    t.controls.push_back({label_id,
                          ControlKind::Static,
                          QString::fromLatin1(label),
                          QRect(20, y + 2, 110, 18),
                          false,
                          {}});
    t.controls.push_back(
        {list_id, ControlKind::ComboList, {}, QRect(130, y, 95, 22), false, items});
  };
  hidden_row(-1, "Mode Type", C::IDC_CTL_MODE_LIST, 300, {});
  hidden_row(-2, "Resolution Type", C::IDC_CTL_RESO_LIST, 325, {});
  hidden_row(-3, "Resolution Enable", C::IDC_CTL_RESO_ENABLE_LIST, 350, {});
  hidden_row(-4, "Window Index", C::IDC_CTL_WINDOW_INDEX_LIST, 375, {});
  return t;
}

// Selects item `index`, or nothing when the list has no such item.
void select_item(QComboBox* list, int index) {
  if (list) list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}
}  // namespace

int CClass_16view_control::mode_bitmap(int k, bool pressed) {
  if (!valid_mode_button(k)) return 0;
  return pressed ? kModeButtonSpecs[k - 1].pressed : kModeButtonSpecs[k - 1].normal;
}

CClass_16view_control::CClass_16view_control(QWidget* shell)
    : PageFrame(control_template(), kSubPageBitmap, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_CTL_GROUP)->setGeometry(kGroupRect);
  for (int k = 1; k <= kModeButtons; ++k) {
    auto* b = new CShadeButton(this);
    b->setObjectName(control_object_name(mode_button_id(k)));
    b->setGeometry(QRect(kModeButtonSpecs[k - 1].at, kModeButtonSize));
    b->setup_skin(mode_bitmap(k, false));
    m_mode_buttons[k - 1] = b;
  }

  // Lists and labels of windows outside the mode are shown greyed.
  for (int i = 0; i < kMvWindowCount; ++i)
    for (int id : {IDC_CTL_LABEL_1 + i, IDC_CTL_SOURCE_1 + i}) {
      QWidget* w = control(id);
      QPalette pal = w->palette();
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, kDisabledText);
      w->setPalette(pal);
    }

  if (m_p_main) {
    QueryDeviceState();
    // The query waited: the page may have been closed meanwhile.
    if (!PageGuard(this)) return;
    const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;

    combo(IDC_CTL_MODE_LIST)->addItems(mode_items());
    select_item(combo(IDC_CTL_MODE_LIST), data.kelvaro_16_view_mode_type);
    // The first press only shows the device's mode; nothing is sent.
    SelectModeButton(data.kelvaro_16_view_mode_type + 1);

    combo(IDC_CTL_RESO_LIST)->addItems(resolution_items());
    select_item(combo(IDC_CTL_RESO_LIST), data.kelvaro_16_view_resolution_type);
    combo(IDC_CTL_RESO_ENABLE_LIST)
        ->addItems({QStringLiteral("Disable"), QStringLiteral("Enable")});
    select_item(combo(IDC_CTL_RESO_ENABLE_LIST), data.kelvaro_16_view_resolution_enable);

    const QStringList sources = source_items();
    for (int i = 0; i < kMvWindowCount; ++i) {
      QComboBox* list = combo(IDC_CTL_SOURCE_1 + i);
      list->addItems(sources);
      select_item(list, m_p_main->m_16_view_window_source[i]);
    }
    RecalcWholePreview(*m_p_main);
  }

  for (int k = 1; k <= kModeButtons; ++k)
    connect(m_mode_buttons[k - 1], &QAbstractButton::clicked, this,
            [this, k] { on_mode_button(k); });
  for (int n = 1; n <= kMvWindowCount; ++n)
    on_command(IDC_CTL_SOURCE_1 + n - 1, [this, n] { on_source_changed(n); });
  on_command(IDC_CTL_MODE_LIST, [this] { on_mode_list(); });
  on_command(IDC_CTL_RESO_LIST, [this] { on_resolution_list(); });
  on_command(IDC_CTL_RESO_ENABLE_LIST, [this] { on_resolution_enable_list(); });
  on_command(IDC_CTL_WINDOW_INDEX_LIST, [this] { on_window_index_list(); });
}

CShadeButton* CClass_16view_control::mode_button(int k) const {
  return valid_mode_button(k) ? m_mode_buttons[k - 1] : nullptr;
}

void CClass_16view_control::paint_page(QPainter& painter) {
  // Between the mode buttons and the source lists.
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(240, 20, 240, 400);
}

void CClass_16view_control::SelectModeButton(int k) {
  if (!m_p_main) return;
  if (m_p_main->m_16_view_state_read == 0 &&
      m_p_main->m_all_16_view_page_data.kelvaro_16_view_lock_state != 0)
    return;  // locked, and the device has not been read yet
  if (k == m_cur_mode_button) return;

  if (CShadeButton* old = mode_button(m_cur_mode_button))
    old->set_bitmap(mode_bitmap(m_cur_mode_button, false));
  if (CShadeButton* b = mode_button(k)) b->set_bitmap(mode_bitmap(k, true));
  for (int i = 0; i < kMvWindowCount; ++i) {
    const bool used = i < m_p_main->m_cur_window_count;
    control(IDC_CTL_LABEL_1 + i)->setEnabled(used);
    control(IDC_CTL_SOURCE_1 + i)->setEnabled(used);
  }
  const uint8_t old = m_cur_mode_button;
  m_cur_mode_button = static_cast<uint8_t>(k);
  if (old == kNoModeButton) return;  // the initial press reflects the device
  SendScreenMode(k - 1);
}

void CClass_16view_control::SendScreenMode(int m) {
  if (!m_p_main) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_mode_type = static_cast<uint8_t>(m);
  const std::optional<uint8_t> count = window_count_for_mode(m);
  if (!count) return;
  mv_device::set_screen_mode(m_p_main->transports(), m_p_main->device_target(), *count);
  if (mv_send_reached_link(*m_p_main)) {
    RecalcWindowRects(*m_p_main);
    RecalcUmdStrips(*m_p_main);
    RecalcResolutionStrips(*m_p_main);
    RecalcAudioBars(*m_p_main);
  }
  m_p_main->m_cur_window_count = static_cast<int8_t>(*count);
}

void CClass_16view_control::on_mode_button(int k) {
  if (!m_p_main || !valid_mode_button(k)) return;
  // Written even when the press is refused or the button is already down.
  m_p_main->m_cur_window_count = static_cast<int8_t>(kScreenModes[k - 1].window_count);
  SelectModeButton(k);
}

void CClass_16view_control::on_source_changed(int window) {
  if (!m_p_main || window < 1 || window > kMvWindowCount) return;
  const int s = combo(IDC_CTL_SOURCE_1 + window - 1)->currentIndex();
  if (s < 0) return;
  m_p_main->m_16_view_window_source[window - 1] = static_cast<uint8_t>(s);
  m_p_main->m_16_view_change_window = static_cast<uint8_t>(window);
  // Payload: SDI number 1..16, then the window 1..16.
  const uint8_t changed = m_p_main->m_16_view_change_window;
  const Target target = m_p_main->device_target();
  const uint8_t source = m_p_main->m_16_view_window_source[changed - 1];
  mv_device::set_window_source(m_p_main->transports(), target, source, changed);
  // A running show names the window after its new source.
  m_p_main->m_show_runner.window_source_changed(target, changed, source);
}

void CClass_16view_control::on_mode_list() {
  const int s = combo(IDC_CTL_MODE_LIST)->currentIndex();
  if (s < 0) return;
  SendScreenMode(s);
}

void CClass_16view_control::on_resolution_list() {
  if (!m_p_main) return;
  const int s = combo(IDC_CTL_RESO_LIST)->currentIndex();
  if (s < 0) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_resolution_type = static_cast<uint8_t>(s);
  mv_device::set_resolution(m_p_main->transports(), m_p_main->device_target(), s);
}

void CClass_16view_control::on_resolution_enable_list() {
  if (!m_p_main) return;
  const int s = combo(IDC_CTL_RESO_ENABLE_LIST)->currentIndex();
  if (s < 0) return;
  mv_device::set_resolution_captions(m_p_main->transports(), m_p_main->device_target(), s != 0);
  if (mv_send_reached_link(*m_p_main)) RecalcResolutionStrips(*m_p_main);
  // Only the preview follows; the record's caption switch keeps its value.
  m_p_main->m_16_view_reso_show = s != 0 ? 1 : 0;
}

void CClass_16view_control::on_window_index_list() {
  if (!m_p_main) return;
  const int s = combo(IDC_CTL_WINDOW_INDEX_LIST)->currentIndex();
  if (s < 0) return;
  m_p_main->m_16_view_change_window = static_cast<uint8_t>(s + 1);
}
