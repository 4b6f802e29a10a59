#include "pages/switcher/switcher_sub_pages.h"

#include "pages/switcher/switcher_function_page.h"
#include "pages/switcher/switcher_key_pages.h"
#include "pages/switcher/switcher_pip_page.h"

PageFrame* create_switcher_sub_page(int kind, QWidget* page) {
  switch (kind) {
    case 0:
      return new CClass_switcher_function(page);
    case 1:
      return new CClass_switcher_effect(page);
    case 2:
      return new CClass_switcher_chorma(page);
    case 3:
      return new CClass_switcher_wd_pip(page);
    default:
      return nullptr;
  }
}
