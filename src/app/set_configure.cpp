#include "app/set_configure.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>

#include "app/ip_address_edit.h"
#include "app/main_window.h"
#include "app/serial_port_list.h"
#include "app/sorted_combo.h"
#include "controls/skin_button.h"
#include "devices/multiviewer/multiviewer_device.h"
#include "res/skin.h"

namespace {
DialogTemplate configure_template() {
  DialogTemplate t;
  t.dialog_id = 142;
  t.caption = QStringLiteral("Configure");
  t.size = QSize(480, 400);
  t.controls = {
      {-1, ControlKind::Static, QStringLiteral("Connection Mode"), QRect(30, 30, 130, 24)},
      {IDC_CFG_MODE_LIST,
       ControlKind::ComboList,
       {},
       QRect(170, 30, 200, 24),
       true,
       {QStringLiteral("LAN Port"), QStringLiteral("Serial Port")}},
      {-2, ControlKind::Static, QStringLiteral("Dev IP"), QRect(30, 115, 130, 24)},
      {IDC_CFG_DEV_IP, ControlKind::IpAddress, {}, QRect(170, 115, 170, 24)},
      {IDC_CFG_CHANGE_IP, ControlKind::Button, QStringLiteral("Change  IP"),
       QRect(355, 112, 100, 30)},
      {-3, ControlKind::Static, QStringLiteral("Serial Port"), QRect(30, 220, 130, 24)},
      {IDC_CFG_PORT_LIST, ControlKind::ComboSorted, {}, QRect(170, 220, 170, 24)},
      {-4, ControlKind::Static, QStringLiteral("Baud Rate"), QRect(30, 260, 130, 24)},
      {IDC_CFG_BAUD_LIST,
       ControlKind::ComboList,
       {},
       QRect(170, 260, 170, 24),
       true,
       {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
        QStringLiteral("57600"), QStringLiteral("115200")}},
      {IDC_CFG_CONNECT, ControlKind::Button, QStringLiteral("Connect"), QRect(170, 315, 110, 32)},
      {IDC_CFG_STATUS_ICON, ControlKind::Icon, {}, QRect(300, 315, 32, 32)},
  };
  return t;
}
}  // namespace

CSetConfigure::CSetConfigure(QWidget* main_window)
    : PageFrame(configure_template(), 191, main_window) {
  setWindowFlags(Qt::Dialog);
  setWindowTitle(QStringLiteral("Configure"));
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;

  m_rc_status_icon = control(IDC_CFG_STATUS_ICON)->geometry();
  auto* ports = static_cast<SortedCombo*>(combo(IDC_CFG_PORT_LIST));
  for (const QString& name : serial_port_names()) ports->add_item(name);
  ports->setCurrentIndex(ports->count() > 0 ? 0 : -1);
  combo(IDC_CFG_BAUD_LIST)->setCurrentIndex(0);
  combo(IDC_CFG_MODE_LIST)->setCurrentIndex(main ? main->m_eState : 0);
  if (main) {
    // The port and baud rate in use, or remembered from the last run.
    const int port = ports->findText(main->m_setup_memory.serial_port());
    if (port >= 0) ports->setCurrentIndex(port);
    const int baud =
        combo(IDC_CFG_BAUD_LIST)->findText(QString::number(main->m_setup_memory.baud()));
    if (baud >= 0) combo(IDC_CFG_BAUD_LIST)->setCurrentIndex(baud);
  }
  if (main) {
    if (const DeviceEntry* row = main->selected_row())
      ip_field()->set_address(QString::fromLatin1(row->ip, qstrnlen(row->ip, sizeof row->ip)));
  }
  set_serial_controls(false);
  if (main && main->m_eState == 1 && main->m_comm.is_open()) {
    // A port opened before the dialog existed (the remembered one reopened
    // at start) shows as connected, so Disconnect closes it.
    m_connected = true;
    button(IDC_CFG_CONNECT)->setText(QStringLiteral("Disconnect"));
    control(IDC_CFG_CONNECT)->setEnabled(true);
  }
  show_status_icon();

  on_command(IDC_CFG_MODE_LIST, [this] { on_mode_changed(); });
  on_command(IDC_CFG_CONNECT, [this] { on_connect(); });
  on_command(IDC_CFG_CHANGE_IP, [this] { on_change_ip(); });
}

