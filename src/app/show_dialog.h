#pragma once
// The "Show…" dialog: every part of a show in fields (sources, the three
// devices, what feeds each multiviewer SDI input and switcher input, the
// tally colours, TSL), loaded from and saved to a show file, and started or
// stopped on the main window.
//
// The fields are turned into the show file's JSON and read back with
// read_show, so the dialog takes exactly what a file would and, when it
// refuses, says why with the reader's own words (which name the key). While
// the fields are refused, Save and Start only show that reason.
#include <QDialog>
#include <optional>

#include "show/show_file.h"

class CKELVARO_16_VIEWDlg;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

class ShowDialog : public QDialog {
  Q_OBJECT
 public:
  // Opens on the main window's running show, or on an empty show.
  explicit ShowDialog(CKELVARO_16_VIEWDlg& main, QWidget* parent = nullptr);

  // Puts `show` into the fields (`path`: the file it came from, if any).
  void set_show(const Show& show, const QString& path = {});
  // The JSON the fields give, and the show read from it (or why not).
  QByteArray fields_json() const;
  ShowRead edited() const;

  // What the buttons do once a file is chosen; false (and the reason in
  // the dialog) when the file is not read or not written.
  bool load_file(const QString& path);
  bool save_file(const QString& path);
  // Start: the edited show on the main window; false when refused.
  bool start();
  void stop();

  // The line that says why the fields are refused (empty when taken) and
  // the one that says what runs.
  QLabel* refusal_line() const { return m_refusal; }
  QLabel* status_line() const { return m_status; }
  QPushButton* button(const QString& name) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build();
  void add_source_row(int number, const QString& name);
  void add_source();
  void remove_source();
  // Re-reads the fields; shows the refusal or clears it. The read show.
  ShowRead check();
  void refresh_status();
  // The feed choices name the sources as the table names them.
  void refresh_source_names();

  CKELVARO_16_VIEWDlg& m_main;
  QString m_path;                   // the file last loaded or saved here
  std::optional<Show> m_file_show;  // what that file holds
  bool m_filling = false;           // set_show is writing the fields

  QTableWidget* m_sources = nullptr;
  QLineEdit* m_multiviewer = nullptr;
  QLineEdit* m_router = nullptr;
  QLineEdit* m_routes = nullptr;
  QLineEdit* m_switcher = nullptr;
  QComboBox* m_mv_feed[kShowSdiInputs] = {};
  QComboBox* m_sw_feed[kShowSwitcherInputs] = {};
  QComboBox* m_program = nullptr;
  QComboBox* m_preview = nullptr;
  QSpinBox* m_listen = nullptr;
  QLineEdit* m_from = nullptr;
  QLineEdit* m_send = nullptr;
  QSpinBox* m_screen = nullptr;
  QLabel* m_refusal = nullptr;
  QLabel* m_status = nullptr;
  QPushButton* m_stop = nullptr;
};
