#pragma once
// The production switcher page (dialog 237) for device type 0xA5, and on the
// LAN for any type the device table does not otherwise know: program and
// preview buses, layer and transition keys, CUT, AUTO, FTB, the T-bar and
// the sub-page host. All its frames go over UDP to the device's switcher
// port on a socket the page holds for its whole life; the device's own
// reports come through the link's report feed and are followed without
// being echoed.
#include <QPointer>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "app/page_frame.h"
#include "devices/switcher/switcher_device.h"
#include "devices/switcher/switcher_report.h"
#include "devices/switcher/switcher_report_inbox.h"

class CSkinButton;
class CSkinSlider;
class QLineEdit;
class QTimer;
class SwitcherWorkers;
struct SwitcherPageData;
enum class TbarCase;

enum SwitcherPageControl {
  IDC_SW_PGM_1 = 1032,
  IDC_SW_PGM_2 = 1033,
  IDC_SW_PGM_3 = 1011,
  IDC_SW_PVM_1 = 1034,
  IDC_SW_PVM_2 = 1035,
  IDC_SW_PVM_3 = 1012,
  IDC_SW_RATE_1 = 1036,
  IDC_SW_RATE_2 = 1037,
  IDC_SW_RATE_3 = 1038,
  IDC_SW_CONFIGURE = 1039,
  IDC_SW_DURATION = 1040,
  IDC_SW_AUTO = 1118,
  IDC_SW_PIP = 1131,
  IDC_SW_WIPE = 1132,
  IDC_SW_ON_AIR = 1134,
  IDC_SW_BKGD = 1135,
  IDC_SW_MIX = 1136,
  IDC_SW_KEY1 = 1144,
  IDC_SW_KEY2 = 1145,
  IDC_SW_CUT = 1151,
  IDC_SW_FTB = 1152,
  IDC_SW_ON_AIR2 = 1158,
  IDC_SW_TBAR = 1160,
  IDC_SW_STREAM_ON = 1161,
  IDC_SW_DIP = 1162,
  IDC_SW_HOST = 1166,
};

constexpr int kSwitcherPageBitmap = 294;
// Source keys 1..12 on each bus.
constexpr int kSwitcherSources = switcher_device::kSourceCount;

// PGM and PVM controls of source n (1..12).
int switcher_pgm_control(int source);
int switcher_pvm_control(int source);
// Normal (grey) image of source n; red is one less, green two less.
int switcher_source_bitmap(int source);

class CClass_switcher_dlg : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_switcher_dlg(QWidget* parent);
  ~CClass_switcher_dlg() override;

  // Highlight operations; they change images and the record, never send.
  void SelectPgmSource(int n);
  void SelectPvmSource(int n);
  void SwitchPvmPgm();
  void SelectLayer(int n);
  void SelectTransitionType(int t);
  void SelectRate(int r);
  void ShowSubPage(int kind);

  // What the device reported, on the UI thread: one report, or a run of
  // them folded into a batch (which leaves the page where the reports one by
  // one would).
  void OnDeviceReport(const SwitcherReport& report);
  void OnDeviceReports(const SwitcherReportBatch& batch);

  CSkinSlider* tbar() const { return m_tbar; }
  QLineEdit* duration_box() const { return m_auto_time_edit; }
  PageFrame* sub_page() const { return m_p_switcher_sub_page; }
  QRect sub_page_rect() const { return m_switcher_sub_rect; }
  QWidget* configure_popup() const { return m_pSetConfigure; }
  bool auto_running() const;
  int auto_interval_ms() const;
  bool ftb_blinking() const;
  // The direction the T-bar worker holds (the record's copy follows it).
  uint8_t tbar_direction() const;
  bool receiver_running() const;
  bool tbar_worker_running() const;

  // Opens the configuration pop-up (the hidden configure key and the
  // context menu's "Switcher Configure…").
  void OpenConfigure();

  // Tells a running show the program and preview as the page now has them
  // (after every change, and when a show starts while the page is open).
  void tell_show();

 protected:
  QWidget* create_custom_control(const ControlSpec& spec) override;
  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  SwitcherPageData& data() const;
  CSkinButton* key(int id) const;
  void set_face(int id, int bitmap);
  void place_controls();
  void bind_handlers();
  void start_link();
  void stop_link();

  void on_pgm(int source);
  void on_pvm(int source);
  void on_cut();
  void on_layer_key(int layer);
  void on_bkgd();
  void on_on_air();
  void on_on_air2();
  void on_transition(int type);
  void on_auto();
  void on_auto_step();
  void on_ftb();
  void on_ftb_blink();
  void on_tbar_changing(int pos);
  void on_tbar_step(TbarCase kind);
  void toggle_layer_report(uint8_t& flag, int layer, int trace_value);
  void track_duration_text(const QString& text);
  void guard_duration_edit(const QString& text);
  bool duration_insert_allowed(const QString& inserted, int at) const;
  bool filter_duration_insert(QEvent* event);

  CSkinSlider* m_tbar = nullptr;
  QRect m_switcher_sub_rect;
  PageFrame* m_p_switcher_sub_page = nullptr;
  uint64_t m_report_follower = 0;  // the page's place in the report feed; 0: none
  QLineEdit* m_auto_time_edit = nullptr;
  QString m_duration_text;    // what the duration box holds
  QString m_duration_before;  // what it held before its last change
  QPointer<QWidget> m_pSetConfigure;
  int m_ftb_blink_phase = 0;
  QTimer* m_auto_timer = nullptr;
  QTimer* m_ftb_timer = nullptr;
  std::unique_ptr<SwitcherWorkers> m_workers;
  // Reports from the feed's thread wait here for the UI thread, folded into
  // one batch of fixed size: one queued call per batch, not one per
  // datagram, and no more memory however many come.
  SwitcherReportInbox m_inbox{
      this, [this](const SwitcherReportBatch& batch, const std::optional<TbarPlacement>&) {
        OnDeviceReports(batch);
      }};
};
