#include "pages/multiviewer/mv_color_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>

#include "app/main_window.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"

namespace {
using C = CClass_16view_color;

QStringList colour_items() {
  QStringList items;
  for (const char* name : kColourCodeNames) items << QString::fromLatin1(name);
  return items;
}

DialogTemplate color_template() {
  DialogTemplate t;
  t.dialog_id = 162;
  t.size = kMvSubPageSize;
  const auto label = [](int id, const char* text, int y) {
    return mv_control(id, ControlKind::Static, QString::fromLatin1(text),
                      QRect(40, y + 3, 190, 20));
  };
  const auto list = [](int id, int y, QStringList items) {
    return mv_control(id, ControlKind::ComboList, {}, QRect(235, y, 120, 24), true,
                      std::move(items));
  };
  t.controls = {
      mv_control(C::IDC_COLOR_GROUP, ControlKind::GroupBox, {}, kMvSubPageGroupRect),
      // "The UMD" and its line are painted at y 40 and 60.
      label(-1, "Source Channel", 80),
      list(C::IDC_COLOR_SOURCE_CHANNEL, 80, {}),
      mv_control(C::IDC_COLOR_ALL_CHANNEL, ControlKind::CheckBox, QStringLiteral("All Channel"),
                 QRect(365, 80, 100, 24), false),
      label(-2, "UMD Text Color", 120),
      list(C::IDC_COLOR_UMD_TEXT, 120, colour_items()),
      label(-3, "UMD Background Color", 160),
      list(C::IDC_COLOR_UMD_BACK, 160, colour_items()),
      // "The Resolution" and its line are painted at y 220 and 240.
      label(-4, "Window Channel", 260),
      list(C::IDC_COLOR_WINDOW_CHANNEL, 260, {}),
      mv_control(C::IDC_COLOR_ALL_WINDOW, ControlKind::CheckBox, QStringLiteral("All Window"),
                 QRect(365, 260, 100, 24), false),
      label(-5, "Resolution Text Color", 300),
      list(C::IDC_COLOR_RESO_TEXT, 300, colour_items()),
      label(-6, "Resolution Background Color", 340),
      list(C::IDC_COLOR_RESO_BACK, 340, colour_items()),
  };
  return t;
}

// Colour code into one window's entry (selection 1..16) or all sixteen (0).
void store_colour(uint8_t (&colours)[kMvWindowCount], uint8_t selection, uint8_t code) {
  if (selection == 0)
    std::fill(std::begin(colours), std::end(colours), code);
  else if (selection <= kMvWindowCount)
    colours[selection - 1] = code;
}

// Entry of the window a selection names; window 1 stands for all windows.
int window_entry(uint8_t selection) { return std::clamp<int>(selection, 1, kMvWindowCount) - 1; }
}  // namespace

CClass_16view_color::CClass_16view_color(QWidget* shell) : PageFrame(color_template(), 194, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_COLOR_GROUP)->setGeometry(kMvSubPageGroupRect);
  if (m_p_main) {
    // One item per window of the current screen mode after "All Channel"; a
    // stored selection beyond them falls back to all windows.
    const int windows = std::clamp<int>(m_p_main->m_cur_window_count, 0, kMvWindowCount);
    All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
    for (auto [id, selection] :
         {std::pair{IDC_COLOR_SOURCE_CHANNEL, &data.kelvaro_16_view_color_source_channel},
          std::pair{IDC_COLOR_WINDOW_CHANNEL, &data.kelvaro_16_view_color_window_channel}}) {
      QComboBox* list = combo(id);
      list->addItem(QStringLiteral("All Channel"));
      list->addItems(mv_channel_items(windows));
      if (*selection > windows) *selection = 0;
      list->setCurrentIndex(*selection);
    }
    show_umd_pair();
    show_reso_pair();
  }

  on_command(IDC_COLOR_SOURCE_CHANNEL, [this] { on_source_channel(); });
  on_command(IDC_COLOR_WINDOW_CHANNEL, [this] { on_window_channel(); });
  on_command(IDC_COLOR_UMD_TEXT, [this] { on_umd_text_colour(); });
  on_command(IDC_COLOR_UMD_BACK, [this] { on_umd_back_colour(); });
  on_command(IDC_COLOR_RESO_TEXT, [this] { on_reso_text_colour(); });
  on_command(IDC_COLOR_RESO_BACK, [this] { on_reso_back_colour(); });
  on_command(IDC_COLOR_ALL_CHANNEL, [this] {
    combo(IDC_COLOR_SOURCE_CHANNEL)->setEnabled(!check(IDC_COLOR_ALL_CHANNEL)->isChecked());
  });
  on_command(IDC_COLOR_ALL_WINDOW, [this] {
    combo(IDC_COLOR_WINDOW_CHANNEL)->setEnabled(!check(IDC_COLOR_ALL_WINDOW)->isChecked());
  });
}

