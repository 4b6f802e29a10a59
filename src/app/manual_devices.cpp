#include "app/manual_devices.h"

#include <arpa/inet.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include "app/main_window.h"
#include "link/exchange.h"
#include "link/trace.h"

namespace {
const QString kSettingsArray = QStringLiteral("manual_devices");

bool same_row(const DeviceEntry& row, const ManualDevice& device) {
  return row.dev_type == device.type && row.dev_id == device.id &&
         std::string(row.ip, qstrnlen(row.ip, sizeof row.ip)) == device.address;
}
}  // namespace

// ---------------------------------------------------------------- rows ----

std::vector<ManualDevice> ManualDevices::load() {
  std::vector<ManualDevice> devices;
  QSettings settings;
  // The size is the file's word: no more rows are read than the table
  // holds, so a size of millions costs no more than a full table.
  const int size = settings.beginReadArray(kSettingsArray);
  const int count = std::min(size, kDeviceTableRows);
  if (size > count)
    trace(lcDiscovery(), "%d remembered devices, only the first %d are read\n", size, count);
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    const std::string address = settings.value(QStringLiteral("address")).toString().toStdString();
    bool type_ok = false, id_ok = false;
    const int type = settings.value(QStringLiteral("type")).toInt(&type_ok);
    const int id = settings.value(QStringLiteral("id")).toInt(&id_ok);
    if (!check_device_address(address).empty() || !type_ok || !id_ok || type < 0 || type > 255 ||
        id < 0 || id > 255) {
      trace(lcDiscovery(), "remembered device %d is not one, skipped\n", i + 1);
      continue;
    }
    const ManualDevice device{address, static_cast<uint8_t>(type), static_cast<uint8_t>(id)};
    if (std::find(devices.begin(), devices.end(), device) == devices.end())
      devices.push_back(device);
  }
  settings.endArray();
  return devices;
}

void ManualDevices::save() const {
  QSettings settings;
  settings.remove(kSettingsArray);
  settings.beginWriteArray(kSettingsArray);
  int i = 0;
  for (const Row& row : m_rows) {
    if (!row.remembered) continue;
    settings.setArrayIndex(i++);
    settings.setValue(QStringLiteral("address"), QString::fromStdString(row.device.address));
    settings.setValue(QStringLiteral("type"), row.device.type);
    settings.setValue(QStringLiteral("id"), row.device.id);
  }
  settings.endArray();
  settings.sync();
  if (settings.status() != QSettings::NoError)
    trace(lcDiscovery(), "cannot write the remembered devices to %s\n",
          qUtf8Printable(settings.fileName()));
}

std::vector<ManualDevice> ManualDevices::rows() const {
  std::vector<ManualDevice> devices;
  for (const Row& row : m_rows) devices.push_back(row.device);
  return devices;
}

QString ManualDevices::refusal(const ManualDevice& device) const {
  for (const Row& row : m_rows)
    if (row.device == device)
      return QStringLiteral("%1 with id %2 is in the list already")
          .arg(manual_device_item_text(device))
          .arg(device.id);
  return {};
}

bool ManualDevices::list_row(int position, const ManualDevice& device) {
  QComboBox* list = m_dlg.device_list();
  DeviceTable& table = m_dlg.m_device_table;
  const bool was_empty = table.count() == 0;
  if (position != table.count() ||
      !table.append(manual_device_item_text(device), device.address, device.type, device.id)) {
    trace(lcDiscovery(), "no free row for %s\n", qUtf8Printable(manual_device_item_text(device)));
    return false;
  }
  // Filling an empty list makes its first item current; no row is selected
  // until the operator chooses one.
  if (was_empty && m_dlg.m_device_index < 0) list->setCurrentIndex(-1);
  return true;
}

void ManualDevices::list_rows_from(int first) {
  int position = first;
  for (const Row& row : m_rows)
    if (list_row(position, row.device)) ++position;
}

int ManualDevices::listed_at(const ManualDevice& device) const {
  const DeviceTable& table = m_dlg.m_device_table;
  const QString text = manual_device_item_text(device);
  // The rows of this file follow the searched ones: look from the end.
  for (int i = table.count() - 1; i >= 0; --i)
    if (table.text(i) == text && same_row(table[i], device)) return i;
  return -1;
}

void ManualDevices::restore() {
  m_rows.clear();
  for (const ManualDevice& device : load()) m_rows.push_back({device, true});
  if (m_dlg.m_eState == 0) list_rows_from(m_dlg.m_device_table.count());
}

void ManualDevices::open_command_line_rows(const std::vector<ManualDevice>& devices) {
  std::vector<Row> rows;
  for (const ManualDevice& device : devices)
    if (std::none_of(rows.begin(), rows.end(), [&](const Row& r) { return r.device == device; }))
      rows.push_back({device, false});
  for (const Row& old : m_rows) {
    auto same = std::find_if(rows.begin(), rows.end(),
                             [&](const Row& r) { return r.device == old.device; });
    if (same != rows.end())
      same->remembered = same->remembered || old.remembered;
    else
      rows.push_back(old);
  }
  m_rows = std::move(rows);
  m_dlg.close_shown_page();
  m_dlg.m_device_index = -1;
  m_dlg.m_device_table.clear();
  list_rows_from(0);
  if (devices.empty() || m_dlg.m_device_table.count() == 0) return;
  m_dlg.m_device_index = 0;
  m_dlg.device_list()->setCurrentIndex(0);
  m_dlg.select_device();
}

void ManualDevices::append_after_search() { list_rows_from(m_dlg.m_device_table.count()); }

