#include "pages/multiviewer/mv_set_page.h"

#include <QComboBox>
#include <QPainter>

#include "app/ip_address_edit.h"
#include "app/main_window.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"

namespace {
using C = CClass_16view_set;

QStringList resolution_items() {
  QStringList items;
  for (const Resolution& r : kResolutions) items << QString::fromLatin1(r.caption);
  return items;
}

DialogTemplate set_template() {
  DialogTemplate t;
  t.dialog_id = 163;
  t.size = kMvSubPageSize;
  const auto label = [](int id, const char* text, int x, int y, int w) {
    return mv_control(id, ControlKind::Static, QString::fromLatin1(text), QRect(x, y + 3, w, 20));
  };
  t.controls = {
      mv_control(C::IDC_SET_GROUP, ControlKind::GroupBox, {}, kMvSubPageGroupRect),
      // Device-wide switches, two columns above the line at y 180.
      label(-1, "Audio Meter Enable", 25, 30, 135),
      mv_control(C::IDC_SET_AUDIO_ENABLE, ControlKind::ComboList, {}, QRect(160, 30, 80, 24), true,
                 mv_off_on_items()),
      label(-2, "Audio Source", 255, 30, 110),
      mv_control(C::IDC_SET_AUDIO_SOURCE, ControlKind::ComboList, {}, QRect(365, 30, 95, 24), true,
                 mv_channel_items(kMvWindowCount)),
      label(-3, "Resolution Enable", 25, 70, 135),
      mv_control(C::IDC_SET_RESO_ENABLE, ControlKind::ComboList, {}, QRect(160, 70, 80, 24), true,
                 mv_off_on_items()),
      label(-4, "Resolution Type", 255, 70, 110),
      mv_control(C::IDC_SET_RESO_TYPE, ControlKind::ComboList, {}, QRect(365, 70, 95, 24), true,
                 resolution_items()),
      label(-5, "Border Enable", 25, 110, 135),
      mv_control(C::IDC_SET_BORDER, ControlKind::ComboList, {}, QRect(160, 110, 80, 24), true,
                 mv_off_on_items()),
      label(-6, "Lock State", 255, 110, 110),
      mv_control(C::IDC_SET_LOCK, ControlKind::ComboList, {}, QRect(365, 110, 95, 24), true,
                 mv_off_on_items()),
      mv_control(C::IDC_SET_DEFAULT, ControlKind::Button, QStringLiteral("Set  Default"),
                 QRect(330, 143, 130, 30)),
      // Network address below the line.
      label(-7, "IP Address", 60, 205, 120),
      mv_control(C::IDC_SET_IP_ADDRESS, ControlKind::IpAddress, {}, QRect(190, 205, 170, 24)),
      label(-8, "Subnet Mask", 60, 245, 120),
      mv_control(C::IDC_SET_IP_MASK, ControlKind::IpAddress, {}, QRect(190, 245, 170, 24)),
      label(-9, "Gateway", 60, 285, 120),
      mv_control(C::IDC_SET_IP_GATEWAY, ControlKind::IpAddress, {}, QRect(190, 285, 170, 24)),
      mv_control(C::IDC_SET_IP, ControlKind::Button, QStringLiteral("Set  IP"),
                 QRect(190, 335, 130, 32)),
  };
  return t;
}

// The gateway the page proposes: the address up to and including its last
// ".", then "1" (an address without "." gives "1").
QString proposed_gateway(const QString& address) {
  const qsizetype dot = address.lastIndexOf(QLatin1Char('.'));
  return address.left(dot + 1) + QLatin1Char('1');
}

}  // namespace

CClass_16view_set::CClass_16view_set(QWidget* shell) : PageFrame(set_template(), 194, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_SET_GROUP)->setGeometry(kMvSubPageGroupRect);
  for (int id : {IDC_SET_DEFAULT, IDC_SET_IP})
    style_mv_push_button(button(id), QColor(64, 64, 64), QColor(128, 128, 128));
  fill_from_model();

  on_command(IDC_SET_AUDIO_ENABLE, [this] { on_audio_enable(); });
  on_command(IDC_SET_AUDIO_SOURCE, [this] { on_audio_source(); });
  on_command(IDC_SET_RESO_ENABLE, [this] { on_resolution_enable(); });
  on_command(IDC_SET_RESO_TYPE, [this] { on_resolution_type(); });
  on_command(IDC_SET_BORDER, [this] { on_border(); });
  on_command(IDC_SET_LOCK, [this] { on_lock(); });
  on_command(IDC_SET_DEFAULT, [this] { on_set_default(); });
  on_command(IDC_SET_IP, [this] { on_set_ip(); });
}

IpAddressEdit* CClass_16view_set::address_field(int id) const {
  return qobject_cast<IpAddressEdit*>(control(id));
}

void CClass_16view_set::fill_from_model() {
  if (!m_p_main) return;
  // No selected row leaves the address and gateway blank.
  QString address;
  if (const DeviceEntry* row = m_p_main->selected_row())
    address =
        QString::fromLatin1(row->ip, static_cast<qsizetype>(qstrnlen(row->ip, sizeof row->ip)));
  address_field(IDC_SET_IP_ADDRESS)->set_address(address);
  address_field(IDC_SET_IP_MASK)->set_address(QStringLiteral("255.255.255.0"));
  address_field(IDC_SET_IP_GATEWAY)
      ->set_address(address.isEmpty() ? QString() : proposed_gateway(address));

  const All16ViewPageData& data = m_p_main->m_all_16_view_page_data;
  mv_select_item(combo(IDC_SET_AUDIO_ENABLE), data.kelvaro_16_view_audio_enable);
  mv_select_item(combo(IDC_SET_AUDIO_SOURCE), data.kelvaro_16_view_audio_source_channel - 1);
  mv_select_item(combo(IDC_SET_RESO_ENABLE), data.kelvaro_16_view_resolution_enable);
  mv_select_item(combo(IDC_SET_RESO_TYPE), data.kelvaro_16_view_resolution_type);
  mv_select_item(combo(IDC_SET_BORDER), data.kelvaro_16_view_border_enable);
  mv_select_item(combo(IDC_SET_LOCK), data.kelvaro_16_view_lock_state);
}

