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
#include "devices/multiviewer/multiviewer_device.h"

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

// Whether a multiviewer command just went to a device (mv_device::reachable
// of the device target). Effects on the preview that follow a send happen
// only then.
inline bool mv_send_reached_link(const CKELVARO_16_VIEWDlg& main) {
  return mv_device::reachable(main.device_target(), main.m_comm.is_open());
}

// The state query of the multiviewer tabs, into the main window's model: by
// the device target's medium, over the LAN whatever it says (the status
// tab), or over the serial line. Nothing is asked of a device that cannot be
// reached (the serial port closed); otherwise m_16_view_state_read is set
// once the exchange has run, answered or not. From inside another
// exchange's wait the query runs once that one has ended.
void QueryDeviceState();
void QueryDeviceStateLan();
void QueryDeviceStateSerial();

// Selects item `index` of a list, or nothing when the list has no such item.
inline void mv_select_item(QComboBox* list, int index) {
  if (!list) return;
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// The push buttons of the sub-pages: skinned flat buttons in one background
// and one text colour whatever their state.
void style_mv_push_button(CSkinButton* button, const QColor& background, const QColor& text);