bool ManualDevices::add(const ManualDevice& device) {
  if (!refusal(device).isEmpty()) return false;
  m_rows.push_back({device, true});
  save();
  // In serial mode the list holds the serial device; the row joins the list
  // at the next LAN search.
  if (m_dlg.m_eState == 0) list_row(m_dlg.m_device_table.count(), device);
  return true;
}

void ManualDevices::remove(size_t index) {
  if (index >= m_rows.size()) return;
  const Row row = m_rows[index];
  m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
  if (row.remembered) save();
  // The table changes under the shown page: never in the middle of an
  // exchange, which would then run on after it.
  run_exchange("remove device", [this, self = QPointer<CKELVARO_16_VIEWDlg>(&m_dlg), row] {
    if (!self) return;
    const int position = listed_at(row.device);
    if (position >= 0) remove_listed(position);
  });
}

void ManualDevices::remove_listed(int position) {
  QComboBox* list = m_dlg.device_list();
  const int selected = m_dlg.m_device_index;
  bool deselect = false;
  if (selected == position) {
    deselect = true;
  } else if (selected > position) {
    // The selected row moves up. A page shown for it goes: the switcher
    // page's workers read the selected row while it exists.
    if (m_dlg.m_p_mian_show_dlg)
      deselect = true;
    else
      m_dlg.m_device_index = static_cast<int8_t>(selected - 1);
  }
  if (deselect) {
    m_dlg.close_shown_page();
    m_dlg.close_command_socket();
    m_dlg.m_device_index = -1;
  }
  m_dlg.m_device_table.remove(position);
  if (deselect) list->setCurrentIndex(-1);
}

// ---------------------------------------------------------------- menu ----

void ManualDevices::add_menu_entries(QMenu& menu) {
  m_add_action = menu.addAction(QStringLiteral("Add device…"));
  QMenu* remove = menu.addMenu(QStringLiteral("Remove device"));
  m_remove_actions.clear();
  for (const Row& row : m_rows)
    m_remove_actions.push_back(remove->addAction(
        QStringLiteral("%1 (id %2)").arg(manual_device_item_text(row.device)).arg(row.device.id)));
  remove->setEnabled(!m_rows.empty());
}

bool ManualDevices::run_menu_entry(QAction* chosen) {
  QAction* add_action = m_add_action;
  const std::vector<QAction*> remove_actions = m_remove_actions;
  // The entries go with their menu.
  m_add_action = nullptr;
  m_remove_actions.clear();
  if (!chosen) return false;
  if (chosen == add_action) {
    ManualDeviceDialog dialog(&m_dlg, [this](const ManualDevice& d) { return refusal(d); });
    if (dialog.exec() == QDialog::Accepted) add(dialog.device());
    return true;
  }
  for (size_t i = 0; i < remove_actions.size(); ++i) {
    if (chosen == remove_actions[i]) {
      remove(i);
      return true;
    }
  }
  return false;
}

// -------------------------------------------------------------- dialog ----

ManualDeviceDialog::ManualDeviceDialog(QWidget* parent,
                                       std::function<QString(const ManualDevice&)> refusal)
    : QDialog(parent), m_refusal(std::move(refusal)) {
  setObjectName(QStringLiteral("manual_device_dialog"));
  setWindowTitle(QStringLiteral("Add device"));
  m_address = new QLineEdit(this);
  m_address->setObjectName(QStringLiteral("address"));
  m_address->setPlaceholderText(QStringLiteral("192.168.1.100"));
  m_address->setMaxLength(15);
  m_kind = new QComboBox(this);
  m_kind->setObjectName(QStringLiteral("kind"));
  m_kind->setEditable(true);  // a type code may be typed in as well
  for (const std::string& name : device_kind_names()) m_kind->addItem(QString::fromStdString(name));
  m_kind->setToolTip(QString::fromStdString(device_kinds_hint()));
  m_id = new QSpinBox(this);
  m_id->setObjectName(QStringLiteral("id"));
  m_id->setRange(0, 255);
  m_id->setValue(1);
  m_message = new QLabel(this);
  m_message->setObjectName(QStringLiteral("message"));
  m_message->setWordWrap(true);
  QPalette pal = m_message->palette();
  pal.setColor(QPalette::WindowText, QColor(200, 0, 0));
  m_message->setPalette(pal);
  m_message->hide();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Address"), m_address);
  form->addRow(QStringLiteral("Kind"), m_kind);
  form->addRow(QStringLiteral("Id"), m_id);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ManualDeviceDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ManualDeviceDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_message);
  layout->addWidget(buttons);
}

void ManualDeviceDialog::accept() {
  auto refuse = [this](const QString& why, QWidget* field) {
    m_message->setText(why);
    m_message->show();
    field->setFocus();
  };
  const std::string address = m_address->text().trimmed().toStdString();
  if (const std::string why = check_device_address(address); !why.empty()) {
    refuse(QStringLiteral("Address: ") + QString::fromStdString(why), m_address);
    return;
  }
  const std::string kind_text = m_kind->currentText().trimmed().toStdString();
  const std::optional<uint8_t> kind = parse_device_kind(kind_text);
  if (!kind) {
    refuse(QStringLiteral("Kind: '%1' is none of %2")
               .arg(QString::fromStdString(kind_text), QString::fromStdString(device_kinds_hint())),
           m_kind);
    return;
  }
  const ManualDevice device{address, *kind, static_cast<uint8_t>(m_id->value())};
  if (m_refusal) {
    if (const QString why = m_refusal(device); !why.isEmpty()) {
      refuse(why, m_address);
      return;
    }
  }
  m_device = device;
  QDialog::accept();
}
