// The bounded reader of small files (see small_file.h).
#include "devices/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

SmallFile load_small_file(const QString& path, qint64 max_bytes, const QString& what) {
  SmallFile file;
  auto refuse = [&file, &path](const QString& why) {
    file.bytes.clear();
    file.error = QStringLiteral("Cannot read %1: %2").arg(path, why);
    return file;
  };
  const auto too_large = [max_bytes, &what](qint64 size) {
    return QStringLiteral("%1 bytes, more than %2 holds (at most %3 bytes)")
        .arg(size)
        .arg(what)
        .arg(max_bytes);
  };
  // The checks before the open only stat the path: opening a named pipe
  // could wait for a writer, and a large file is not read at all.
  const QFileInfo info(path);
  if (!info.exists()) return refuse(QStringLiteral("no such file"));
  if (info.isDir()) return refuse(QStringLiteral("a directory, not a file"));
  const QString not_regular =
      QStringLiteral("not a regular file (a named pipe, a device or a socket)");
  if (!info.isFile()) return refuse(not_regular);
  if (info.size() > max_bytes) return refuse(too_large(info.size()));

  // The path may name something else by the time it is opened: O_NONBLOCK
  // keeps a pipe from holding the open, and the opened file is checked again.
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(QString::fromLocal8Bit(std::strerror(errno)));
  struct stat st {};
  QString why;
  if (::fstat(fd, &st) != 0)
    why = QString::fromLocal8Bit(std::strerror(errno));
  else if (!S_ISREG(st.st_mode))
    why = S_ISDIR(st.st_mode) ? QStringLiteral("a directory, not a file") : not_regular;
  else if (st.st_size > max_bytes)
    why = too_large(st.st_size);
  // A file that grows while it is read is cut at one byte past the bound,
  // which is enough to refuse it.
  QByteArray bytes;
  if (why.isEmpty()) bytes.resize(max_bytes + 1);
  qsizetype got = 0;
  while (why.isEmpty() && got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
    if (n > 0) {
      got += n;
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      why = QString::fromLocal8Bit(std::strerror(errno));
    }
  }
  ::close(fd);
  if (why.isEmpty() && got > max_bytes)
    why = QStringLiteral("it grew past %1 bytes while it was read").arg(max_bytes);
  if (!why.isEmpty()) return refuse(why);
  bytes.truncate(got);
  file.bytes = bytes;
  return file;
}
