#include "pages/matrix/matrix_page.h"

#include <algorithm>
#include <array>

#include "app/main_window.h"
#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "devices/matrix/matrix_device.h"
#include "pages/matrix/matrix_function_page.h"
#include "pages/matrix/matrix_setting_page.h"

namespace {
DialogTemplate matrix_template() {
  DialogTemplate t;
  t.dialog_id = 206;
  t.size = QSize(1240, 580);
  for (int n = 1; n <= kMatrixPorts; ++n) {
    const int x = 80 + 68 * (n - 1);
    t.controls.push_back(
        {IDC_MATRIX_INPUT_1 + n - 1, ControlKind::Button, {}, QRect(x, 180, 60, 65)});
    t.controls.push_back(
        {IDC_MATRIX_OUTPUT_1 + n - 1, ControlKind::Button, {}, QRect(x, 380, 60, 65)});
  }
  // The two tabs are shaded buttons, built by the page itself.
  t.controls.push_back(
      {IDC_MATRIX_SUB_PAGE_HOST, ControlKind::StaticFrame, {}, QRect(750, 105, 490, 420)});
  // Frames around the two rows; the template keeps them hidden.
  t.controls.push_back(
      {IDC_MATRIX_GROUP_INPUT, ControlKind::GroupBox, {}, QRect(60, 140, 580, 130), false});
  t.controls.push_back(
      {IDC_MATRIX_GROUP_OUTPUT, ControlKind::GroupBox, {}, QRect(60, 340, 580, 130), false});
  return t;
}

bool valid_port(int n) { return n >= 1 && n <= kMatrixPorts; }
}  // namespace

CClass_matrix_control::CClass_matrix_control(QWidget* parent)
    : PageFrame(matrix_template(), kMatrixPageBitmap, parent, ControlColours::Default) {
  // Every key starts grey: a stored input is not shown until it is clicked
  // again or the outputs are redrawn.
  for (int n = 1; n <= kMatrixPorts; ++n) {
    const int in = IDC_MATRIX_INPUT_1 + n - 1;
    const int out = IDC_MATRIX_OUTPUT_1 + n - 1;
    if (CSkinButton* b = button(in)) b->setup_skin(matrix_key_bitmap(n, false));
    if (CSkinButton* b = button(out)) b->setup_skin(matrix_key_bitmap(n, false));
    on_command(in, [this, n] { SelectMatrixInput(n); });
    on_command(out, [this, n] { ToggleMatrixOutput(n); });
  }

  m_rc_sub_page = control(IDC_MATRIX_SUB_PAGE_HOST)->geometry();

  const struct {
    int id;
    QRect rect;
  } tabs[2] = {{IDC_MATRIX_TAB_FUNCTION, QRect(748, 25, 80, 75)},
               {IDC_MATRIX_TAB_SETTING, QRect(840, 25, 90, 75)}};
  for (int n = 1; n <= 2; ++n) {
    auto* b = new CShadeButton(this);
    b->setObjectName(control_object_name(tabs[n - 1].id));
    b->setGeometry(tabs[n - 1].rect);
    m_tab_buttons[n - 1] = b;
    set_tab_face(n, false);
    b->draw_transparent();
    b->draw_border(false);
    connect(b, &QAbstractButton::clicked, this, [this, n] { SelectSubPage(n); });
  }

  if (m_p_glo_main_set_or_get_dlg) QueryMatrixLock();
  if (!PageGuard(this)) return;
  SelectSubPage(1);
}

CClass_matrix_control::~CClass_matrix_control() = default;

CShadeButton* CClass_matrix_control::tab_button(int n) const {
  return n == 1 || n == 2 ? m_tab_buttons[n - 1] : nullptr;
}

void CClass_matrix_control::set_tab_face(int n, bool active) {
  static constexpr int kFaces[2][2] = {{kMatrixTabFunctionNormal, kMatrixTabFunctionActive},
                                       {kMatrixTabSettingNormal, kMatrixTabSettingActive}};
  if (CShadeButton* b = tab_button(n)) b->set_bitmap(kFaces[n - 1][active ? 1 : 0]);
}

void CClass_matrix_control::set_key_face(int id, int bitmap) {
  if (CSkinButton* b = button(id)) b->set_bitmap(bitmap);
}

void CClass_matrix_control::SelectSubPage(int n) {
  if (n != 1 && n != 2) return;
  if (n == m_cur_tab) return;
  if (m_cur_tab == 1 || m_cur_tab == 2) set_tab_face(m_cur_tab, false);
  if (m_p_cur_sub_page) {
    PageFrame* old = m_p_cur_sub_page;
    m_p_cur_sub_page = nullptr;
    old->destroy_page();
  }
  PageFrame* sub = nullptr;
  if (n == 1) {
    sub = new CClass_matrix_child_function(this);
  } else {
    sub = new CClass_matrix_child_setting(this);
  }
  set_tab_face(n, true);
  m_p_cur_sub_page = sub;
  sub->setGeometry(m_rc_sub_page);
  sub->show();
  sub->update();
  m_cur_tab = static_cast<uint8_t>(n);
}

