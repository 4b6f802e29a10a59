#include "app/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "app/about_dialog.h"
#include "app/error_box.h"
#include "app/page_frame.h"
#include "app/page_registry.h"
#include "app/set_configure.h"
#include "app/show_dialog.h"
#include "controls/skin_button.h"
#include "devices/device_kinds.h"
#include "link/exchange.h"
#include "link/trace.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/switcher/switcher_page.h"
#include "res/skin.h"

CKELVARO_16_VIEWDlg* m_p_glo_main_set_or_get_dlg = nullptr;

namespace {
const QColor kListText(60, 180, 255);
const QColor kListBack(58, 58, 58);
const QColor kStaticBack(102, 102, 102);
constexpr int kMainBackground = 195;
}  // namespace

CKELVARO_16_VIEWDlg::CKELVARO_16_VIEWDlg(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
  init_dialog();
}

CKELVARO_16_VIEWDlg::~CKELVARO_16_VIEWDlg() {
  // Pages reach the shared state through the process-wide pointer while they
  // are torn down, so they go before the state does.
  close_shown_page();
  // The port closes after this window is gone; the light hears nothing more.
  m_link_health.disconnect();
  // The device list is a view of the table, which goes before the window's
  // children do.
  delete m_device_list;
  m_device_list = nullptr;
}

CSkinButton* CKELVARO_16_VIEWDlg::make_skin_button(int id, const QString& caption,
                                                   const QRect& rect, int bitmap) {
  auto* b = new CSkinButton(this);
  b->setObjectName(control_object_name(id));
  b->setText(caption);
  b->setGeometry(rect);
  b->setup_skin(bitmap);
  b->setToolTip(caption);
  m_buttons.insert(id, b);
  return b;
}

CSkinButton* CKELVARO_16_VIEWDlg::main_button(int id) const { return m_buttons.value(id); }

void CKELVARO_16_VIEWDlg::init_dialog() {
  setObjectName(QStringLiteral("dlg102"));
  setWindowIcon(skin_icon(128));
  m_p_glo_main_set_or_get_dlg = this;
  install_link_ui_hooks();
  setWindowTitle(QStringLiteral("kelvaro_multiview"));
  setGeometry(0, 0, 1280, 720);
  setFixedSize(1280, 720);

  // The title-bar buttons carry no caption text on their faces: the bitmap
  // is the face, the template caption is kept as the tool tip.
  make_skin_button(IDC_MIN_BUTTON, {}, QRect(1150, 0, 47, 35), 198)->setToolTip("min");
  make_skin_button(IDC_MAX_BUTTON, {}, QRect(1200, 0, 34, 35), 197)->setToolTip("max");
  make_skin_button(IDC_CLOSE_BUTTON, {}, QRect(1236, 0, 42, 35), 188)->setToolTip("close");
  make_skin_button(IDC_SCAN_BUTTON, {}, QRect(560, 55, 138, 50), 196)->setToolTip("scan");
  make_skin_button(IDC_SET_BUTTON, {}, QRect(2, 690, 25, 30), 199)->setToolTip("set");

  connect(main_button(IDC_MIN_BUTTON), &QAbstractButton::clicked, this,
          [this] { showMinimized(); });
  connect(main_button(IDC_MAX_BUTTON), &QAbstractButton::clicked, this, &PageFrame::empty_command);
  connect(main_button(IDC_CLOSE_BUTTON), &QAbstractButton::clicked, this, &QDialog::accept);
  connect(main_button(IDC_SCAN_BUTTON), &QAbstractButton::clicked, this, [this] { on_scan(); });
  connect(main_button(IDC_SET_BUTTON), &QAbstractButton::clicked, this, [this] { on_settings(); });

  m_device_list = new QComboBox(this);
  // The list is a view of the device table.
  m_device_list->setModel(&m_device_table);
  m_device_list->setObjectName(control_object_name(IDC_DEVICE_LIST));
  // A drop-down list's template height includes its open list; the closed
  // field takes the font's height inside it.
  m_device_list->setGeometry(80, 68, 480, 26);
  m_device_list->setMaxVisibleItems(20);
  QPalette pal = m_device_list->palette();
  for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
    pal.setColor(role, kListText);
  for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window})
    pal.setColor(role, kListBack);
  m_device_list->setPalette(pal);
  connect(m_device_list, &QComboBox::activated, this, [this](int index) {
    m_device_index = static_cast<int8_t>(index);
    select_device();
  });

  m_link_light = new LinkLight(this, [this] { return link_light_state(); });
  connect(&m_link_health, &LinkHealth::changed, m_link_light, qOverload<>(&QWidget::update));
  connect(m_device_list, &QComboBox::currentIndexChanged, m_link_light,
          qOverload<>(&QWidget::update));

  auto* version = new QLabel(QStringLiteral("ver 1.0.0.2"), this);
  version->setObjectName(control_object_name(IDC_VERSION_STATIC));
  QPalette vpal = version->palette();
  vpal.setColor(QPalette::WindowText, Qt::black);
  vpal.setColor(QPalette::Window, kStaticBack);
  version->setPalette(vpal);
  version->setAutoFillBackground(true);
  version->hide();

  m_page_frame = new QWidget(this);
  m_page_frame->setObjectName(control_object_name(IDC_PAGE_FRAME));
  m_page_frame->setGeometry(20, 110, 1240, 580);
  m_page_frame->hide();
  m_rc_page = m_page_frame->geometry();

  for (QString& text : m_16_view_umd_text) text = QStringLiteral(" ");
  // The panel follows the show's switcher whichever page is shown.
  m_show_runner.follow_switcher_reports(true);
  // The multiviewer page's preview shows what the show gives the wall.
  m_show_runner.set_frame_sent([this](const ShowFrame& frame) { follow_show_frame(*this, frame); });

  PageFrame::install_key_guard(this);
  if (!net_start()) show_plain_message(QStringLiteral("WSAStartup failed with error\n"));
  m_manual_devices.restore();
}

