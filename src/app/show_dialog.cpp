#include "app/show_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "devices/multiviewer/mv_model.h"

namespace {

// Feed choices: "not listed", router outputs 1..8, then sources 1..64.
constexpr int kFeedRouterFirst = 1;
constexpr int kFeedSourceFirst = kFeedRouterFirst + kShowRouterPorts;

int feed_index(const ShowFeed& feed) {
  switch (feed.kind) {
    case ShowFeed::Kind::RouterOutput:
      return kFeedRouterFirst + feed.number - 1;
    case ShowFeed::Kind::Source:
      return kFeedSourceFirst + feed.number - 1;
    case ShowFeed::Kind::None:
      break;
  }
  return 0;
}

QString source_choice(int n, const QString& name) {
  return name.isEmpty() ? QStringLiteral("source %1").arg(n)
                        : QStringLiteral("source %1 (%2)").arg(n).arg(name);
}

QComboBox* feed_combo(QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->addItem(QStringLiteral("not listed"));
  for (int o = 1; o <= kShowRouterPorts; ++o)
    combo->addItem(QStringLiteral("router output %1").arg(o));
  for (int n = 1; n <= kShowSources; ++n) combo->addItem(source_choice(n, {}));
  combo->setMaxVisibleItems(20);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(15);
  return combo;
}

// A whole number as a number; anything else as the text typed, which the
// reader refuses by its key ("must be a whole number").
QJsonValue number_or_text(const QString& typed) {
  const QString t = typed.trimmed();
  bool ok = false;
  const int n = t.toInt(&ok);
  return ok ? QJsonValue(n) : QJsonValue(t);
}

// Entries of a list field, separated by commas or blanks.
QStringList entries(const QString& text) {
  static const QRegularExpression kSeparator(QStringLiteral("[,\\s]+"));
  return text.split(kSeparator, Qt::SkipEmptyParts);
}

QString device_field(const ShowDevice& d) {
  if (!d.named()) return {};
  const QString address = QString::fromStdString(d.address);
  return d.id == 1 ? address : QStringLiteral("%1,%2").arg(address).arg(d.id);
}

// Tab in a cell's editor keeps what was typed and leaves the table, as Tab
// does elsewhere in it (the item views' own delegate would walk the cells).
class SourceCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (auto* view = qobject_cast<QWidget*>(parent())) {
          QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
          QCoreApplication::sendEvent(view, &again);
        }
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }
};

// A group whose mnemonic always takes the focus to its first field (a plain
// group box goes back to the child focused last).
class FieldGroup : public QGroupBox {
 public:
  FieldGroup(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}
  QWidget* first = nullptr;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::Shortcut && first) {
      first->setFocus(Qt::ShortcutFocusReason);
      return true;
    }
    return QGroupBox::event(event);
  }
};