void CClass_16view_set::paint_page(QPainter& painter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(20, 180, 470, 180);
}

void CClass_16view_set::on_audio_enable() {
  if (!m_p_main) return;
  const int s = combo(IDC_SET_AUDIO_ENABLE)->currentIndex();
  if (s < 0) return;
  mv_device::set_audio(m_p_main->transports(), m_p_main->device_target(), s != 0);
  m_p_main->m_16_view_audio_show = s != 0 ? 1 : 0;
  if (mv_send_reached_link(*m_p_main)) RecalcAudioBars(*m_p_main);
}

void CClass_16view_set::on_audio_source() {
  const int s = combo(IDC_SET_AUDIO_SOURCE)->currentIndex();
  if (!m_p_main || s < 0) return;
  mv_device::set_audio_source(m_p_main->transports(), m_p_main->device_target(),
                              static_cast<uint8_t>(s + 1));
}

void CClass_16view_set::on_resolution_enable() {
  if (!m_p_main) return;
  const int s = combo(IDC_SET_RESO_ENABLE)->currentIndex();
  if (s < 0) return;
  mv_device::set_resolution_captions(m_p_main->transports(), m_p_main->device_target(), s != 0);
  m_p_main->m_16_view_reso_show = s != 0 ? 1 : 0;
  if (mv_send_reached_link(*m_p_main)) RecalcResolutionStrips(*m_p_main);
}

void CClass_16view_set::on_resolution_type() {
  if (!m_p_main) return;
  const int s = combo(IDC_SET_RESO_TYPE)->currentIndex();
  if (s < 0) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_resolution_type = static_cast<uint8_t>(s);
  mv_device::set_resolution(m_p_main->transports(), m_p_main->device_target(), s);
}

void CClass_16view_set::on_border() {
  if (!m_p_main) return;
  const int s = combo(IDC_SET_BORDER)->currentIndex();
  if (s < 0) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_border_enable = static_cast<uint8_t>(s);
  mv_device::set_border(m_p_main->transports(), m_p_main->device_target(), s != 0);
}

void CClass_16view_set::on_lock() {
  if (!m_p_main) return;
  const int s = combo(IDC_SET_LOCK)->currentIndex();
  if (s < 0) return;
  m_p_main->m_all_16_view_page_data.kelvaro_16_view_lock_state = static_cast<uint8_t>(s);
  mv_device::set_lock(m_p_main->transports(), m_p_main->device_target(), s != 0);
}

void CClass_16view_set::on_set_default() {
  if (!m_p_main) return;
  mv_device::restore_defaults(m_p_main->transports(), m_p_main->device_target());
  if (mv_send_reached_link(*m_p_main)) {
    // The device's defaults as this page knows them; window sources, labels,
    // border and lock stay as they were.
    MultiviewerModel& model = *m_p_main;
    All16ViewPageData& data = model.m_all_16_view_page_data;
    data.kelvaro_16_view_audio_enable = 1;
    model.m_16_view_audio_show = 1;
    data.kelvaro_16_view_audio_source_channel = 0;
    data.kelvaro_16_view_mode_type = 6;
    model.m_cur_window_count = 16;
    data.kelvaro_16_view_resolution_type = 0;
    data.kelvaro_16_view_resolution_enable = 0;
    model.m_16_view_reso_show = 0;
    data.kelvaro_16_view_umd_enable = 1;
    model.m_16_view_umd_show = 1;
    for (auto* colours :
         {data.kelvaro_16_view_umd_text_color, data.kelvaro_16_view_umd_back_color,
          data.kelvaro_16_view_resolution_text_color, data.kelvaro_16_view_resolution_back_color})
      std::fill(colours, colours + kMvWindowCount, uint8_t{0});
    RecalcWholePreview(model);
  }
  // The lists show the defaults whatever the transport did; lock keeps its own.
  combo(IDC_SET_RESO_TYPE)->setCurrentIndex(0);
  combo(IDC_SET_RESO_ENABLE)->setCurrentIndex(0);
  combo(IDC_SET_AUDIO_ENABLE)->setCurrentIndex(1);
  combo(IDC_SET_AUDIO_SOURCE)->setCurrentIndex(0);
  combo(IDC_SET_BORDER)->setCurrentIndex(1);
}

// Network settings (command 05: address, mask, gateway, first field first),
// always over the LAN, to the selected device's address.
void CClass_16view_set::on_set_ip() {
  if (!m_p_main) return;
  uint8_t* param = m_p_main->m_dev_net_param;
  int offset = 0;
  for (int id : {IDC_SET_IP_ADDRESS, IDC_SET_IP_MASK, IDC_SET_IP_GATEWAY}) {
    const auto bytes = address_field(id)->address_bytes();
    std::copy(bytes.begin(), bytes.end(), param + offset);
    offset += 4;
  }
  mv_device::set_network_lan(m_p_main->transports(), m_p_main->device_target(),
                             m_p_main->m_dev_net_param);
}
