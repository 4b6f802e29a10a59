#pragma once
// UMD label sets as CSV files: one line "window,label" per window, UTF-8.
//
//   window,label          optional header, first line only
//   1,CAM 1               window 1..16, a comma, the label
//   2,"Studio, left"      a label with a comma, a quote or blanks at either
//   3,"Say ""hi"""        end is quoted, a quote inside doubled
//
// Blank lines are skipped; a UTF-8 byte order mark and CR LF line ends are
// accepted. A file is taken whole or not at all: one bad line refuses it.
//
// Sixteen labels of 16 units, quoted and with CR LF ends, stay well under a
// kilobyte; a file of more than kUmdCsvMaxBytes is refused before it is read.
#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "devices/multiviewer/mv_frames.h"

constexpr int kUmdCsvWindows = 16;
constexpr qint64 kUmdCsvMaxBytes = 64 * 1024;
// A label may have as many UTF-16 units as the device keeps
// (kUmdTextMaxUnits); a longer one refuses the file.

using UmdLabelSet = std::array<std::optional<QString>, kUmdCsvWindows>;

struct UmdCsvRead {
  UmdLabelSet labels;  // the windows the file names; the others unset
  int bad_line = 0;    // 1-based line that refused the file; 0 when taken
  QString why;         // what is wrong with that line
  bool ok() const { return bad_line == 0; }
};

// The bytes of a label file, or why the file was refused.
struct UmdCsvFile {
  QByteArray bytes;
  QString error;  // "Cannot read PATH: REASON" when refused; empty when read
  bool ok() const { return error.isEmpty(); }
};

// The file of sixteen labels, window 1 first, with the header line.
QByteArray write_umd_csv(const std::array<QString, kUmdCsvWindows>& labels);
// Reads a file; on refusal `bad_line` and `why` say where and why.
UmdCsvRead read_umd_csv(const QByteArray& bytes);
// The UMD tab's import and kelvaro-ctl's `mv labels` read their file here.
// Anything but a regular file (a directory, a named pipe, a device) and a
// file of more than kUmdCsvMaxBytes are refused before a byte is read; the
// file is opened without waiting, so a pipe swapped in after the check cannot
// hold the caller, and at most kUmdCsvMaxBytes + 1 bytes are ever read.
UmdCsvFile load_umd_csv_file(const QString& path);