QLabel* buddy_label(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

ShowDialog::ShowDialog(CKELVARO_16_VIEWDlg& main, QWidget* parent) : QDialog(parent), m_main(main) {
  setObjectName(QStringLiteral("show_dialog"));
  setWindowTitle(QStringLiteral("Show"));
  build();
  if (const ShowState* state = m_main.m_show_runner.state())
    set_show(state->show(), m_main.m_show_path);
  else
    set_show(Show{});
}

void ShowDialog::build() {
  // ---- sources ----
  m_sources = new QTableWidget(0, 2, this);
  m_sources->setObjectName(QStringLiteral("sources"));
  m_sources->setHorizontalHeaderLabels({QStringLiteral("Number"), QStringLiteral("Name")});
  m_sources->verticalHeader()->hide();
  m_sources->horizontalHeader()->setStretchLastSection(true);
  m_sources->setColumnWidth(0, 70);
  m_sources->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_sources->setSelectionMode(QAbstractItemView::SingleSelection);
  // Tab leaves the table; the arrows move between its cells.
  m_sources->setTabKeyNavigation(false);
  m_sources->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  m_sources->setItemDelegate(new SourceCellDelegate(m_sources));
  m_sources->setMinimumWidth(240);
  auto* add = new QPushButton(QStringLiteral("&Add"), this);
  add->setObjectName(QStringLiteral("add_source"));
  auto* remove = new QPushButton(QStringLiteral("&Remove"), this);
  remove->setObjectName(QStringLiteral("remove_source"));
  connect(add, &QPushButton::clicked, this, &ShowDialog::add_source);
  connect(remove, &QPushButton::clicked, this, &ShowDialog::remove_source);

  auto* sources_box = new FieldGroup(QStringLiteral("S&ources"), this);
  sources_box->first = m_sources;
  auto* sources_column = new QVBoxLayout(sources_box);
  auto* sources_hint = new QLabel(
      QStringLiteral("Numbers 1 to 64, names of up to %1 characters.").arg(kShowNameMaxUnits),
      sources_box);
  sources_hint->setWordWrap(true);
  sources_column->addWidget(sources_hint);
  sources_column->addWidget(m_sources, 1);
  auto* row_buttons = new QHBoxLayout;
  row_buttons->addWidget(add);
  row_buttons->addWidget(remove);
  row_buttons->addStretch(1);
  sources_column->addLayout(row_buttons);

  // ---- devices ----
  auto device_edit = [this](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setPlaceholderText(QStringLiteral("ADDRESS[,ID]  (empty: none)"));
    edit->setMinimumWidth(230);
    return edit;
  };
  m_multiviewer = device_edit("multiviewer");
  m_router = device_edit("router");
  m_routes = new QLineEdit(this);
  m_routes->setObjectName(QStringLiteral("routes"));
  m_routes->setPlaceholderText(QStringLiteral("OUTPUT=INPUT, …  (for kelvaro-ctl)"));
  m_routes->setMinimumWidth(230);
  m_switcher = device_edit("switcher");
  auto* devices_box = new QGroupBox(QStringLiteral("Devices"), this);
  auto* devices_form = new QFormLayout(devices_box);
  devices_form->addRow(buddy_label(QStringLiteral("&Multiviewer"), m_multiviewer, this),
                       m_multiviewer);
  devices_form->addRow(buddy_label(QStringLiteral("Ro&uter"), m_router, this), m_router);
  devices_form->addRow(buddy_label(QStringLiteral("Router rout&es"), m_routes, this), m_routes);
  devices_form->addRow(buddy_label(QStringLiteral("S&witcher"), m_switcher, this), m_switcher);

  // ---- feeds ----
  auto* mv_box = new FieldGroup(QStringLiteral("Multiviewer &inputs"), this);
  auto* mv_grid = new QGridLayout(mv_box);
  for (int i = 0; i < kShowSdiInputs; ++i) {
    m_mv_feed[i] = feed_combo(this);
    m_mv_feed[i]->setObjectName(QStringLiteral("sdi%1").arg(i + 1));
    const int column = i / 8 * 2, row = i % 8;
    mv_grid->addWidget(buddy_label(QStringLiteral("SDI %1").arg(i + 1), m_mv_feed[i], this), row,
                       column);
    mv_grid->addWidget(m_mv_feed[i], row, column + 1);
  }
  mv_box->first = m_mv_feed[0];
  mv_grid->setColumnStretch(1, 1);
  mv_grid->setColumnStretch(3, 1);
  auto* sw_box = new FieldGroup(QStringLiteral("Switc&her inputs"), this);
  auto* sw_grid = new QGridLayout(sw_box);
  for (int i = 0; i < kShowSwitcherInputs; ++i) {
    m_sw_feed[i] = feed_combo(this);
    m_sw_feed[i]->setObjectName(QStringLiteral("input%1").arg(i + 1));
    const int column = i / 4 * 2, row = i % 4;
    sw_grid->addWidget(buddy_label(QStringLiteral("Input %1").arg(i + 1), m_sw_feed[i], this), row,
                       column);
    sw_grid->addWidget(m_sw_feed[i], row, column + 1);
  }
  sw_box->first = m_sw_feed[0];
  sw_grid->setColumnStretch(1, 1);
  sw_grid->setColumnStretch(3, 1);

  // ---- tally and TSL ----
  auto colour_combo = [this](const char* name) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(QLatin1String(name));
    for (const char* colour : kColourCodeNames) combo->addItem(QLatin1String(colour));
    return combo;
  };
  m_program = colour_combo("program");
  m_preview = colour_combo("preview");
  auto* tally_box = new QGroupBox(QStringLiteral("Tally colours"), this);
  auto* tally_form = new QFormLayout(tally_box);
  tally_form->addRow(buddy_label(QStringLiteral("Pro&gram"), m_program, this), m_program);
  tally_form->addRow(buddy_label(QStringLiteral("Pre&view"), m_preview, this), m_preview);

  m_listen = new QSpinBox(this);
  m_listen->setObjectName(QStringLiteral("listen"));
  m_listen->setRange(0, 65535);
  m_listen->setSpecialValueText(QStringLiteral("0 (none)"));
  m_from = new QLineEdit(this);
  m_from->setObjectName(QStringLiteral("from"));
  m_from->setPlaceholderText(QStringLiteral("ADDRESS, …  (empty: any)"));
  m_send = new QLineEdit(this);
  m_send->setObjectName(QStringLiteral("send"));
  m_send->setPlaceholderText(QStringLiteral("ADDRESS:PORT, …"));
  m_from->setMinimumWidth(230);
  m_send->setMinimumWidth(230);
  m_screen = new QSpinBox(this);
  m_screen->setObjectName(QStringLiteral("screen"));
  m_screen->setRange(0, 65535);
  auto* tsl_box = new QGroupBox(QStringLiteral("TSL UMD"), this);
  auto* tsl_form = new QFormLayout(tsl_box);
  tsl_form->addRow(buddy_label(QStringLiteral("Liste&n port"), m_listen, this), m_listen);
  tsl_form->addRow(buddy_label(QStringLiteral("Accepted &from"), m_from, this), m_from);
  tsl_form->addRow(buddy_label(QStringLiteral("&Destinations"), m_send, this), m_send);
  tsl_form->addRow(buddy_label(QStringLiteral("Screen num&ber"), m_screen, this), m_screen);

  // ---- what is refused, what runs, and the buttons ----
  m_refusal = new QLabel(this);
  m_refusal->setObjectName(QStringLiteral("refusal"));
  m_refusal->setWordWrap(true);
  m_refusal->setTextFormat(Qt::PlainText);
  m_refusal->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  // Its line is kept when empty, so the dialog does not jump as it comes and goes.
  m_refusal->setMinimumHeight(m_refusal->fontMetrics().lineSpacing());
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("status"));
  m_status->setTextFormat(Qt::PlainText);
  auto make_button = [this](const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    // Enter in a field presses no button: only a button that has the focus
    // takes Enter (see keyPressEvent).
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
  };
  QPushButton* load = make_button(QStringLiteral("&Load…"), "load");
  QPushButton* save = make_button(QStringLiteral("&Save…"), "save");
  QPushButton* start_button = make_button(QStringLiteral("S&tart"), "start");
  m_stop = make_button(QStringLiteral("Sto&p show"), "stop");
  QPushButton* close = make_button(QStringLiteral("&Close"), "close");
  add->setAutoDefault(false);
  remove->setAutoDefault(false);
  connect(load, &QPushButton::clicked, this, [this] {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Load show"), m_path,
                                     QStringLiteral("Show files (*.json);;All files (*)"));
    if (!path.isEmpty()) load_file(path);
  });
  connect(save, &QPushButton::clicked, this, [this] {
    if (!check().ok()) return;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save show"), m_path,
                                     QStringLiteral("Show files (*.json);;All files (*)"));
    if (!path.isEmpty()) save_file(path);
  });
  connect(start_button, &QPushButton::clicked, this, &ShowDialog::start);
  connect(m_stop, &QPushButton::clicked, this, &ShowDialog::stop);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* middle = new QVBoxLayout;
  middle->addWidget(devices_box);
  middle->addWidget(tally_box);
  middle->addWidget(tsl_box);
  middle->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(mv_box);
  right->addWidget(sw_box);
  right->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addWidget(sources_box, 2);
  columns->addLayout(middle, 3);
  columns->addLayout(right, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(load);
  buttons->addWidget(save);
  buttons->addSpacing(16);
  buttons->addWidget(m_status, 1);
  buttons->addWidget(start_button);
  buttons->addWidget(m_stop);
  buttons->addSpacing(16);
  buttons->addWidget(close);
  auto* all = new QVBoxLayout(this);
  all->addLayout(columns, 1);
  all->addWidget(m_refusal);
  all->addLayout(buttons);

  // Tab goes down each column, left to right, then along the buttons.
  std::vector<QWidget*> order = {m_sources, add,        remove,    m_multiviewer, m_router,
                                 m_routes,  m_switcher, m_program, m_preview,     m_listen,
                                 m_from,    m_send,     m_screen};
  for (QComboBox* c : m_mv_feed) order.push_back(c);
  for (QComboBox* c : m_sw_feed) order.push_back(c);
  for (QWidget* w : {static_cast<QWidget*>(load), static_cast<QWidget*>(save),
                     static_cast<QWidget*>(start_button), static_cast<QWidget*>(m_stop),
                     static_cast<QWidget*>(close)})
    order.push_back(w);
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  m_sources->setFocus();

  // Every change is checked at once.
  auto recheck = [this] {
    if (!m_filling) check();
  };
  connect(m_sources, &QTableWidget::itemChanged, this, [this, recheck] {
    if (m_filling) return;
    refresh_source_names();
    recheck();
  });
  for (QLineEdit* e : {m_multiviewer, m_router, m_routes, m_switcher, m_from, m_send})
    connect(e, &QLineEdit::textChanged, this, recheck);
  for (QComboBox* c : m_mv_feed) connect(c, &QComboBox::currentIndexChanged, this, recheck);
  for (QComboBox* c : m_sw_feed) connect(c, &QComboBox::currentIndexChanged, this, recheck);
  for (QComboBox* c : {m_program, m_preview})
    connect(c, &QComboBox::currentIndexChanged, this, recheck);
  for (QSpinBox* s : {m_listen, m_screen}) connect(s, &QSpinBox::valueChanged, this, recheck);
}

