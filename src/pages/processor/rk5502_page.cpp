#include "pages/processor/rk5502_page.h"

#include <QPainter>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/processor/processor_device.h"
#include "link/trace.h"
#include "pages/processor/layout_keys.h"
#include "pages/processor/layout_preview.h"

namespace {
DialogTemplate rk5502_template() {
  DialogTemplate t;
  t.dialog_id = 308;
  t.size = QSize(1240, 580);
  // The preview sits left of the key grid at full canvas size, so the
  // operator sees the layout the device will show.
  t.controls.push_back({IDC_RK5502_PREVIEW,
                        ControlKind::Custom,
                        {},
                        QRect(5, 40, kPreviewCanvasWidth, kPreviewCanvasHeight)});
  t.controls.push_back({IDC_RK5502_GROUP, ControlKind::GroupBox, {}, QRect(800, 30, 400, 500)});
  append_layout_keys(t);
  t.controls.push_back(
      {IDC_RK5502_LAYOUT_HIDDEN, ControlKind::Button, {}, layout_key_rect(16), false});
  t.controls.push_back(
      {IDC_RK5502_GROUP_HIDDEN_1, ControlKind::GroupBox, {}, QRect(20, 30, 760, 500), false});
  t.controls.push_back(
      {IDC_RK5502_GROUP_HIDDEN_2, ControlKind::GroupBox, {}, QRect(800, 30, 400, 500), false});
  return t;
}

bool single_inset(int code) { return code >= 7 && code <= 10; }
}  // namespace

CClass_rk5502_main_dlg::CClass_rk5502_main_dlg(QWidget* parent)
    : PageFrame(rk5502_template(), kRk5502PageBitmap, parent) {
  if (auto* preview = preview_control())
    preview->set_paint_function([this](QPainter& canvas) { PaintLayoutPreview(canvas); });
  record_preview_rect();
  // No key is active until the device's layout is known.
  for (int code = 0; code < kLayoutKeyCount; ++code) {
    if (CSkinButton* b = button(layout_key_id(code))) b->setup_skin(layout_key_bitmap(code, false));
    on_command(layout_key_id(code), [this, code] { SelectRk5502Layout(code); });
  }
  if (CSkinButton* b = button(IDC_RK5502_LAYOUT_HIDDEN))
    b->setup_skin(layout_key_bitmap(16, false));
  if (m_p_glo_main_set_or_get_dlg) QueryRk5502State();
}

CClass_rk5502_main_dlg::~CClass_rk5502_main_dlg() = default;

QWidget* CClass_rk5502_main_dlg::create_custom_control(const ControlSpec& spec) {
  if (spec.id == IDC_RK5502_PREVIEW) return new LayoutPreviewControl(this);
  return PageFrame::create_custom_control(spec);
}

LayoutPreviewControl* CClass_rk5502_main_dlg::preview_control() const {
  return qobject_cast<LayoutPreviewControl*>(control(IDC_RK5502_PREVIEW));
}

void CClass_rk5502_main_dlg::record_preview_rect() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  QWidget* preview = preview_control();
  if (!main || !preview) return;
  main->m_rc_rk5502_show_mode_type = QRect(preview->mapToGlobal(QPoint(0, 0)), preview->size());
}

void CClass_rk5502_main_dlg::moveEvent(QMoveEvent* event) {
  PageFrame::moveEvent(event);
  record_preview_rect();
}

void CClass_rk5502_main_dlg::showEvent(QShowEvent* event) {
  PageFrame::showEvent(event);
  record_preview_rect();
}

void CClass_rk5502_main_dlg::set_key_face(int code, bool active) {
  if (CSkinButton* b = button(layout_key_id(code))) b->set_bitmap(layout_key_bitmap(code, active));
}

void CClass_rk5502_main_dlg::QueryRk5502State() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // The reply may come after this page has gone (closed during the wait, or
  // the query queued behind another one): it is then not shown.
  rk5502_device::query_state(
      main->transports(), main->device_target(),
      [page = PageGuard(this), this, main](const Outcome&, std::optional<Rk5502StateReply> reply) {
        if (page && reply) ShowRk5502State(*main, *reply);
      });
}

void CClass_rk5502_main_dlg::ShowRk5502State(CKELVARO_16_VIEWDlg& main,
                                             const Rk5502StateReply& reply) {
  Rk5502PageData& data = main.m_all_rk5502_page_data;
  data.output_format = reply.output_format;
  data.show_mode = reply.show_mode;
  for (int line = 0; line < 4; ++line)
    if (reply.umd_name_len[line] > kRk5502UmdNameMax)
      trace(lcProcessor(), "line %d umdNameLen is wrong,please check the recv data. \n", line);
  data.pip_child_ch[0] = reply.pip_child_ch[0];
  data.pip_child_ch[1] = reply.pip_child_ch[1];
  data.loop_state = reply.loop_state;
  // The device's own layout is shown, not sent back to it.
  m_state_just_read = 1;
  const uint8_t received = data.show_mode;
  data.show_mode = 0xFF;
  SelectRk5502Layout(received);
}

void CClass_rk5502_main_dlg::SelectRk5502Layout(int code) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || code < 0 || code > 0xFF) return;
  Rk5502PageData& data = main->m_all_rk5502_page_data;
  // A key that already shows the layout does nothing; but while no key is
  // active (no state reply at creation) the stored layout may not be what the
  // device shows, so its key still selects and sends.
  if (code == data.show_mode && m_layout_shown) return;
  set_key_face(data.show_mode, false);
  set_key_face(code, true);
  m_layout_shown = layout_key_id(code) != 0;
  data.show_mode = static_cast<uint8_t>(code);
  if (single_inset(code)) {
    data.pip_child_ch[0] = 1;
    if (data.pip_child_ch[1] == 1) data.pip_child_ch[1] = 2;
  }
  // The preview first: the pause after the frame runs events, and the page
  // may be gone after it.
  RecalcLayoutRects();
  if (m_state_just_read)
    m_state_just_read = 0;
  else
    SendRk5502Layout();
}

void CClass_rk5502_main_dlg::SendRk5502Layout() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // Over UDP whatever the connection mode (the device operation's rule).
  rk5502_device::set_layout(main->transports(), main->device_target(),
                            main->m_all_rk5502_page_data.show_mode);
}

void CClass_rk5502_main_dlg::RecalcLayoutRects() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  fill_layout_slots(main->m_rk5502_win_rect, main->m_all_rk5502_page_data.show_mode,
                    LayoutTable::Rk5502);
  if (QWidget* preview = preview_control()) preview->update();
}

void CClass_rk5502_main_dlg::PaintLayoutPreview(QPainter& canvas) const {
  const CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) {
    canvas.fillRect(QRect(0, 0, kPreviewCanvasWidth, kPreviewCanvasHeight), kLayoutPreviewBack);
    return;
  }
  paint_layout_canvas(canvas, main->m_rk5502_win_rect,
                      main->m_all_rk5502_page_data.preview_frame_color);
}
