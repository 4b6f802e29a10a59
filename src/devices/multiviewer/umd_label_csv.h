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
#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "devices/multiviewer/mv_frames.h"

constexpr int kUmdCsvWindows = 16;
// A label may have as many UTF-16 units as the device keeps
// (kUmdTextMaxUnits); a longer one refuses the file.

using UmdLabelSet = std::array<std::optional<QString>, kUmdCsvWindows>;

struct UmdCsvRead {
  UmdLabelSet labels;  // the windows the file names; the others unset
  int bad_line = 0;    // 1-based line that refused the file; 0 when taken
  QString why;         // what is wrong with that line
  bool ok() const { return bad_line == 0; }
};

// The file of sixteen labels, window 1 first, with the header line.
QByteArray write_umd_csv(const std::array<QString, kUmdCsvWindows>& labels);
// Reads a file; on refusal `bad_line` and `why` say where and why.
UmdCsvRead read_umd_csv(const QByteArray& bytes);
