#pragma once
// The sixteen layout keys both processor pages share: which key stands for a
// layout code, where it sits, and which skin face it shows.
#include <QRect>

#include "app/dialog_template.h"

// Code k (0..15) on key 1032 + k; the device-only codes 16 and 17 on the
// hidden key 1048.
constexpr int kLayoutKeyFirst = 1032;
constexpr int kLayoutKeyCount = 16;
constexpr int kLayoutKeyHidden = 1048;

// Key of a layout code, 0 for a code no key stands for.
int layout_key_id(int code);

// Face of a code's key: 309 + 2k normal and 310 + 2k active for k = 0..15,
// 371 / 372 for 16 and 373 / 374 for 17; 0 for any other code.
int layout_key_bitmap(int code, bool active);

// Place of a code's key on the page: a grid of four columns 90 pixels apart
// from x 830 and four rows 60 pixels apart from y 160, each key 68 x 48
// (codes 1 and 2: 68 x 50). The hidden key of codes 16 and 17 takes a fifth
// row. An empty rectangle for other codes.
QRect layout_key_rect(int code);

// Adds keys 1032..1047 to a page template, visible.
void append_layout_keys(DialogTemplate& tpl);
