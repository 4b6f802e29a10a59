#include "pages/processor/layout_keys.h"

int layout_key_id(int code) {
  if (code >= 0 && code < kLayoutKeyCount) return kLayoutKeyFirst + code;
  if (code == 16 || code == 17) return kLayoutKeyHidden;
  return 0;
}

int layout_key_bitmap(int code, bool active) {
  const int face = active ? 1 : 0;
  if (code >= 0 && code < kLayoutKeyCount) return 309 + 2 * code + face;
  if (code == 16) return 371 + face;
  if (code == 17) return 373 + face;
  return 0;
}

QRect layout_key_rect(int code) {
  if (code < 0 || code > 17) return {};
  const int slot = code < kLayoutKeyCount ? code : kLayoutKeyCount;
  const int height = (code == 1 || code == 2) ? 50 : 48;
  return QRect(830 + 90 * (slot % 4), 160 + 60 * (slot / 4), 68, height);
}

void append_layout_keys(DialogTemplate& tpl) {
  for (int code = 0; code < kLayoutKeyCount; ++code)
    tpl.controls.push_back({layout_key_id(code), ControlKind::Button, {}, layout_key_rect(code)});
}
