#include "pages/multiviewer/mv_subpage_util.h"

#include "controls/skin_button.h"

void style_mv_push_button(CSkinButton* button, const QColor& background, const QColor& text) {
  if (!button) return;
  for (auto role :
       {CSkinButton::BackgroundIn, CSkinButton::BackgroundOut, CSkinButton::BackgroundFocus})
    button->set_color(role, background);
  for (auto role : {CSkinButton::TextIn, CSkinButton::TextOut, CSkinButton::TextFocus})
    button->set_color(role, text);
}
