#pragma once
// Multiviewer UMD labels (dialog 160, tab 3 of the multiviewer page): the
// sixteen window labels, each sent when Enter is pressed in its field, and
// the labels of all windows switched on or off at once.
#include <cstdint>

#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;

class CClass_16view_umd : public PageFrame {
 public:
  enum Control {
    IDC_UMD_GROUP = 1030,
    IDC_UMD_FIRST_FIELD = 1035,  // window n: 1035 + 2 * (n - 1)
    IDC_UMD_FIRST_LINE = 1034,   // hidden check box of window n: 1034 + 2 * (n - 1)
    IDC_UMD_ENABLE = 1072,
    IDC_UMD_ALL_ON = 1066,
    IDC_UMD_ALL_OFF = 1067,
    IDC_UMD_EXPORT = 1073,  // the labels to a CSV file
    IDC_UMD_IMPORT = 1074,  // labels from a CSV file, each changed one sent
  };
  // Characters the operator may type into one label field.
  static constexpr int kUmdFieldMaxChars = 10;

  explicit CClass_16view_umd(QWidget* shell);

  static int field_id(int window) { return IDC_UMD_FIRST_FIELD + 2 * (window - 1); }
  // Index 0..15 of the field whose label was sent last; -1 (0xFF) when Enter
  // was pressed outside the label fields or not at all.
  int8_t umd_string_index() const { return m_umd_string_index; }

  // Shows the model's label of window 1..16 in its field, unless the
  // operator is typing in that field.
  void show_label(int window);

  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;
  void on_umd_enable(int selection);
  // Writes the sixteen labels to `path` (umd_label_csv.h), whole or not at
  // all: when writing fails the file there stays as it was. False, with the
  // operator told why, when the file cannot be written.
  bool export_labels(const QString& path);
  // Reads `path`; when the whole file is sound, sends each label that differs
  // from its field's text as Enter would, in window order, and shows the
  // labels in the fields. A file with a bad line is refused whole, with a
  // message naming the line, and nothing is sent; what is no regular file or
  // is larger than a label file may be is refused unread (load_umd_csv_file).
  // Returns the labels sent, -1 when refused.
  int import_labels(const QString& path);

 protected:
  void paint_page(QPainter& painter) override;

 private:
  void send_label(int window);
  CKELVARO_16_VIEWDlg* m_p_main = nullptr;  // repaint target of the preview
  int8_t m_umd_string_index = -1;
};
