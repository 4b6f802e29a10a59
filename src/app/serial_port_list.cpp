#include "app/serial_port_list.h"

#include <QSerialPortInfo>

#include "link/link_options.h"

QStringList serial_port_names() {
  QStringList names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString path = info.systemLocation();
    if (!path.isEmpty() && !names.contains(path)) names << path;
  }
  for (const std::string& extra : link_options().serial_ports) {
    const QString name = QString::fromStdString(extra);
    if (!name.isEmpty() && !names.contains(name)) names << name;
  }
  return names;
}