void CKELVARO_16_VIEWDlg::close_shown_page() {
  if (!m_p_mian_show_dlg) return;
  PageFrame* page = m_p_mian_show_dlg;
  m_p_mian_show_dlg = nullptr;
  page->destroy_page();
}

void CKELVARO_16_VIEWDlg::select_device() {
  refresh_link_light();
  // Asked for while an exchange waits, the page is replaced once that
  // exchange has ended, never under it.
  run_exchange("select device", [self = QPointer<CKELVARO_16_VIEWDlg>(this)] {
    if (self) self->open_selected_page();
  });
}

void CKELVARO_16_VIEWDlg::open_selected_page() {
  if (m_device_index < 0 || m_device_table.count() == 0) return;
  m_matrix_btn_lock = 0;
  reset_16_view_page_data();
  // The old page goes before its socket: the switcher's workers are stopped
  // and joined before the socket they send on closes.
  close_shown_page();
  close_command_socket();

  uint8_t type = 0;
  if (m_eState == 0)
    type = m_device_table[m_device_index].dev_type;
  else if (m_eState == 1)
    type = m_main_com_dev_type;
  else
    return;
  const PageKind kind = page_kind_for_type(type, m_eState);
  PageFrame* page = create_device_page(kind, this);
  if (m_eState == 1 && kind == PageKind::Tm3306 && type != device_type::kTm3306) {
    // Unknown serial devices are driven as a tm3306 at id 1.
    m_device_table.set_device(0, m_device_table.address(0), device_type::kTm3306, 0x01);
  }
  // A page whose construction waited on its device may have been closed
  // meanwhile; it frees itself and is not shown.
  if (!page || page->is_closed()) return;
  m_p_mian_show_dlg = page;
  page->setGeometry(m_rc_page);
  page->show();
  page->update();
  m_setup_memory.remember_selection();
}

LinkLightState CKELVARO_16_VIEWDlg::link_light_state() const {
  LinkLightState s;
  s.serial_open = m_comm.is_open();
  if (s.serial_open) s.serial_port = QString::fromStdString(m_comm.port_name());
  if (m_eState == 0) {
    const DeviceEntry* row = selected_row();
    if (!row || row->ip[0] == '\0') return s;
    s.selected = true;
    s.device = QString::fromLatin1(row->ip, qstrnlen(row->ip, sizeof row->ip));
    s.link = m_link_health.record(LinkHealth::udp_key(row->ip, sizeof row->ip));
  } else if (m_eState == 1 && s.serial_open) {
    s.selected = true;
    s.device = s.serial_port;
    s.link = m_link_health.record(LinkHealth::serial_key(m_comm.port_name()));
  }
  return s;
}

void CKELVARO_16_VIEWDlg::refresh_link_light() {
  if (m_link_light) m_link_light->update();
}