QPushButton* ShowDialog::button(const QString& name) const { return findChild<QPushButton*>(name); }

void ShowDialog::add_source_row(int number, const QString& name) {
  const int row = m_sources->rowCount();
  m_sources->insertRow(row);
  m_sources->setItem(row, 0,
                     new QTableWidgetItem(number > 0 ? QString::number(number) : QString()));
  m_sources->setItem(row, 1, new QTableWidgetItem(name));
}

void ShowDialog::set_show(const Show& show, const QString& path) {
  m_filling = true;
  m_sources->setRowCount(0);
  for (int n = 1; n <= kShowSources; ++n)
    if (!show.source_names[n - 1].isEmpty()) add_source_row(n, show.source_names[n - 1]);
  m_multiviewer->setText(device_field(show.multiviewer));
  m_router->setText(device_field(show.router));
  QStringList routes;
  for (const ShowRoute& r : show.router_routes)
    routes << QStringLiteral("%1=%2").arg(r.output).arg(r.input);
  m_routes->setText(routes.join(QStringLiteral(", ")));
  m_switcher->setText(device_field(show.switcher));
  for (int i = 0; i < kShowSdiInputs; ++i)
    m_mv_feed[i]->setCurrentIndex(feed_index(show.multiviewer_inputs[i]));
  for (int i = 0; i < kShowSwitcherInputs; ++i)
    m_sw_feed[i]->setCurrentIndex(feed_index(show.switcher_inputs[i]));
  m_program->setCurrentIndex(show.program_colour & 15);
  m_preview->setCurrentIndex(show.preview_colour & 15);
  m_listen->setValue(show.tsl_listen);
  QStringList from, send;
  for (const ShowPeer& p : show.tsl_from) from << QString::fromStdString(p.address);
  for (const ShowPeer& p : show.tsl_send)
    send << QStringLiteral("%1:%2").arg(QString::fromStdString(p.address)).arg(p.port);
  m_from->setText(from.join(QStringLiteral(", ")));
  m_send->setText(send.join(QStringLiteral(", ")));
  m_screen->setValue(show.tsl_screen);
  m_filling = false;
  m_path = path;
  m_file_show.reset();
  if (!path.isEmpty()) m_file_show = show;
  refresh_source_names();
  check();
  refresh_status();
}