void CClass_16view_color::paint_page(QPainter& painter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.setBackgroundMode(Qt::TransparentMode);
  const int ascent = painter.fontMetrics().ascent();
  // Text is placed by its top-left corner.
  painter.drawText(30, 40 + ascent, QStringLiteral("The UMD"));
  painter.drawLine(20, 60, 470, 60);
  painter.drawText(30, 220 + ascent, QStringLiteral("The Resolution"));
  painter.drawLine(20, 240, 470, 240);
}

void CClass_16view_color::show_umd_pair() {
  const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const int i = window_entry(data.kelvaro_16_view_color_source_channel);
  mv_select_item(combo(IDC_COLOR_UMD_TEXT), data.kelvaro_16_view_umd_text_color[i]);
  mv_select_item(combo(IDC_COLOR_UMD_BACK), data.kelvaro_16_view_umd_back_color[i]);
}

void CClass_16view_color::show_reso_pair() {
  const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const int i = window_entry(data.kelvaro_16_view_color_window_channel);
  mv_select_item(combo(IDC_COLOR_RESO_TEXT), data.kelvaro_16_view_resolution_text_color[i]);
  mv_select_item(combo(IDC_COLOR_RESO_BACK), data.kelvaro_16_view_resolution_back_color[i]);
}

void CClass_16view_color::on_source_channel() {
  const int s = combo(IDC_COLOR_SOURCE_CHANNEL)->currentIndex();
  if (!m_p_main || s < 0 || s > kMvWindowCount) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_color_source_channel = static_cast<uint8_t>(s);
  show_umd_pair();
}

void CClass_16view_color::on_window_channel() {
  const int s = combo(IDC_COLOR_WINDOW_CHANNEL)->currentIndex();
  if (!m_p_main || s < 0 || s > kMvWindowCount) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_color_window_channel = static_cast<uint8_t>(s);
  show_reso_pair();
}

void CClass_16view_color::on_umd_text_colour() {
  const int c = combo(IDC_COLOR_UMD_TEXT)->currentIndex();
  if (!m_p_main || c < 0) return;
  All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const uint8_t s = data.kelvaro_16_view_color_source_channel;
  store_colour(data.kelvaro_16_view_umd_text_color, s, static_cast<uint8_t>(c));
  mv_device::set_umd_text_colour(m_p_main->transports(), m_p_main->device_target(), s,
                                 static_cast<uint8_t>(c));
}

void CClass_16view_color::on_umd_back_colour() {
  const int c = combo(IDC_COLOR_UMD_BACK)->currentIndex();
  if (!m_p_main || c < 0) return;
  All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const uint8_t s = data.kelvaro_16_view_color_source_channel;
  store_colour(data.kelvaro_16_view_umd_back_color, s, static_cast<uint8_t>(c));
  RecalcUmdStrips(*m_p_main);
  const Target target = m_p_main->device_target();
  mv_device::set_umd_back_colour(m_p_main->transports(), target, s, static_cast<uint8_t>(c));
  // A running show gives this colour back to the window when its tally ends.
  m_p_main->m_show_runner.operator_colour_changed(target, s, static_cast<uint8_t>(c));
}

void CClass_16view_color::on_reso_text_colour() {
  const int c = combo(IDC_COLOR_RESO_TEXT)->currentIndex();
  if (!m_p_main || c < 0) return;
  All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const uint8_t w = data.kelvaro_16_view_color_window_channel;
  store_colour(data.kelvaro_16_view_resolution_text_color, w, static_cast<uint8_t>(c));
  mv_device::set_resolution_text_colour(m_p_main->transports(), m_p_main->device_target(), w,
                                        static_cast<uint8_t>(c));
}

void CClass_16view_color::on_reso_back_colour() {
  const int c = combo(IDC_COLOR_RESO_BACK)->currentIndex();
  if (!m_p_main || c < 0) return;
  All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const uint8_t w = data.kelvaro_16_view_color_window_channel;
  store_colour(data.kelvaro_16_view_resolution_back_color, w, static_cast<uint8_t>(c));
  mv_device::set_resolution_back_colour(m_p_main->transports(), m_p_main->device_target(), w,
                                        static_cast<uint8_t>(c));
  if (mv_send_reached_link(*m_p_main)) RecalcResolutionStrips(*m_p_main);
}
