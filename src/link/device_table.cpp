#include "link/device_table.h"

#include <algorithm>
#include <cstring>

std::string DeviceTable::address(int row) const {
  const DeviceEntry& e = m_rows[row];
  return std::string(e.ip, strnlen(e.ip, sizeof e.ip));
}

void DeviceTable::set_device(int row, const std::string& address, uint8_t type, uint8_t id) {
  if (row < 0 || row >= kDeviceTableRows) return;
  DeviceEntry& e = m_rows[row];
  std::memset(e.ip, 0, sizeof e.ip);
  std::memcpy(e.ip, address.data(), std::min(address.size(), sizeof e.ip - 1));
  e.dev_type = type;
  e.dev_id = id;
  emit table_changed();
}

bool DeviceTable::append(const QString& text, const std::string& address, uint8_t type,
                         uint8_t id) {
  if (count() >= kDeviceTableRows) return false;
  set_device(count(), address, type, id);
  return append(text);
}

bool DeviceTable::append(const QString& text) {
  if (count() >= kDeviceTableRows) return false;
  beginInsertRows({}, count(), count());
  m_texts.append(text);
  endInsertRows();
  emit table_changed();
  return true;
}

void DeviceTable::remove(int row) {
  if (row < 0 || row >= kDeviceTableRows) return;
  std::memmove(&m_rows[row], &m_rows[row + 1],
               sizeof(DeviceEntry) * static_cast<size_t>(kDeviceTableRows - row - 1));
  std::memset(&m_rows[kDeviceTableRows - 1], 0, sizeof(DeviceEntry));
  if (row < count()) {
    beginRemoveRows({}, row, row);
    m_texts.removeAt(row);
    endRemoveRows();
  }
  emit table_changed();
}

void DeviceTable::clear() {
  clear_list();
  std::memset(m_rows, 0, sizeof m_rows);
  emit table_changed();
}

void DeviceTable::clear_list() {
  if (m_texts.isEmpty()) return;
  beginResetModel();
  m_texts.clear();
  endResetModel();
  emit table_changed();
}

int DeviceTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant DeviceTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return m_texts[index.row()];
  return {};
}

bool DeviceTable::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= count()) return false;
  if (role != Qt::DisplayRole && role != Qt::EditRole) return false;
  m_texts[index.row()] = value.toString();
  emit dataChanged(index, index, {role});
  emit table_changed();
  return true;
}

Qt::ItemFlags DeviceTable::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool DeviceTable::insertRows(int row, int n, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || row > count() || n <= 0 || count() + n > kDeviceTableRows)
    return false;
  beginInsertRows({}, row, row + n - 1);
  for (int i = 0; i < n; ++i) m_texts.insert(row, QString());
  endInsertRows();
  emit table_changed();
  return true;
}

bool DeviceTable::removeRows(int row, int n, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || n <= 0 || row + n > count()) return false;
  beginRemoveRows({}, row, row + n - 1);
  m_texts.remove(row, n);
  endRemoveRows();
  emit table_changed();
  return true;
}