QByteArray ShowDialog::fields_json() const {
  QJsonObject root;
  QJsonArray sources;
  for (int row = 0; row < m_sources->rowCount(); ++row) {
    const QTableWidgetItem* number = m_sources->item(row, 0);
    const QTableWidgetItem* name = m_sources->item(row, 1);
    sources.append(
        QJsonObject{{QStringLiteral("number"), number_or_text(number ? number->text() : QString())},
                    {QStringLiteral("name"), name ? name->text() : QString()}});
  }
  root.insert(QStringLiteral("sources"), sources);

  // A device section is written when it names a device or holds anything
  // else; without the device the reader then says the device is missing.
  auto feeds = [](QComboBox* const* combos, int count, const char* number_key) {
    QJsonArray list;
    for (int i = 0; i < count; ++i) {
      const int index = combos[i]->currentIndex();
      if (index <= 0) continue;
      QJsonObject item{{QLatin1String(number_key), i + 1}};
      if (index < kFeedSourceFirst)
        item.insert(QStringLiteral("router_output"), index - kFeedRouterFirst + 1);
      else
        item.insert(QStringLiteral("source"), index - kFeedSourceFirst + 1);
      list.append(item);
    }
    return list;
  };
  auto section = [&root](const char* key, QLineEdit* device, const char* list_key,
                         const QJsonArray& list) {
    QJsonObject o;
    const QString d = device->text().trimmed();
    if (!d.isEmpty()) o.insert(QStringLiteral("device"), d);
    if (!list.isEmpty()) o.insert(QLatin1String(list_key), list);
    if (!o.isEmpty()) root.insert(QLatin1String(key), o);
  };
  section("multiviewer", m_multiviewer, "inputs", feeds(m_mv_feed, kShowSdiInputs, "sdi"));
  QJsonArray routes;
  for (const QString& entry : entries(m_routes->text())) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    QJsonObject route{{QStringLiteral("output"), number_or_text(entry.left(eq))}};
    if (eq >= 0) route.insert(QStringLiteral("input"), number_or_text(entry.mid(eq + 1)));
    routes.append(route);
  }
  section("router", m_router, "routes", routes);
  section("switcher", m_switcher, "inputs", feeds(m_sw_feed, kShowSwitcherInputs, "input"));
  root.insert(QStringLiteral("tally"),
              QJsonObject{{QStringLiteral("program"), m_program->currentText()},
                          {QStringLiteral("preview"), m_preview->currentText()}});
  QJsonArray from, send;
  for (const QString& e : entries(m_from->text())) from.append(e);
  for (const QString& e : entries(m_send->text())) send.append(e);
  root.insert(QStringLiteral("tsl"), QJsonObject{{QStringLiteral("listen"), m_listen->value()},
                                                 {QStringLiteral("from"), from},
                                                 {QStringLiteral("send"), send},
                                                 {QStringLiteral("screen"), m_screen->value()}});
  return QJsonDocument(root).toJson();
}

