#include "pages/multiviewer/mv_status_page.h"

#include <QLineEdit>

#include "app/main_window.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"

namespace {
using C = CClass_16view_status;

DialogTemplate status_template() {
  DialogTemplate t;
  t.dialog_id = 158;
  t.size = kMvSubPageSize;
  const auto row = [](int label_id, const char* label, int id, int y, bool visible) {
    return std::pair{mv_control(label_id, ControlKind::Static, QString::fromUtf8(label),
                                QRect(90, y + 3, 130, 20), visible),
                     mv_control(id, ControlKind::Edit, {}, QRect(230, y, 150, 24), visible)};
  };
  t.controls = {mv_control(C::IDC_STATUS_GROUP, ControlKind::GroupBox, {}, kMvSubPageGroupRect)};
  for (auto [label, field] : {row(-1, "Current Mode", C::IDC_STATUS_MODE, 60, false),
                              row(-2, "Audio Metra", C::IDC_STATUS_AUDIO, 110, true),
                              row(-3, "Audio Source", C::IDC_STATUS_AUDIO_SOURCE, 160, true),
                              row(-4, "Umd  State", C::IDC_STATUS_UMD, 210, true)}) {
    t.controls.push_back(label);
    t.controls.push_back(field);
  }
  return t;
}

QString on_off(uint8_t value) { return value != 0 ? QStringLiteral("ON") : QStringLiteral("OFF"); }
}  // namespace

CClass_16view_status::CClass_16view_status(QWidget* shell)
    : PageFrame(status_template(), 194, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_STATUS_GROUP)->setGeometry(kMvSubPageGroupRect);
  for (int id : {IDC_STATUS_MODE, IDC_STATUS_AUDIO, IDC_STATUS_AUDIO_SOURCE, IDC_STATUS_UMD})
    edit(id)->setReadOnly(true);
  if (!m_p_main) return;
  // The state is read over the LAN whatever the connection mode says.
  QueryDeviceStateLan();
  if (!PageGuard(this)) return;
  RecalcWholePreview(*m_p_main);
  fill_from_model();
}

void CClass_16view_status::fill_from_model() {
  const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  const uint8_t mode = data.kelvaro_16_view_mode_type;
  edit(IDC_STATUS_MODE)
      ->setText(mode < kScreenModes.size() ? QString::fromUtf8(kScreenModes[mode].caption)
                                           : QString());
  edit(IDC_STATUS_AUDIO)->setText(on_off(data.kelvaro_16_view_audio_enable));
  edit(IDC_STATUS_AUDIO_SOURCE)
      ->setText(QStringLiteral("CH_%1").arg(data.kelvaro_16_view_audio_source_channel));
  edit(IDC_STATUS_UMD)->setText(on_off(data.kelvaro_16_view_umd_enable));
}
