#include "devices/multiviewer/umd_label_csv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>

namespace {
bool needs_quotes(const QString& label) {
  if (label.isEmpty()) return false;
  return label.contains(QLatin1Char(',')) || label.contains(QLatin1Char('"')) ||
         label.front().isSpace() || label.back().isSpace();
}

QString quoted(const QString& label) {
  QString text = label;
  text.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

// The label after the comma: plain text up to the line's end, or one quoted
// field with nothing after its closing quote.
std::optional<QString> parse_label(const QString& field, QString& why) {
  if (!field.startsWith(QLatin1Char('"'))) {
    if (field.contains(QLatin1Char('"'))) {
      why = QStringLiteral("a label with a quote must be quoted, the quote doubled");
      return std::nullopt;
    }
    if (field.contains(QLatin1Char(','))) {
      why = QStringLiteral("more than two fields (a label with a comma must be quoted)");
      return std::nullopt;
    }
    return field;
  }
  QString label;
  for (qsizetype i = 1; i < field.size(); ++i) {
    if (field[i] != QLatin1Char('"')) {
      label += field[i];
      continue;
    }
    if (i + 1 < field.size() && field[i + 1] == QLatin1Char('"')) {
      label += QLatin1Char('"');
      ++i;
      continue;
    }
    if (i + 1 != field.size()) {
      why = QStringLiteral("text after the label's closing quote");
      return std::nullopt;
    }
    return label;
  }
  why = QStringLiteral("the label's quote is not closed on its line");
  return std::nullopt;
}
}  // namespace

QByteArray write_umd_csv(const std::array<QString, kUmdCsvWindows>& labels) {
  QString text = QStringLiteral("window,label\n");
  for (int n = 1; n <= kUmdCsvWindows; ++n) {
    const QString& label = labels[n - 1];
    text += QString::number(n) + QLatin1Char(',') + (needs_quotes(label) ? quoted(label) : label) +
            QLatin1Char('\n');
  }
  return text.toUtf8();
}

UmdCsvRead read_umd_csv(const QByteArray& bytes) {
  UmdCsvRead result;
  auto refuse = [&result](int line, const QString& why) {
    result.labels = {};
    result.bad_line = line;
    result.why = why;
    return result;
  };
  const QByteArrayView data =
      bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
  // Line by line in place: a file of blank lines costs no list of lines.
  int line_no = 0;
  for (qsizetype start = 0; start <= data.size();) {
    ++line_no;
    qsizetype end = data.indexOf('\n', start);
    if (end < 0) end = data.size();
    QByteArrayView raw = data.sliced(start, end - start);
    start = end + 1;
    if (raw.endsWith('\r')) raw.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString line = utf8(raw);
    if (utf8.hasError()) return refuse(line_no, QStringLiteral("not UTF-8 text"));
    if (line.trimmed().isEmpty()) continue;
    if (line_no == 1 &&
        line.trimmed().compare(QLatin1String("window,label"), Qt::CaseInsensitive) == 0)
      continue;
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0) return refuse(line_no, QStringLiteral("no comma between window and label"));
    const QString window_text = line.left(comma).trimmed();
    bool number = false;
    const int window = window_text.toInt(&number);
    if (!number || window < 1 || window > kUmdCsvWindows)
      return refuse(line_no, QStringLiteral("unknown window '%1' (1 to 16)").arg(window_text));
    if (result.labels[window - 1])
      return refuse(line_no, QStringLiteral("window %1 is named a second time").arg(window));
    QString why;
    const std::optional<QString> label = parse_label(line.mid(comma + 1), why);
    if (!label) return refuse(line_no, why);
    for (QChar c : *label)
      if (c.category() == QChar::Other_Control)
        return refuse(line_no, QStringLiteral("a control character in the label"));
    if (label->size() > kUmdTextMaxUnits)
      return refuse(line_no, QStringLiteral("label of %1 characters (at most %2)")
                                 .arg(label->size())
                                 .arg(kUmdTextMaxUnits));
    result.labels[window - 1] = *label;
  }
  return result;
}

UmdCsvFile load_umd_csv_file(const QString& path) {
  UmdCsvFile file;
  auto refuse = [&file, &path](const QString& why) {
    file.bytes.clear();
    file.error = QStringLiteral("Cannot read %1: %2").arg(path, why);
    return file;
  };
  const auto too_large = [](qint64 size) {
    return QStringLiteral("%1 bytes, more than a label file holds (at most %2 bytes)")
        .arg(size)
        .arg(kUmdCsvMaxBytes);
  };
  // The checks before the open only stat the path: opening a named pipe
  // could wait for a writer, and a large file is not read at all.
  const QFileInfo info(path);
  if (!info.exists()) return refuse(QStringLiteral("no such file"));
  if (info.isDir()) return refuse(QStringLiteral("a directory, not a file"));
  const QString not_regular =
      QStringLiteral("not a regular file (a named pipe, a device or a socket)");
  if (!info.isFile()) return refuse(not_regular);
  if (info.size() > kUmdCsvMaxBytes) return refuse(too_large(info.size()));

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
  else if (st.st_size > kUmdCsvMaxBytes)
    why = too_large(st.st_size);
  // A file that grows while it is read is cut at one byte past the bound,
  // which is enough to refuse it.
  QByteArray bytes;
  if (why.isEmpty()) bytes.resize(kUmdCsvMaxBytes + 1);
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
  if (why.isEmpty() && got > kUmdCsvMaxBytes)
    why = QStringLiteral("it grew past %1 bytes while it was read").arg(kUmdCsvMaxBytes);
  if (!why.isEmpty()) return refuse(why);
  bytes.truncate(got);
  file.bytes = bytes;
  return file;
}
