#include "devices/multiviewer/umd_label_csv.h"

#include <QStringDecoder>

#include "devices/small_file.h"

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
  SmallFile f = load_small_file(path, kUmdCsvMaxBytes, QStringLiteral("a label file"));
  return {std::move(f.bytes), std::move(f.error)};
}