IpAddressEdit* CSetConfigure::ip_field() const {
  return static_cast<IpAddressEdit*>(control(IDC_CFG_DEV_IP));
}

void CSetConfigure::set_serial_controls(bool enabled) {
  control(IDC_CFG_CONNECT)->setEnabled(enabled);
  control(IDC_CFG_PORT_LIST)->setEnabled(enabled);
  control(IDC_CFG_BAUD_LIST)->setEnabled(enabled);
}

void CSetConfigure::paint_page(QPainter& painter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(20, 80, 460, 80);
  painter.drawLine(20, 190, 460, 190);
}

void CSetConfigure::show_status_icon() {
  // Setting the label's pixmap repaints it, so it is set only when the
  // connection state it shows has changed, never from a paint.
  const int icon = status_icon_id();
  if (icon == m_shown_icon) return;
  m_shown_icon = icon;
  static_cast<QLabel*>(control(IDC_CFG_STATUS_ICON))->setPixmap(skin_icon(icon).pixmap(32, 32));
}

void CSetConfigure::on_mode_changed() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (combo(IDC_CFG_MODE_LIST)->currentIndex() == 1) {
    set_serial_controls(true);
    control(IDC_CFG_DEV_IP)->setEnabled(false);
    control(IDC_CFG_CHANGE_IP)->setEnabled(false);
    main->m_eState = 1;
  } else {
    set_serial_controls(false);
    control(IDC_CFG_DEV_IP)->setEnabled(true);
    control(IDC_CFG_CHANGE_IP)->setEnabled(true);
    main->m_eState = 0;
    m_connected = false;
    show_status_icon();
  }
  main->refresh_link_light();
}

void CSetConfigure::on_connect() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (m_connected) {
    disconnect_port();
    return;
  }
  const uint32_t baud = combo(IDC_CFG_BAUD_LIST)->currentText().toUInt();
  const QString name = combo(IDC_CFG_PORT_LIST)->currentText();
  if (main->m_comm.is_open()) main->m_comm.close_port(500);
  // An empty list leaves nothing to open: the port stays closed.
  if (name.isEmpty() || !main->m_comm.open_port(name.toStdString(), baud)) return;
  button(IDC_CFG_CONNECT)->setText(QStringLiteral("Disconnect"));
  control(IDC_CFG_PORT_LIST)->setEnabled(false);
  control(IDC_CFG_BAUD_LIST)->setEnabled(false);
  m_connected = true;
  show_status_icon();
}

void CSetConfigure::disconnect_port() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  main->m_comm.close_port(500);
  button(IDC_CFG_CONNECT)->setText(QStringLiteral("Connect"));
  control(IDC_CFG_PORT_LIST)->setEnabled(true);
  control(IDC_CFG_BAUD_LIST)->setEnabled(true);
  m_connected = false;
  show_status_icon();
}

// Network parameters (command 05): the new address, with mask and gateway
// zero, over the device target's medium; on the LAN only once a device is
// known.
void CSetConfigure::on_change_ip() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  const Target target = main->device_target();
  if (target.medium == Medium::Lan && main->m_device_count == 0) return;
  const auto address = ip_field()->address_bytes();
  std::fill(std::begin(main->m_dev_net_param), std::end(main->m_dev_net_param), 0);
  std::copy(address.begin(), address.end(), std::begin(main->m_dev_net_param));
  mv_device::set_network(main->transports(), target, main->m_dev_net_param);
}

void CSetConfigure::on_enter_key(QWidget*) { hide(); }
void CSetConfigure::on_escape_key(QWidget*) { hide(); }