void CKELVARO_16_VIEWDlg::close_lost_serial_port() {
  if (m_pSetConfigure && m_pSetConfigure->connected())
    m_pSetConfigure->disconnect_port();
  else
    m_comm.close_port(500);  // all Disconnect does while the dialog shows Connect
  refresh_link_light();
}

void CKELVARO_16_VIEWDlg::on_settings() {
  if (!m_pSetConfigure) {
    m_pSetConfigure = new CSetConfigure(this);
    m_pSetConfigure->setGeometry(x() + 340, y() + 100, 480, 400);
  }
  m_pSetConfigure->show();
  m_pSetConfigure->raise();
}

void CKELVARO_16_VIEWDlg::show_about() {
  CAboutDlg about(this);
  about.exec();
}

void CKELVARO_16_VIEWDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage& background = skin_image(kMainBackground);
  if (!background.isNull()) {
    if (background.size() == size())
      painter.drawImage(0, 0, background);
    else
      painter.drawImage(rect(), background);
  }
  painter.setPen(Qt::black);
  painter.setFont(QApplication::font());
  painter.drawText(QRect(1160, 690, 120, 30), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Ver 1.0.1.5"));
  if (m_search_progress >= 0) {
    // Progress of the running search, right of the scan button.
    const QRect bar = search_progress_bar();
    painter.setPen(kListText);
    painter.setBrush(kListBack);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    painter.fillRect(QRect(bar.left() + 2, bar.top() + 2,
                           (bar.width() - 4) * m_search_progress / 100, bar.height() - 4),
                     kListText);
    painter.drawText(search_progress_caption(), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Searching..."));
  }
}

void CKELVARO_16_VIEWDlg::mousePressEvent(QMouseEvent* event) {
  // The borderless window is dragged by its background.
  if (event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr) {
    if (QWindow* w = windowHandle()) w->startSystemMove();
    event->accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

void CKELVARO_16_VIEWDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The borderless window has no system menu of the window manager's; the
  // background's context menu (and Alt+Space) carries its About item.
  QMenu menu(this);
  m_manual_devices.add_menu_entries(menu);
  menu.addSeparator();
  QAction* show_dialog = menu.addAction(QStringLiteral("&Show…"));
  menu.addSeparator();
  QAction* about = menu.addAction(QStringLiteral("关于 KELVARO_16_VIEW(&A)..."));
  about->setData(kSysMenuAboutId);
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == about)
    show_about();
  else if (chosen == show_dialog)
    open_show_dialog();
  else
    m_manual_devices.run_menu_entry(chosen);
}

QString CKELVARO_16_VIEWDlg::start_show_file(const QString& path) {
  const ShowRead read = load_show_file(path);
  if (!read.ok()) return read.error;
  start_show(*read.show, path);
  return {};
}

void CKELVARO_16_VIEWDlg::start_show(const Show& show, const QString& path) {
  m_show_path = path;
  m_setup_memory.remember_show(path);
  m_show_runner.start(show);
  // An open switcher page knows the buses now.
  if (auto* sw = qobject_cast<CClass_switcher_dlg*>(m_p_mian_show_dlg)) sw->tell_show();
  if (!m_show_runner.tsl_error().empty())
    show_error(QStringLiteral("The show's TSL port cannot be heard: %1")
                   .arg(QString::fromStdString(m_show_runner.tsl_error())));
}

void CKELVARO_16_VIEWDlg::stop_show() {
  m_show_runner.stop();
  m_show_path.clear();
  m_setup_memory.remember_show({});
}

ShowDialog* CKELVARO_16_VIEWDlg::open_show_dialog() {
  if (!m_show_dialog) {
    m_show_dialog = new ShowDialog(*this, this);
    m_show_dialog->setAttribute(Qt::WA_DeleteOnClose);
  }
  m_show_dialog->show();
  m_show_dialog->raise();
  m_show_dialog->activateWindow();
  return m_show_dialog;
}

void CKELVARO_16_VIEWDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();  // neither key ends the window
      return;
    case Qt::Key_Space:
      if (event->modifiers() == Qt::AltModifier) {
        QContextMenuEvent menu_event(QContextMenuEvent::Keyboard, QPoint(8, 8),
                                     mapToGlobal(QPoint(8, 8)));
        contextMenuEvent(&menu_event);
        return;
      }
      break;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}
