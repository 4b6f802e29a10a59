#include "pages/matrix/matrix_function_page.h"

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "pages/matrix/matrix_page.h"

namespace {
DialogTemplate function_template() {
  DialogTemplate t;
  t.dialog_id = 210;
  t.size = QSize(490, 420);
  t.controls = {
      {IDC_MATRIX_FN_GROUP, ControlKind::GroupBox, {}, QRect(5, 5, 480, 410)},
      {IDC_MATRIX_FN_ONE_TO_ALL, ControlKind::Button, {}, QRect(200, 100, 220, 60)},
      {IDC_MATRIX_FN_ONE_TO_ONE, ControlKind::Button, {}, QRect(200, 195, 220, 65)},
      {IDC_MATRIX_FN_APPLY, ControlKind::Button, {}, QRect(100, 300, 140, 65)},
      {IDC_MATRIX_FN_LOCK, ControlKind::Button, {}, QRect(272, 300, 140, 65)},
  };
  return t;
}
}  // namespace

CClass_matrix_child_function::CClass_matrix_child_function(CClass_matrix_control* page)
    : PageFrame(function_template(), kMatrixFunctionBitmap, page, ControlColours::Default) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  const bool locked = main && main->m_matrix_btn_lock != 0;
  button(IDC_MATRIX_FN_APPLY)->setup_skin(kMatrixApplyBitmap);
  button(IDC_MATRIX_FN_ONE_TO_ALL)->setup_skin(kMatrixOneToAllBitmap);
  button(IDC_MATRIX_FN_ONE_TO_ONE)->setup_skin(kMatrixOneToOneBitmap);
  button(IDC_MATRIX_FN_LOCK)->setup_skin(locked ? kMatrixLockOnBitmap : kMatrixLockOffBitmap);

  on_command(IDC_MATRIX_FN_APPLY, [page] { page->SendMatrixApply(); });
  on_command(IDC_MATRIX_FN_ONE_TO_ALL, [page] {
    CKELVARO_16_VIEWDlg* m = m_p_glo_main_set_or_get_dlg;
    if (m && m->m_matrix_btn_lock == 0) page->SendMatrixOneToAll();
  });
  on_command(IDC_MATRIX_FN_ONE_TO_ONE, [page] {
    CKELVARO_16_VIEWDlg* m = m_p_glo_main_set_or_get_dlg;
    if (m && m->m_matrix_btn_lock == 0) page->SendMatrixOneToOne();
  });
  // LOCK works whatever the lock state.
  on_command(IDC_MATRIX_FN_LOCK, [page] { page->ToggleMatrixLock(); });
}