ShowRead ShowDialog::edited() const { return read_show(fields_json()); }

ShowRead ShowDialog::check() {
  ShowRead read = edited();
  m_refusal->setText(read.ok() ? QString() : QStringLiteral("Refused: %1").arg(read.error));
  return read;
}

void ShowDialog::refresh_status() {
  const bool running = m_main.m_show_runner.running();
  if (!running)
    m_status->setText(QStringLiteral("No show runs."));
  else if (m_main.m_show_path.isEmpty())
    m_status->setText(QStringLiteral("A show runs (not from a file)."));
  else
    m_status->setText(QStringLiteral("Running: %1").arg(m_main.m_show_path));
  m_stop->setEnabled(running);
}

void ShowDialog::refresh_source_names() {
  QString names[kShowSources];
  for (int row = 0; row < m_sources->rowCount(); ++row) {
    const QTableWidgetItem* number = m_sources->item(row, 0);
    const QTableWidgetItem* name = m_sources->item(row, 1);
    bool ok = false;
    const int n = number ? number->text().trimmed().toInt(&ok) : 0;
    if (ok && n >= 1 && n <= kShowSources && name) names[n - 1] = name->text();
  }
  for (QComboBox* const* combos : {&m_mv_feed[0], &m_sw_feed[0]}) {
    const int count = combos == &m_mv_feed[0] ? kShowSdiInputs : kShowSwitcherInputs;
    for (int i = 0; i < count; ++i)
      for (int n = 1; n <= kShowSources; ++n)
        combos[i]->setItemText(kFeedSourceFirst + n - 1, source_choice(n, names[n - 1]));
  }
}

