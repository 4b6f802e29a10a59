#include "pages/processor/tm3306_page.h"

#include <QPainter>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/processor/processor_device.h"
#include "pages/processor/layout_keys.h"
#include "pages/processor/layout_preview.h"

namespace {
DialogTemplate tm3306_template() {
  DialogTemplate t;
  t.dialog_id = 377;
  t.size = QSize(1240, 580);
  // The preview sits left of the key grid at full canvas size, so the
  // operator sees the layout the device will show.
  t.controls.push_back({IDC_TM3306_PREVIEW,
                        ControlKind::Custom,
                        {},
                        QRect(5, 40, kPreviewCanvasWidth, kPreviewCanvasHeight)});
  t.controls.push_back({IDC_TM3306_GROUP, ControlKind::GroupBox, {}, QRect(800, 30, 400, 500)});
  append_layout_keys(t);
  t.controls.push_back(
      {IDC_TM3306_GROUP_HIDDEN, ControlKind::GroupBox, {}, QRect(20, 30, 760, 500), false});
  return t;
}

bool on_key(int code) { return code >= 0 && code < kLayoutKeyCount; }
}  // namespace

CClass_new_tm3306_dlg::CClass_new_tm3306_dlg(QWidget* parent)
    : PageFrame(tm3306_template(), kTm3306PageBitmap, parent) {
  if (auto* preview = preview_control())
    preview->set_paint_function([this](QPainter& canvas) { PaintLayoutPreview(canvas); });
  record_preview_rect();
  // Whatever the device shows, a new page starts at layout 0.
  if (CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg) main->m_tm3306_show_mode = 0;
  for (int code = 0; code < kLayoutKeyCount; ++code) {
    if (CSkinButton* b = button(layout_key_id(code)))
      b->setup_skin(layout_key_bitmap(code, code == 0));
    on_command(layout_key_id(code), [this, code] { SelectTm3306Layout(code); });
  }
  RecalcLayoutRects();
}

CClass_new_tm3306_dlg::~CClass_new_tm3306_dlg() = default;

QWidget* CClass_new_tm3306_dlg::create_custom_control(const ControlSpec& spec) {
  if (spec.id == IDC_TM3306_PREVIEW) return new LayoutPreviewControl(this);
  return PageFrame::create_custom_control(spec);
}

LayoutPreviewControl* CClass_new_tm3306_dlg::preview_control() const {
  return qobject_cast<LayoutPreviewControl*>(control(IDC_TM3306_PREVIEW));
}

void CClass_new_tm3306_dlg::record_preview_rect() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  QWidget* preview = preview_control();
  if (!main || !preview) return;
  main->m_rc_lq7713_show_mode_type = QRect(preview->mapToGlobal(QPoint(0, 0)), preview->size());
}

void CClass_new_tm3306_dlg::moveEvent(QMoveEvent* event) {
  PageFrame::moveEvent(event);
  record_preview_rect();
}

void CClass_new_tm3306_dlg::showEvent(QShowEvent* event) {
  PageFrame::showEvent(event);
  record_preview_rect();
}

void CClass_new_tm3306_dlg::set_key_face(int code, bool active) {
  if (!on_key(code)) return;
  if (CSkinButton* b = button(layout_key_id(code))) b->set_bitmap(layout_key_bitmap(code, active));
}

void CClass_new_tm3306_dlg::SelectTm3306Layout(int code) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || code < 0 || code > 0xFF) return;
  if (code == main->m_tm3306_show_mode) return;
  set_key_face(main->m_tm3306_show_mode, false);
  set_key_face(code, true);
  main->m_tm3306_show_mode = static_cast<uint8_t>(code);
  RecalcLayoutRects();
  SendTm3306Layout();
}

void CClass_new_tm3306_dlg::SendTm3306Layout() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // By the connection mode; the device operation traces "net" or "com".
  tm3306_device::set_layout(main->transports(), main->device_target(), main->m_tm3306_show_mode);
}

void CClass_new_tm3306_dlg::RecalcLayoutRects() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  fill_layout_slots(main->m_tm3306_win_rect, main->m_tm3306_show_mode, LayoutTable::Tm3306);
  if (QWidget* preview = preview_control()) preview->update();
}

void CClass_new_tm3306_dlg::PaintLayoutPreview(QPainter& canvas) const {
  const CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) {
    canvas.fillRect(QRect(0, 0, kPreviewCanvasWidth, kPreviewCanvasHeight), kLayoutPreviewBack);
    return;
  }
  paint_layout_canvas(canvas, main->m_tm3306_win_rect,
                      main->m_all_rk5502_page_data.preview_frame_color);
}
