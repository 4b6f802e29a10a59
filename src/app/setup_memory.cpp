#include "app/setup_memory.h"

#include <QComboBox>
#include <QSettings>
#include <cstring>

#include "app/main_window.h"
#include "link/trace.h"

namespace {
const QString kGroup = QStringLiteral("setup");

QString row_address(const DeviceEntry& row) {
  return QString::fromLatin1(row.ip, qstrnlen(row.ip, sizeof row.ip));
}
}  // namespace

RememberedSetup SetupMemory::load() {
  RememberedSetup s;
  QSettings settings;
  settings.beginGroup(kGroup);
  const int mode = settings.value(QStringLiteral("mode"), 0).toInt();
  s.mode = mode == 1 ? 1 : 0;
  s.serial_port = settings.value(QStringLiteral("serial_port")).toString();
  const uint32_t baud = settings.value(QStringLiteral("baud"), 0).toUInt();
  for (uint32_t rate : {9600u, 19200u, 38400u, 57600u, 115200u})
    if (baud == rate) s.baud = baud;
  s.port_open = settings.value(QStringLiteral("port_open"), false).toBool() &&
                !s.serial_port.isEmpty() && s.baud != 0;
  const std::string address =
      settings.value(QStringLiteral("device_address")).toString().toStdString();
  bool type_ok = false, id_ok = false;
  const int type = settings.value(QStringLiteral("device_type")).toInt(&type_ok);
  const int id = settings.value(QStringLiteral("device_id")).toInt(&id_ok);
  if (!address.empty()) {
    if (check_device_address(address).empty() && type_ok && id_ok && type >= 0 && type <= 255 &&
        id >= 0 && id <= 255) {
      s.device = ManualDevice{address, static_cast<uint8_t>(type), static_cast<uint8_t>(id)};
      s.device_text = settings.value(QStringLiteral("device_text")).toString();
      if (s.device_text.isEmpty()) s.device_text = manual_device_item_text(*s.device);
    } else {
      trace(lcDiscovery(), "remembered device is not one, skipped\n");
    }
  }
  settings.endGroup();
  return s;
}

void SetupMemory::enable() {
  m_enabled = true;
  m_last = load();
}

void SetupMemory::restore() {
  m_last = load();
  m_dlg.m_eState = m_last.mode;
  if (m_last.port_open && !m_dlg.m_comm.is_open() &&
      !m_dlg.m_comm.open_port(m_last.serial_port.toStdString(), m_last.baud))
    trace(lcLink(), "remembered serial port %s does not open, left closed\n",
          qUtf8Printable(m_last.serial_port));
  if (m_dlg.m_eState != 0 || !m_last.device) return;

  // The device may be among the rows listed already (a remembered manual
  // row); otherwise it joins the list's end as its own row.
  DeviceTable& table = m_dlg.m_device_table;
  const ManualDevice& d = *m_last.device;
  int position = -1;
  for (int i = 0; i < table.count() && position < 0; ++i) {
    const DeviceEntry& row = table[i];
    if (table.address(i) == d.address && row.dev_type == d.type && row.dev_id == d.id) position = i;
  }
  if (position < 0) {
    position = table.count();
    if (!table.append(m_last.device_text, d.address, d.type, d.id)) return;
  }
  m_dlg.m_device_index = static_cast<int8_t>(position);
  m_dlg.device_list()->setCurrentIndex(position);
}

void SetupMemory::save() {
  if (!m_enabled) return;
  RememberedSetup s = m_last;
  s.mode = m_dlg.m_eState;
  s.port_open = m_dlg.m_comm.is_open();
  if (s.port_open) {
    s.serial_port = QString::fromStdString(m_dlg.m_comm.port_name());
    s.baud = m_dlg.m_comm.baud();
  }
  // In LAN mode the selected row is the device; in serial mode the device
  // is whatever answers on the port, and the last LAN device is kept.
  if (m_dlg.m_eState == 0) {
    if (const DeviceEntry* row = m_dlg.selected_row(); row && row->ip[0] != '\0') {
      s.device = ManualDevice{row_address(*row).toStdString(), row->dev_type, row->dev_id};
      const int index = m_dlg.m_device_index;
      s.device_text = m_dlg.m_device_table.text(index);
    }
  }
  QSettings settings;
  settings.beginGroup(kGroup);
  settings.setValue(QStringLiteral("mode"), s.mode);
  settings.setValue(QStringLiteral("serial_port"), s.serial_port);
  settings.setValue(QStringLiteral("baud"), s.baud);
  settings.setValue(QStringLiteral("port_open"), s.port_open);
  if (s.device) {
    settings.setValue(QStringLiteral("device_address"), QString::fromStdString(s.device->address));
    settings.setValue(QStringLiteral("device_type"), s.device->type);
    settings.setValue(QStringLiteral("device_id"), s.device->id);
    settings.setValue(QStringLiteral("device_text"), s.device_text);
  }
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError)
    trace(lcDiscovery(), "cannot write the setup to %s\n", qUtf8Printable(settings.fileName()));
  m_last = s;
}

void SetupMemory::remember_selection() { save(); }

QString SetupMemory::serial_port() const {
  if (m_dlg.m_comm.is_open()) return QString::fromStdString(m_dlg.m_comm.port_name());
  return m_last.serial_port;
}

uint32_t SetupMemory::baud() const {
  if (m_dlg.m_comm.is_open()) return m_dlg.m_comm.baud();
  return m_last.baud;
}

void SetupMemory::remember_show(const QString& path) {
  if (!m_enabled) return;
  QSettings settings;
  settings.beginGroup(kGroup);
  settings.setValue(QStringLiteral("show_file"), path);
}

QString SetupMemory::remembered_show() {
  QSettings settings;
  settings.beginGroup(kGroup);
  return settings.value(QStringLiteral("show_file")).toString();
}
