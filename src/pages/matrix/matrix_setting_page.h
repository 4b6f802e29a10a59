#pragma once
// The matrix page's connection sub-page (dialog 208): connection mode, the
// selected device's address, and opening or closing the serial port without
// leaving the matrix page.
#include <QRect>
#include <cstdint>

#include "app/page_frame.h"

enum MatrixSettingControl {
  IDC_MATRIX_SET_MODE_LIST = 1102,
  IDC_MATRIX_SET_DEV_IP = 1036,
  IDC_MATRIX_SET_PORT_LIST = 1014,
  IDC_MATRIX_SET_BAUD_LIST = 1098,
  IDC_MATRIX_SET_CONNECT = 1032,
  IDC_MATRIX_SET_STATUS_ICON = 1099,
  IDC_MATRIX_SET_GROUP = 1201,
  IDC_MATRIX_SET_RADIO_NET = 1012,
  IDC_MATRIX_SET_RADIO_COM = 1013,
};

constexpr int kMatrixSettingBitmap = 194;
constexpr int kIconPortClosed = 211;  // red power symbol
constexpr int kIconPortOpen = 212;    // blue symbol

class CShadeButton;

class CClass_matrix_child_setting : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_matrix_child_setting(QWidget* page);

  void on_mode_changed();
  void on_connect();

  // Icon the status control shows after the next paint.
  int status_icon_id() const { return m_com_connected ? kIconPortOpen : kIconPortClosed; }
  CShadeButton* connect_button() const { return m_connect_button; }

  // Non-zero while this sub-page's own Connect opened the port.
  int32_t m_com_connected = 0;
  QRect m_rc_status_icon;

 protected:
  void paint_page(QPainter& painter) override;

 private:
  void set_serial_controls(bool enabled);
  int m_shown_icon = 0;
  CShadeButton* m_connect_button = nullptr;
};
