#pragma once
// The serial port names offered to the operator: the system's ports (as
// device paths) plus the extra names given with --serial-port.
#include <QStringList>

QStringList serial_port_names();
