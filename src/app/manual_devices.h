#pragma once
// Devices on the LAN that the search does not list (another subnet, a kind
// the search does not take): rows the operator names by address, kind and
// id, through --device on the command line or the main window's context
// menu. They fill the table rows after the devices a LAN search found, with
// the list text kind + "_" + address as the search writes name + "_" + ip.
// Rows added in the menu are remembered in the user's settings and listed
// again at the next start; --device rows hold for one run.
//
// Table and list stay one to one: list item k is table row k. The rows of
// this file never count in m_device_count, which counts searched rows only.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devices/device_address.h"

class CKELVARO_16_VIEWDlg;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;

// The manual rows of one main window.
class ManualDevices {
 public:
  explicit ManualDevices(CKELVARO_16_VIEWDlg& dlg) : m_dlg(dlg) {}

  // Start: lists the rows remembered in the user's settings. Selects
  // nothing and sends nothing.
  void restore();
  // Start with --device rows: they come first (the remembered ones after
  // them), the first is selected and its page opened as after a search.
  void open_command_line_rows(const std::vector<ManualDevice>& devices);
  // End of a LAN search: appends the rows after the list's items (the
  // devices found, or "No Device Found"), within the table's 128 rows.
  void append_after_search();

  // Context menu: "Add device…" and "Remove device" with one entry per row.
  void add_menu_entries(QMenu& menu);
  // Runs the chosen entry; false when `chosen` is none of this file's.
  bool run_menu_entry(QAction* chosen);

  // Adds a row, remembers it and lists it at the end of the list in LAN
  // mode; false when the row is there already.
  bool add(const ManualDevice& device);
  // Removes row `index` of rows(), from the list and the table too, and
  // forgets it. A page shown for that row or a later one is closed.
  void remove(size_t index);

  std::vector<ManualDevice> rows() const;
  // Why `device` cannot be added (empty when it can).
  QString refusal(const ManualDevice& device) const;

 private:
  struct Row {
    ManualDevice device;
    bool remembered = false;  // kept in the user's settings
  };
  static std::vector<ManualDevice> load();
  void save() const;
  void list_rows_from(int first);
  bool list_row(int position, const ManualDevice& device);
  // List position of a row, or -1 when it is not listed.
  int listed_at(const ManualDevice& device) const;
  void remove_listed(int position);

  CKELVARO_16_VIEWDlg& m_dlg;
  std::vector<Row> m_rows;
  QAction* m_add_action = nullptr;
  std::vector<QAction*> m_remove_actions;
};

// "Add device": address, kind and id of a row. OK is refused, with the
// reason shown in the dialog, while the entries do not make a device.
class ManualDeviceDialog : public QDialog {
  Q_OBJECT
 public:
  // `refusal` says why a well-formed row still cannot be added (or nothing).
  ManualDeviceDialog(QWidget* parent, std::function<QString(const ManualDevice&)> refusal);
  ManualDevice device() const { return m_device; }

  QLineEdit* address_edit() const { return m_address; }
  QComboBox* kind_box() const { return m_kind; }
  QSpinBox* id_box() const { return m_id; }
  QLabel* message_label() const { return m_message; }

  void accept() override;

 private:
  std::function<QString(const ManualDevice&)> m_refusal;
  ManualDevice m_device;
  QLineEdit* m_address = nullptr;
  QComboBox* m_kind = nullptr;
  QSpinBox* m_id = nullptr;
  QLabel* m_message = nullptr;
};
