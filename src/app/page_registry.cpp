#include "app/page_registry.h"

#include "pages/matrix/matrix_page.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/processor/rk5502_page.h"
#include "pages/processor/tm3306_page.h"
#include "pages/switcher/switcher_page.h"

PageFrame* create_device_page(PageKind kind, QWidget* parent) {
  // Each device page registers here as it is built.
  switch (kind) {
    case PageKind::Matrix:
      return new CClass_matrix_control(parent);
    case PageKind::Multiviewer:
      return new CClass_16view_dlg(parent);
    case PageKind::Rk5502:
      return new CClass_rk5502_main_dlg(parent);
    case PageKind::Tm3306:
      return new CClass_new_tm3306_dlg(parent);
    case PageKind::Switcher:
      return new CClass_switcher_dlg(parent);
    case PageKind::None:
      break;
  }
  return nullptr;
}
