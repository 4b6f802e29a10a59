#pragma once
// Connection settings (dialog 142, "Configure"): connection mode, opening and
// closing the serial port, and sending a new IP address to the selected
// device. Created once by the settings button, then only shown and hidden.
#include "app/page_frame.h"

class IpAddressEdit;
class QLabel;

enum SetConfigureControl {
  IDC_CFG_CONNECT = 1011,
  IDC_CFG_PORT_LIST = 1014,
  IDC_CFG_BAUD_LIST = 1015,
  IDC_CFG_CHANGE_IP = 1032,
  IDC_CFG_DEV_IP = 1036,
  IDC_CFG_MODE_LIST = 1103,
  IDC_CFG_STATUS_ICON = 1104,
};

class CSetConfigure : public PageFrame {
  Q_OBJECT
 public:
  explicit CSetConfigure(QWidget* main_window);

  bool connected() const { return m_connected; }
  IpAddressEdit* ip_field() const;
  // Icon id now shown: 211 not connected, 212 connected.
  int status_icon_id() const { return m_connected ? 212 : 211; }

  void on_mode_changed();
  void on_connect();
  // Disconnect: closes the port and offers Connect again. Also how the main
  // window closes a port whose line hung up, so both leave the same state.
  void disconnect_port();
  void on_change_ip();

  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;

 protected:
  void paint_page(QPainter& painter) override;

 private:
  void set_serial_controls(bool enabled);
  // Shows the icon of status_icon_id() when it differs from the one shown.
  void show_status_icon();
  bool m_connected = false;
  int m_shown_icon = 0;  // icon id on the status label, 0 before the first
  QRect m_rc_status_icon;
};