void ShowDialog::add_source() {
  // The lowest number no row holds yet.
  bool used[kShowSources + 1] = {};
  for (int row = 0; row < m_sources->rowCount(); ++row) {
    bool ok = false;
    const QTableWidgetItem* number = m_sources->item(row, 0);
    const int n = number ? number->text().trimmed().toInt(&ok) : 0;
    if (ok && n >= 1 && n <= kShowSources) used[n] = true;
  }
  int next = 1;
  while (next <= kShowSources && used[next]) ++next;
  m_filling = true;
  add_source_row(next <= kShowSources ? next : 0, {});
  m_filling = false;
  const int row = m_sources->rowCount() - 1;
  m_sources->setFocus();
  m_sources->setCurrentCell(row, 1);
  m_sources->editItem(m_sources->item(row, 1));
  check();
}

void ShowDialog::remove_source() {
  const int row = m_sources->currentRow();
  if (row < 0) return;
  m_sources->removeRow(row);
  refresh_source_names();
  check();
}

bool ShowDialog::load_file(const QString& path) {
  const ShowRead read = load_show_file(path);
  if (!read.ok()) {
    m_refusal->setText(QStringLiteral("Not loaded: %1").arg(read.error));
    return false;
  }
  set_show(*read.show, path);
  return true;
}

bool ShowDialog::save_file(const QString& path) {
  const ShowRead read = check();
  if (!read.ok()) return false;
  const QString why = save_show_file(path, *read.show);
  if (!why.isEmpty()) {
    m_refusal->setText(QStringLiteral("Not saved: %1").arg(why));
    return false;
  }
  m_path = path;
  m_file_show = *read.show;
  return true;
}

bool ShowDialog::start() {
  const ShowRead read = check();
  if (!read.ok()) return false;
  // The show started again at the next run is a file's: the edited show is
  // remembered by its file only when that file holds it.
  const bool saved = m_file_show && *m_file_show == *read.show;
  m_main.start_show(*read.show, saved ? m_path : QString());
  refresh_status();
  if (!saved)
    m_status->setText(m_status->text() +
                      QStringLiteral(" Not saved: it is not started again at the next run."));
  return true;
}

void ShowDialog::stop() {
  m_main.stop_show();
  refresh_status();
}

void ShowDialog::keyPressEvent(QKeyEvent* event) {
  // Enter never starts (or saves) by accident: it presses only the button
  // that has the focus, and is dropped elsewhere.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
