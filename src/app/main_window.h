#pragma once
// The main window: the borderless 1280 x 720 panel with the device list, the
// scan and settings buttons and the page rectangle, and the single holder of
// all state the pages share. Device models and the device link are base
// classes so every field keeps its documented name on this object.
#include <QDialog>
#include <QPointer>
#include <QRect>

#include "app/link_light.h"
#include "app/manual_devices.h"
#include "app/setup_memory.h"
#include "devices/matrix/matrix_model.h"
#include "devices/multiviewer/mv_model.h"
#include "devices/processor/processor_model.h"
#include "devices/switcher/switcher_model.h"
#include "link/device_link.h"
#include "show/show_runner.h"

class CSetConfigure;
class CSkinButton;
class PageFrame;
class ShowDialog;
class QComboBox;

// Control ids of the main window (dialog 102).
enum MainWindowControl {
  IDC_MIN_BUTTON = 1000,
  IDC_MAX_BUTTON = 1001,
  IDC_CLOSE_BUTTON = 1002,
  IDC_PAGE_FRAME = 1004,
  IDC_SCAN_BUTTON = 1005,
  IDC_SET_BUTTON = 1006,
  IDC_DEVICE_LIST = 1007,
  IDC_VERSION_STATIC = 1008,
};

constexpr int kSysMenuAboutId = 16;

class CKELVARO_16_VIEWDlg : public QDialog,
                            public DeviceLink,
                            public MultiviewerModel,
                            public MatrixModel,
                            public SwitcherModel,
                            public ProcessorModel {
  Q_OBJECT
 public:
  explicit CKELVARO_16_VIEWDlg(QWidget* parent = nullptr);
  ~CKELVARO_16_VIEWDlg() override;

  // ---- shared state of the main window itself ----
  CSetConfigure* m_pSetConfigure = nullptr;
  QRect m_rc_page;                         // client rectangle of every device page
  PageFrame* m_p_mian_show_dlg = nullptr;  // the device page now shown
  uint8_t m_device_count = 0;              // rows filled by the last LAN search
  // Rows of devices the search does not list (--device, context menu).
  ManualDevices m_manual_devices{*this};
  // Mode, serial port and last device kept from one run to the next.
  SetupMemory m_setup_memory{*this};
  // The running show: labels and tally that follow the router and the
  // switcher on the show's multiviewer, whichever page is shown.
  ShowRunner m_show_runner{*this};
  QString m_show_path;  // file of the running show; empty when none runs

  // Loads the show file and starts it (the running one stops). Empty when
  // started; otherwise why not, and the running show goes on.
  QString start_show_file(const QString& path);
  // Starts a show already read (from `path`, remembered when the setup is).
  void start_show(const Show& show, const QString& path);
  void stop_show();
  // The "Show…" dialog on the running show (one at a time; raised when open).
  ShowDialog* open_show_dialog();

  // Closes the current page and opens the page for row m_device_index.
  void select_device();
  // Hides and destroys the shown page, if any.
  void close_shown_page();

  // Scan (button 1005): LAN search in mode 0, serial search in mode 1.
  void on_scan();
  // Settings (button 1006): the connection settings dialog.
  void on_settings();

  QComboBox* device_list() const { return m_device_list; }
  CSkinButton* main_button(int id) const;
  // Shows the About box (system menu item 16) modally.
  void show_about();

  // The link light and what it shows now: the link of the selected device
  // (the LAN row in LAN mode, the open port in serial mode) and the port.
  LinkLight* link_light() const { return m_link_light; }
  LinkLightState link_light_state() const;
  // The light follows the link and the device list by itself; code that
  // changes m_eState tells it here.
  void refresh_link_light();

  // True while a search runs (the panel shows it is busy).
  bool search_running() const { return m_search_running; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // A serial line that hung up is closed as the settings dialog's
  // Disconnect closes it.
  void close_lost_serial_port() override;

 private:
  void init_dialog();
  void open_selected_page();
  CSkinButton* make_skin_button(int id, const QString& caption, const QRect& rect, int bitmap);
  void run_lan_search();
  void run_serial_search();
  void begin_search_ui();
  void end_search_ui();
  // Moves the progress bar to the share of the two-second search that has
  // elapsed; repaints only the bar's strip, and only when the bar moved.
  void show_search_progress(uint32_t elapsed_ms);
  // The bar right of the scan button, its caption to its right, and the strip
  // the two cover.
  static QRect search_progress_bar() { return {712, 72, 220, 16}; }
  static QRect search_progress_caption() {
    const QRect bar = search_progress_bar();
    return {bar.right() + 8, bar.top() - 2, 200, bar.height() + 4};
  }
  static QRect search_progress_area() {
    return search_progress_bar().united(search_progress_caption());
  }

  QComboBox* m_device_list = nullptr;
  QPointer<ShowDialog> m_show_dialog;
  QWidget* m_page_frame = nullptr;
  QHash<int, CSkinButton*> m_buttons;
  LinkLight* m_link_light = nullptr;
  bool m_search_running = false;
  int m_search_progress = -1;  // percent of the running search, -1 when none
};

// The process-wide pointer to the main window; set at the start of its
// initialisation and never cleared.
extern CKELVARO_16_VIEWDlg* m_p_glo_main_set_or_get_dlg;
