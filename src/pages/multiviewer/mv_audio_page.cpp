#include "pages/multiviewer/mv_audio_page.h"

#include <QComboBox>

#include "app/main_window.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"

namespace {
using C = CClass_16view_audio;

// Every control of this page is hidden, the group box included.
DialogTemplate audio_template() {
  DialogTemplate t;
  t.dialog_id = 161;
  t.size = kMvSubPageSize;
  t.controls = {
      mv_control(C::IDC_AUDIO_GROUP, ControlKind::GroupBox, {}, kMvSubPageGroupRect, false),
      mv_control(-1, ControlKind::Static, QStringLiteral("Audio Histogram"), QRect(30, 33, 120, 20),
                 false),
      mv_control(C::IDC_AUDIO_ENABLE, ControlKind::ComboList, {}, QRect(155, 30, 80, 24), false,
                 mv_off_on_items()),
      mv_control(-2, ControlKind::Static, QStringLiteral("Audio Source"), QRect(255, 33, 100, 20),
                 false),
      mv_control(C::IDC_AUDIO_SOURCE, ControlKind::ComboList, {}, QRect(360, 30, 100, 24), false,
                 mv_channel_items(kMvWindowCount)),
  };
  // Sixteen window-source lists (1015..1025, 1027..1031) that nothing fills.
  int row = 0;
  for (int id = 1015; id <= 1031; ++id) {
    if (id == C::IDC_AUDIO_GROUP) continue;
    const int x = 30 + (row / 8) * 225;
    const int y = 80 + (row % 8) * 38;
    t.controls.push_back(mv_control(-10 - row, ControlKind::Static,
                                    QStringLiteral("Window1 Source"), QRect(x, y + 3, 110, 20),
                                    false));
    t.controls.push_back(
        mv_control(id, ControlKind::ComboList, {}, QRect(x + 115, y, 90, 24), false));
    ++row;
  }
  return t;
}

}  // namespace

CClass_16view_audio::CClass_16view_audio(QWidget* shell) : PageFrame(audio_template(), 194, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_AUDIO_GROUP)->setGeometry(kMvSubPageGroupRect);
  if (m_p_main) {
    const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
    mv_select_item(combo(IDC_AUDIO_ENABLE), data.kelvaro_16_view_audio_enable);
    mv_select_item(combo(IDC_AUDIO_SOURCE), data.kelvaro_16_view_audio_source_channel - 1);
  }
  on_command(IDC_AUDIO_ENABLE, [this] { on_audio_enable(); });
  on_command(IDC_AUDIO_SOURCE, [this] { on_audio_source(); });
}

void CClass_16view_audio::on_audio_enable() {
  const int s = combo(IDC_AUDIO_ENABLE)->currentIndex();
  if (!m_p_main || s < 0) return;
  // Both commands of this tab go over the LAN, whatever the connection mode says.
  mv_device::set_audio_lan(m_p_main->transports(), m_p_main->device_target(), s != 0);
  m_p_main->m_16_view_audio_show = s != 0 ? 1 : 0;
  RecalcAudioBars(*m_p_main);
}

void CClass_16view_audio::on_audio_source() {
  const int s = combo(IDC_AUDIO_SOURCE)->currentIndex();
  if (!m_p_main || s < 0) return;
  mv_device::set_audio_source_lan(m_p_main->transports(), m_p_main->device_target(),
                                  static_cast<uint8_t>(s + 1));
}
