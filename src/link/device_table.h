#pragma once
// The device table: the 128 rows the exchanges address (m_device_table) and
// the list items the operator chooses from, kept one to one (list item k is
// table row k) by this one model instead of by hand. The main window's
// device list is a view of it.
//
// The rows are fixed slots: a row keeps its device until the table changes
// it, whether or not a list item shows it (the serial reader writes row 0's
// type and id before the serial search lists anything). The list part is a
// list model, so a combo box shows it and its own item calls (addItem,
// clear, removeItem) change only the texts.
#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>

// One row of the device table.
struct DeviceEntry {
  char ip[16];       // dotted-decimal ASCII, NUL-padded (at most 15 characters)
  uint8_t dev_id;    // byte 5 of the device's search reply
  uint8_t dev_type;  // byte 4 of the device's search reply
};
static_assert(sizeof(DeviceEntry) == 18);

constexpr int kDeviceTableRows = 128;

class DeviceTable : public QAbstractListModel {
  Q_OBJECT
 public:
  // ---- the rows ----
  DeviceEntry& operator[](int row) { return m_rows[row]; }
  const DeviceEntry& operator[](int row) const { return m_rows[row]; }
  DeviceEntry* begin() { return m_rows; }
  DeviceEntry* end() { return m_rows + kDeviceTableRows; }
  const DeviceEntry* begin() const { return m_rows; }
  const DeviceEntry* end() const { return m_rows + kDeviceTableRows; }
  // The row's address (its text up to the first NUL).
  std::string address(int row) const;
  // Row `row` := the device (the address cut to 15 characters).
  void set_device(int row, const std::string& address, uint8_t type, uint8_t id);

  // ---- the list ----
  int count() const { return static_cast<int>(m_texts.size()); }
  QString text(int row) const { return m_texts.value(row); }
  // Lists the next row with this device; false when all rows are listed.
  bool append(const QString& text, const std::string& address, uint8_t type, uint8_t id);
  // Lists the next row with only a text ("No Device Found", the serial
  // device's name): the row keeps what it holds.
  bool append(const QString& text);
  // Unlists row `row`; the rows after it move up one, the last is emptied.
  void remove(int row);
  // Unlists every row and empties them all.
  void clear();
  // Unlists every row; the rows keep what they hold.
  void clear_list();

  // ---- list model ----
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

 signals:
  // A row or a list item changed.
  void table_changed();

 private:
  DeviceEntry m_rows[kDeviceTableRows]{};
  QStringList m_texts;
};
