#pragma once
// Reading the small files an operator hands over (label sets, shows) without
// trusting the path: anything but a regular file (a directory, a named pipe,
// a device) and a file of more than the caller's bound are refused before a
// byte is read; the file is opened without waiting, so a pipe swapped in
// after the check cannot hold the caller, and at most max_bytes + 1 bytes
// are ever read.
#include <QByteArray>
#include <QString>

struct SmallFile {
  QByteArray bytes;
  QString error;  // "Cannot read PATH: REASON" when refused; empty when read
  bool ok() const { return error.isEmpty(); }
};

// `what` names the kind of file in the refusal of a large one ("a label file").
SmallFile load_small_file(const QString& path, qint64 max_bytes, const QString& what);
