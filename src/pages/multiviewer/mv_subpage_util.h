#pragma once
// Small pieces the multiviewer sub-pages share: the frame every sub-page
// draws (group box at (5, 5), 480 x 410), the channel item texts, and the
// rule for local effects that follow a send.
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <algorithm>

#include "app/main_window.h"
#include "app/page_frame.h"

class CSkinButton;

// Group box of every multiviewer sub-page.
inline const QRect kMvSubPageGroupRect(5, 5, 480, 410);
// Size of the host area the shell moves a sub-page into.
inline const QSize kMvSubPageSize(490, 420);

// One template control; lists carry their items.
inline ControlSpec mv_control(int id, ControlKind kind, const QString& caption, const QRect& rect,
                              bool visible = true, const QStringList& items = {}) {
  return ControlSpec{id, kind, caption, rect, visible, items};
}

// "CH_1" .. "CH_<last>".
inline QStringList mv_channel_items(int last) {
  QStringList items;
  for (int ch = 1; ch <= last; ++ch) items << QStringLiteral("CH_%1").arg(ch);
  return items;
}

// "OFF", "ON".
inline QStringList mv_off_on_items() { return {QStringLiteral("OFF"), QStringLiteral("ON")}; }

// Whether a multiviewer command just went to a device: always over the LAN,
// over the serial port only while the port is open; no other mode sends.
// Effects on the preview that follow a send happen only then.
inline bool mv_send_reached_link(const CKELVARO_16_VIEWDlg& main) {
  return main.m_eState == 0 || (main.m_eState == 1 && main.m_comm.is_open());
}

// Selects item `index` of a list, or nothing when the list has no such item.
inline void mv_select_item(QComboBox* list, int index) {
  if (!list) return;
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// The push buttons of the sub-pages: skinned flat buttons in one background
// and one text colour whatever their state.
void style_mv_push_button(CSkinButton* button, const QColor& background, const QColor& text);