void CClass_matrix_control::SelectMatrixInput(int i) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || !valid_port(i)) return;
  if (main->m_matrix_btn_lock || i == main->m_matrix_input) return;
  main->m_eMatrixState = 1;
  if (valid_port(main->m_matrix_input))
    set_key_face(IDC_MATRIX_INPUT_1 + main->m_matrix_input - 1,
                 matrix_key_bitmap(main->m_matrix_input, false));
  set_key_face(IDC_MATRIX_INPUT_1 + i - 1, matrix_key_bitmap(i, true));
  main->m_matrix_input = static_cast<uint8_t>(i);
  RedrawMatrixOutputs(i);
}

void CClass_matrix_control::ToggleMatrixOutput(int j) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || !valid_port(j)) return;
  if (main->m_matrix_btn_lock || main->m_matrix_input == 0) return;
  // Taking the output for this input also takes it away from any other.
  uint8_t& route = main->m_matrix_route[j - 1];
  route = route == main->m_matrix_input ? 0 : main->m_matrix_input;
  RedrawMatrixOutputs(main->m_matrix_input);
}

void CClass_matrix_control::RedrawMatrixOutputs(int i) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  for (int j = 1; j <= kMatrixPorts; ++j) {
    const bool active = i != 0 && main->m_matrix_route[j - 1] == i;
    set_key_face(IDC_MATRIX_OUTPUT_1 + j - 1, matrix_key_bitmap(j, active));
  }
}

void CClass_matrix_control::SendMatrixApply() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (main->m_matrix_btn_lock || main->m_matrix_input == 0 || main->m_eMatrixState != 1) return;
  // Nothing goes out when no output carries the input.
  const Target target = main->device_target();
  const uint8_t input = main->m_matrix_input;
  std::array<uint8_t, kMatrixPorts> routed{};
  for (int j = 0; j < kMatrixPorts; ++j)
    if (main->m_matrix_route[j] == input) routed[j] = input;
  const Outcome outcome =
      matrix_device::route(main->transports(), target, input, main->m_matrix_route);
  if (matrix_device::text_handed_on(target, outcome)) main->m_show_runner.routed(target, routed);
}

void CClass_matrix_control::SendMatrixOneToAll() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (main->m_matrix_btn_lock || main->m_matrix_input == 0 || main->m_eMatrixState != 1) return;
  const Target target = main->device_target();
  std::fill(std::begin(main->m_matrix_route), std::end(main->m_matrix_route), main->m_matrix_input);
  // The pause after a datagram runs events: the page may be gone after it.
  const PageGuard page(this);
  const uint8_t input = main->m_matrix_input;
  const Outcome outcome = matrix_device::one_to_all(main->transports(), target, input);
  if (matrix_device::text_handed_on(target, outcome)) {
    std::array<uint8_t, kMatrixPorts> routed;
    routed.fill(input);
    main->m_show_runner.routed(target, routed);
  }
  if (!page) return;
  if (matrix_device::text_handed_on(target, outcome)) RedrawMatrixOutputs(main->m_matrix_input);
}

void CClass_matrix_control::SendMatrixOneToOne() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (main->m_matrix_btn_lock) return;
  const Target target = main->device_target();
  for (int j = 1; j <= kMatrixPorts; ++j) main->m_matrix_route[j - 1] = static_cast<uint8_t>(j);
  const PageGuard page(this);
  const Outcome outcome = matrix_device::one_to_one(main->transports(), target);
  if (matrix_device::text_handed_on(target, outcome))
    main->m_show_runner.routed(target, {1, 2, 3, 4, 5, 6, 7, 8});
  if (!page || !matrix_device::text_handed_on(target, outcome)) return;
  if (valid_port(main->m_matrix_input))
    set_key_face(IDC_MATRIX_INPUT_1 + main->m_matrix_input - 1,
                 matrix_key_bitmap(main->m_matrix_input, false));
  RedrawMatrixOutputs(0);
  main->m_matrix_input = 0;
}

void CClass_matrix_control::QueryMatrixLock() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // The lock lives in the device and is always asked over UDP, whatever the
  // connection mode (the device operation's rule). The lock belongs to the
  // main window, which outlives any queued exchange.
  matrix_device::query_lock(main->transports(), main->device_target(),
                            [main](const Outcome&, std::optional<uint8_t> lock) {
                              if (lock) main->m_matrix_btn_lock = *lock;
                            });
}

void CClass_matrix_control::ToggleMatrixLock() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  const uint8_t next = main->m_matrix_btn_lock == 0 ? 1 : 0;
  if (m_cur_tab == 1 && m_p_cur_sub_page) {
    if (CSkinButton* lock = m_p_cur_sub_page->button(IDC_MATRIX_FN_LOCK))
      lock->set_bitmap(next ? kMatrixLockOnBitmap : kMatrixLockOffBitmap);
  }
  main->m_matrix_btn_lock = next;
  matrix_device::set_lock(main->transports(), main->device_target(), next != 0);
}
