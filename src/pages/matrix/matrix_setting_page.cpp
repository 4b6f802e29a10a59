#include "pages/matrix/matrix_setting_page.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>

#include "app/ip_address_edit.h"
#include "app/main_window.h"
#include "app/serial_port_list.h"
#include "controls/shade_button.h"
#include "res/skin.h"

namespace {
const QStringList kBaudRates = {QStringLiteral("9600"), QStringLiteral("19200"),
                                QStringLiteral("38400"), QStringLiteral("57600"),
                                QStringLiteral("115200")};
const QRect kConnectRect(170, 320, 110, 32);

DialogTemplate setting_template() {
  DialogTemplate t;
  t.dialog_id = 208;
  t.size = QSize(490, 420);
  t.controls = {
      {IDC_MATRIX_SET_GROUP, ControlKind::GroupBox, {}, QRect(5, 5, 480, 410)},
      {-1, ControlKind::Static, QStringLiteral("Connection Mode"), QRect(30, 35, 130, 24)},
      {IDC_MATRIX_SET_MODE_LIST, ControlKind::ComboList, {}, QRect(170, 35, 200, 24)},
      {IDC_MATRIX_SET_RADIO_NET, ControlKind::Radio, QStringLiteral("Net Work"),
       QRect(380, 35, 90, 24), false},
      {IDC_MATRIX_SET_RADIO_COM, ControlKind::Radio, QStringLiteral("Com"), QRect(380, 60, 90, 24),
       false},
      {-2, ControlKind::Static, QStringLiteral("Current IP"), QRect(30, 120, 130, 24)},
      {IDC_MATRIX_SET_DEV_IP, ControlKind::IpAddress, {}, QRect(170, 120, 170, 24)},
      {-3, ControlKind::Static, QStringLiteral("Serial Port"), QRect(30, 220, 130, 24)},
      {IDC_MATRIX_SET_PORT_LIST, ControlKind::ComboList, {}, QRect(170, 220, 170, 24)},
      {-4, ControlKind::Static, QStringLiteral("Baud Rate"), QRect(30, 265, 130, 24)},
      {IDC_MATRIX_SET_BAUD_LIST, ControlKind::ComboList, {}, QRect(170, 265, 170, 24)},
      // Connect (1032) is a shaded button, built by the page itself.
      {IDC_MATRIX_SET_STATUS_ICON, ControlKind::Icon, {}, QRect(300, 320, 32, 32)},
  };
  return t;
}
}  // namespace

CClass_matrix_child_setting::CClass_matrix_child_setting(QWidget* page)
    : PageFrame(setting_template(), kMatrixSettingBitmap, page) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;

  if (main) {
    if (const DeviceEntry* row = main->selected_row()) {
      auto* ip = static_cast<IpAddressEdit*>(control(IDC_MATRIX_SET_DEV_IP));
      ip->set_address(QString::fromLatin1(row->ip, qstrnlen(row->ip, sizeof row->ip)));
    }
  }

  QComboBox* ports = combo(IDC_MATRIX_SET_PORT_LIST);
  ports->clear();
  ports->addItems(serial_port_names());
  ports->setCurrentIndex(ports->count() > 0 ? 0 : -1);

  QComboBox* bauds = combo(IDC_MATRIX_SET_BAUD_LIST);
  bauds->addItems(kBaudRates);
  bauds->setCurrentIndex(0);

  m_rc_status_icon = control(IDC_MATRIX_SET_STATUS_ICON)->geometry();
  m_shown_icon = kIconPortClosed;
  static_cast<QLabel*>(control(IDC_MATRIX_SET_STATUS_ICON))
      ->setPixmap(skin_icon(kIconPortClosed).pixmap(32, 32));

  m_connect_button = new CShadeButton(this);
  m_connect_button->setObjectName(control_object_name(IDC_MATRIX_SET_CONNECT));
  m_connect_button->setText(QStringLiteral("Connect"));
  m_connect_button->setGeometry(kConnectRect);
  m_connect_button->set_shade();
  // Dark red while hovered or pressed, green otherwise.
  m_connect_button->set_color(CSkinButton::TextIn, QColor(178, 0, 0));
  m_connect_button->set_color(CSkinButton::TextOut, QColor(0, 128, 0));

  QComboBox* mode = combo(IDC_MATRIX_SET_MODE_LIST);
  mode->addItems({QStringLiteral("LAN Port"), QStringLiteral("Serial Port")});
  const int32_t state = main ? main->m_eState : 0;
  mode->setCurrentIndex(state == 0 || state == 1 ? state : -1);

  // Whatever the mode, the serial controls start disabled until the operator
  // picks a mode in the list.
  set_serial_controls(false);
  control(IDC_MATRIX_SET_DEV_IP)->setEnabled(true);

  on_command(IDC_MATRIX_SET_MODE_LIST, [this] { on_mode_changed(); });
  connect(m_connect_button, &QAbstractButton::clicked, this, [this] { on_connect(); });
}

void CClass_matrix_child_setting::set_serial_controls(bool enabled) {
  control(IDC_MATRIX_SET_PORT_LIST)->setEnabled(enabled);
  control(IDC_MATRIX_SET_BAUD_LIST)->setEnabled(enabled);
  m_connect_button->setEnabled(enabled);
}

void CClass_matrix_child_setting::on_mode_changed() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // The mode alone never opens or closes the port.
  if (combo(IDC_MATRIX_SET_MODE_LIST)->currentIndex() == 1) {
    main->m_eState = 1;
    set_serial_controls(true);
    control(IDC_MATRIX_SET_DEV_IP)->setEnabled(false);
  } else {
    main->m_eState = 0;
    set_serial_controls(false);
    control(IDC_MATRIX_SET_DEV_IP)->setEnabled(true);
  }
  main->refresh_link_light();
}

void CClass_matrix_child_setting::on_connect() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (m_com_connected) {
    main->m_comm.close_port(500);
    control(IDC_MATRIX_SET_PORT_LIST)->setEnabled(true);
    control(IDC_MATRIX_SET_BAUD_LIST)->setEnabled(true);
    // The device family's panels spell it this way after a disconnect.
    m_connect_button->setText(QStringLiteral("Conect"));
    m_com_connected = ~m_com_connected;
    update(m_rc_status_icon);
    return;
  }
  const uint32_t baud = combo(IDC_MATRIX_SET_BAUD_LIST)->currentText().toUInt();
  const QString name = combo(IDC_MATRIX_SET_PORT_LIST)->currentText();
  if (main->m_comm.is_open()) main->m_comm.close_port(500);
  // With no port in the list there is nothing to open: the port stays closed
  // and the sub-page unchanged.
  if (!name.isEmpty()) main->m_comm.open_port(name.toStdString(), baud);
  if (!main->m_comm.is_open()) return;
  control(IDC_MATRIX_SET_PORT_LIST)->setEnabled(false);
  control(IDC_MATRIX_SET_BAUD_LIST)->setEnabled(false);
  m_connect_button->setText(QStringLiteral("Disconnect"));
  m_com_connected = ~m_com_connected;
  update(m_rc_status_icon);
}

void CClass_matrix_child_setting::paint_page(QPainter& painter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(20, 80, 460, 80);
  painter.drawLine(20, 190, 460, 190);
  // Every repaint refreshes the status icon; it is set again only when it
  // changes so that setting it does not ask for yet another repaint.
  const int icon = status_icon_id();
  if (icon != m_shown_icon) {
    m_shown_icon = icon;
    static_cast<QLabel*>(control(IDC_MATRIX_SET_STATUS_ICON))
        ->setPixmap(skin_icon(icon).pixmap(32, 32));
  }
}
