#include "pages/switcher/switcher_page.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <array>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "controls/skin_slider.h"
#include "devices/switcher/switcher_device.h"
#include "devices/switcher/switcher_tbar.h"
#include "link/trace.h"
#include "pages/switcher/stream_decoder.h"
#include "pages/switcher/switcher_configure.h"
#include "pages/switcher/switcher_hotkeys.h"
#include "pages/switcher/switcher_sub_page_parts.h"
#include "pages/switcher/switcher_sub_pages.h"
#include "pages/switcher/switcher_workers.h"

namespace {
struct SourceKeys {
  int pgm;
  int pvm;
  bool visible;
  const char* caption;
};
// Sources 1..12: PGM and PVM controls, shown or not, caption.
constexpr std::array<SourceKeys, kSwitcherSources> kSources{{
    {1032, 1034, true, "1"},
    {1033, 1035, true, "2"},
    {1011, 1012, true, "3"},
    {1107, 1112, true, "4"},
    {1108, 1113, true, "5"},
    {1109, 1114, true, "6"},
    {1110, 1115, true, "7"},
    {1111, 1116, true, "8"},
    {1123, 1126, false, "9"},
    {1124, 1127, false, "10"},
    {1119, 1153, false, "BLK"},
    {1120, 1155, true, "MP1"},
}};

// Images of the function keys: normal, lit.
constexpr int kPipFace[2] = {299, 300};
constexpr int kKey1Face[2] = {290, 291};
constexpr int kKey2Face[2] = {292, 293};
constexpr int kBkgdFace[2] = {246, 247};
constexpr int kOnAirFace[2] = {298, 297};
constexpr int kMixFace[2] = {295, 296};
constexpr int kDipFace[2] = {286, 287};
constexpr int kWipeFace[2] = {303, 304};
constexpr int kRateFace[3][2] = {{341, 342}, {343, 344}, {345, 346}};
constexpr int kAutoFace[2] = {245, 305};
constexpr int kFtbFace[2] = {289, 288};
constexpr int kCutFace = 285;
constexpr int kStreamFace = 347;
constexpr int kConfigureFace = 379;
constexpr int kTbarChannel = 301;
constexpr int kTbarThumb = 302;

constexpr QSize kKey(70, 70);
constexpr QSize kBigKey(80, 80);
constexpr QRect kHostRect(930, 100, 250, 400);
constexpr QRect kTbarRect(630, 90, 164, 420);
constexpr int kFtbBlinkMs = 500;

bool valid_source(int n) { return n >= 1 && n <= kSwitcherSources; }

// Position of the PGM key of a shown source (the PVM key sits 220 lower).
QPoint pgm_position(int source) {
  if (source == 11) return {360, 120};
  if (source == 12) return {290, 200};
  const int k = source - 1;
  return {10 + 70 * (k % 4), 120 + 80 * (k / 4)};
}

DialogTemplate switcher_template() {
  DialogTemplate t;
  t.dialog_id = 237;
  t.size = QSize(1240, 580);
  for (int n = 1; n <= kSwitcherSources; ++n) {
    const SourceKeys& s = kSources[n - 1];
    const QString caption = QString::fromLatin1(s.caption);
    // Sources 9 and 10 never show; their keys keep a place of their own.
    const QPoint at = n == 9 || n == 10 ? QPoint(0, 0) : pgm_position(n);
    t.controls.push_back({s.pgm, ControlKind::Button, caption, QRect(at, kKey), s.visible});
    t.controls.push_back(
        {s.pvm, ControlKind::Button, caption, QRect(at + QPoint(0, 220), kKey), s.visible});
  }
  auto key = [&t](int id, const char* caption, QPoint at, QSize size, bool visible = true) {
    t.controls.push_back(
        {id, ControlKind::Button, QString::fromLatin1(caption), QRect(at, size), visible});
  };
  key(IDC_SW_PIP, "PIP", {395, 120}, kKey);
  key(IDC_SW_KEY1, "KEY 1", {465, 120}, kKey);
  key(IDC_SW_KEY2, "KEY 2", {535, 120}, kKey);
  key(IDC_SW_BKGD, "BKGD", {395, 200}, kKey);
  key(IDC_SW_ON_AIR2, "ON AIR", {465, 200}, kKey, false);
  key(IDC_SW_ON_AIR, "ON AIR", {535, 200}, kKey);
  key(IDC_SW_MIX, "MIX", {395, 340}, kKey);
  key(IDC_SW_DIP, "DIP", {465, 340}, kKey);
  key(IDC_SW_WIPE, "WIPE", {535, 340}, kKey);
  key(IDC_SW_CUT, "Cut", {395, 420}, kBigKey);
  key(IDC_SW_AUTO, "Auto", {480, 420}, kBigKey);
  key(IDC_SW_FTB, "FTB", {800, 420}, kBigKey);
  key(IDC_SW_STREAM_ON, "  STREAM        ON", {800, 120}, kBigKey);
  key(IDC_SW_RATE_1, "r1", {875, 205}, kKey, false);
  key(IDC_SW_RATE_2, "r2", {875, 275}, kKey, false);
  key(IDC_SW_RATE_3, "r3", {875, 345}, kKey, false);
  key(IDC_SW_CONFIGURE, "Button10", {600, 550}, QSize(30, 10), false);
  t.controls.push_back({IDC_SW_DURATION, ControlKind::Edit, {}, QRect(560, 470, 40, 20)});
  t.controls.push_back({IDC_SW_TBAR, ControlKind::Custom, {}, kTbarRect});
  t.controls.push_back({IDC_SW_HOST, ControlKind::StaticFrame, {}, kHostRect});
  return t;
}
}  // namespace

int switcher_pgm_control(int source) { return valid_source(source) ? kSources[source - 1].pgm : 0; }
int switcher_pvm_control(int source) { return valid_source(source) ? kSources[source - 1].pvm : 0; }
int switcher_source_bitmap(int source) { return 250 + 3 * (source - 1); }

CClass_switcher_dlg::CClass_switcher_dlg(QWidget* parent)
    : PageFrame(switcher_template(), kSwitcherPageBitmap, parent) {
  // The T-bar first: its channel fixes its size, 129 is the bottom end.
  m_tbar = qobject_cast<CSkinSlider*>(control(IDC_SW_TBAR));
  m_tbar->LoadChannelBitmap(kTbarChannel);
  m_tbar->LoadThumbBitmap(kTbarThumb);
  m_tbar->SetMargins(10, 30, 0, 35);
  m_tbar->SetVertical(true);
  m_tbar->SetRange(kTbarMin, kTbarMax);
  m_tbar->SetPos(kTbarMax);
  m_tbar->move(kTbarRect.topLeft());

  if (CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg) {
    main->m_all_switcher_page_data.bkgd_on = 1;
    main->m_all_switcher_page_data.transition_type = 1;
  }
  place_controls();
  bind_handlers();
  new SwitcherHotkeys(this);

  m_switcher_sub_rect = control(IDC_SW_HOST)->geometry();
  m_p_switcher_sub_page = create_switcher_sub_page(0, this);
  if (m_p_switcher_sub_page) {
    m_p_switcher_sub_page->setGeometry(m_switcher_sub_rect);
    m_p_switcher_sub_page->show();
  }
  start_link();
}

CClass_switcher_dlg::~CClass_switcher_dlg() { stop_link(); }

SwitcherPageData& CClass_switcher_dlg::data() const {
  static SwitcherPageData detached;
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  return main ? main->m_all_switcher_page_data : detached;
}

CSkinButton* CClass_switcher_dlg::key(int id) const { return button(id); }

void CClass_switcher_dlg::set_face(int id, int bitmap) {
  // A key that already shows the image is not redrawn.
  if (CSkinButton* b = key(id); b && b->bitmap_id() != bitmap) b->set_bitmap(bitmap);
}

QWidget* CClass_switcher_dlg::create_custom_control(const ControlSpec& spec) {
  if (spec.id == IDC_SW_TBAR) return new CSkinSlider(this);
  return PageFrame::create_custom_control(spec);
}

void CClass_switcher_dlg::place_controls() {
  // Every key starts from its first image, whatever the record remembers.
  for (int n = 1; n <= kSwitcherSources; ++n) {
    for (int id : {kSources[n - 1].pgm, kSources[n - 1].pvm})
      if (CSkinButton* b = key(id)) b->setup_skin(switcher_source_bitmap(n));
  }
  const std::pair<int, int> faces[] = {
      {IDC_SW_PIP, kPipFace[0]},          {IDC_SW_KEY1, kKey1Face[0]},
      {IDC_SW_KEY2, kKey2Face[0]},        {IDC_SW_BKGD, kBkgdFace[1]},
      {IDC_SW_ON_AIR2, kOnAirFace[0]},    {IDC_SW_ON_AIR, kOnAirFace[0]},
      {IDC_SW_MIX, kMixFace[1]},          {IDC_SW_DIP, kDipFace[0]},
      {IDC_SW_WIPE, kWipeFace[0]},        {IDC_SW_CUT, kCutFace},
      {IDC_SW_AUTO, kAutoFace[0]},        {IDC_SW_FTB, kFtbFace[0]},
      {IDC_SW_STREAM_ON, kStreamFace},    {IDC_SW_RATE_1, kRateFace[0][1]},
      {IDC_SW_RATE_2, kRateFace[1][0]},   {IDC_SW_RATE_3, kRateFace[2][0]},
      {IDC_SW_CONFIGURE, kConfigureFace},
  };
  for (const auto& [id, bitmap] : faces)
    if (CSkinButton* b = key(id)) b->setup_skin(bitmap);

  m_auto_time_edit = edit(IDC_SW_DURATION);
  m_auto_time_edit->setText(QStringLiteral("02:00"));
  m_auto_time_edit->installEventFilter(this);
  // Paste and drop bring text past the key filter: every edit is held to
  // what typing allows, and one that is not is taken back whole.
  m_duration_text = m_auto_time_edit->text();
  connect(m_auto_time_edit, &QLineEdit::textChanged, this,
          [this](const QString& text) { track_duration_text(text); });
  connect(m_auto_time_edit, &QLineEdit::textEdited, this,
          [this](const QString& text) { guard_duration_edit(text); });
  m_tbar->installEventFilter(this);

  m_auto_timer = new QTimer(this);
  m_auto_timer->setTimerType(Qt::PreciseTimer);
  connect(m_auto_timer, &QTimer::timeout, this, [this] { on_auto_step(); });
  m_ftb_timer = new QTimer(this);
  m_ftb_timer->setInterval(kFtbBlinkMs);
  connect(m_ftb_timer, &QTimer::timeout, this, [this] { on_ftb_blink(); });
}

void CClass_switcher_dlg::bind_handlers() {
  for (int n = 1; n <= kSwitcherSources; ++n) {
    on_command(kSources[n - 1].pgm, [this, n] { on_pgm(n); });
    on_command(kSources[n - 1].pvm, [this, n] { on_pvm(n); });
  }
  on_command(IDC_SW_CUT, [this] { on_cut(); });
  on_command(IDC_SW_PIP, [this] { on_layer_key(1); });
  on_command(IDC_SW_KEY1, [this] { on_layer_key(2); });
  on_command(IDC_SW_KEY2, [this] { on_layer_key(3); });
  on_command(IDC_SW_BKGD, [this] { on_bkgd(); });
  on_command(IDC_SW_ON_AIR, [this] { on_on_air(); });
  on_command(IDC_SW_ON_AIR2, [this] { on_on_air2(); });
  on_command(IDC_SW_MIX, [this] { on_transition(1); });
  on_command(IDC_SW_DIP, [this] { on_transition(2); });
  on_command(IDC_SW_WIPE, [this] { on_transition(3); });
  on_command(IDC_SW_AUTO, [this] { on_auto(); });
  on_command(IDC_SW_FTB, [this] { on_ftb(); });
  on_command(IDC_SW_STREAM_ON, [] { OnStreamOn(); });
  on_command(IDC_SW_CONFIGURE, [this] { OpenConfigure(); });
  for (int r = 0; r < 3; ++r)
    on_command(IDC_SW_RATE_1 + r, [this, r] {
      if (data().tbar_moving != 1) SelectRate(r);
    });
  connect(m_tbar, &CSkinSlider::slider_pos_changing, this,
          [this](int, int pos) { on_tbar_changing(pos); });
  connect(m_tbar, &CSkinSlider::clicked, this, [this](int) {
    if (QWidget* ftb = control(IDC_SW_FTB)) ftb->setFocus();
  });
}

// ---- sockets and workers ----

void CClass_switcher_dlg::start_link() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // A show that followed this switcher's reports while the page was closed
  // knows where its buses are now: the page starts from there.
  if (main->m_show_runner.is_switcher(main->switcher_target())) {
    if (const auto buses = main->m_show_runner.switcher_buses()) {
      SelectPgmSource(buses->first);
      SelectPvmSource(buses->second);
    }
  }
  SwitcherWorkers::Callbacks callbacks;
  // Calls queued on the page: pending ones are dropped when the page goes.
  callbacks.on_reports = [this](std::span<const SwitcherReport> reports) { m_inbox.add(reports); };
  callbacks.on_step = [this](TbarCase kind) {
    QMetaObject::invokeMethod(
        this, [this, kind] { on_tbar_step(kind); }, Qt::QueuedConnection);
  };
  m_workers = std::make_unique<SwitcherWorkers>(m_tbar, data().direction, std::move(callbacks));
  m_tbar->set_position_observer([workers = m_workers.get()] { workers->position_changed(); });

  // The command socket from the command port, aimed at the device's
  // switcher port for the page's life.
  const DeviceLink::HeldSockets held = main->open_switcher_link();
  if (held.command)
    m_workers->start_tbar_worker();
  else
    trace(lcSwitcher(), "create socket fail\n");
  // Reports count from the device the held socket aims at, and from no one
  // else. While the page follows them, a show following the same switcher
  // leaves them to the page, which tells it what they changed.
  // (The opener set the destination from the selected row; with none there
  // is nobody to follow.)
  if (main->m_dev_addr.sin_family == AF_INET)
    m_report_follower = main->follow_switcher_reports(
        main->m_dev_addr.sin_addr, ReportFeed::Role::Primary,
        [workers = m_workers.get()](ReportFeed::Datagrams d) { workers->take_datagrams(d); });
  if (m_report_follower == 0) trace(lcSwitcher(), "create socket fail\n");
}

void CClass_switcher_dlg::stop_link() {
  m_auto_timer->stop();
  m_ftb_timer->stop();
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  // The feed stops calling the workers before they go.
  if (main && m_report_follower) main->unfollow_switcher_reports(m_report_follower);
  m_report_follower = 0;
  if (m_workers) {
    m_workers->stop();
    m_tbar->set_position_observer({});
    // The record keeps the direction for the next visit.
    data().direction = m_workers->direction();
    m_workers.reset();
  }
  if (main) main->close_switcher_link();
  trace(lcSwitcher(), "close the switcher socket \n");
}

bool CClass_switcher_dlg::receiver_running() const {
  const CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  return m_report_follower != 0 && main && main->switcher_reports_open();
}
bool CClass_switcher_dlg::tbar_worker_running() const {
  return m_workers && m_workers->tbar_worker_running();
}
uint8_t CClass_switcher_dlg::tbar_direction() const {
  return m_workers ? m_workers->direction() : data().direction;
}
bool CClass_switcher_dlg::auto_running() const { return m_auto_timer->isActive(); }
int CClass_switcher_dlg::auto_interval_ms() const { return m_auto_timer->interval(); }
bool CClass_switcher_dlg::ftb_blinking() const { return m_ftb_timer->isActive(); }

// ---- highlight operations ----

void CClass_switcher_dlg::SelectPgmSource(int n) {
  SwitcherPageData& d = data();
  if (n == d.pgm_source) return;
  if (valid_source(d.pgm_source))
    set_face(switcher_pgm_control(d.pgm_source), switcher_source_bitmap(d.pgm_source));
  if (valid_source(n)) set_face(switcher_pgm_control(n), switcher_source_bitmap(n) - 1);
  d.pgm_source = static_cast<uint8_t>(n);
}

void CClass_switcher_dlg::SelectPvmSource(int n) {
  SwitcherPageData& d = data();
  if (n == d.pvm_source) return;
  if (valid_source(d.pvm_source))
    set_face(switcher_pvm_control(d.pvm_source), switcher_source_bitmap(d.pvm_source));
  if (valid_source(n))
    set_face(switcher_pvm_control(n), switcher_source_bitmap(n) - (d.tbar_moving == 1 ? 1 : 2));
  d.pvm_source = static_cast<uint8_t>(n);
}

void CClass_switcher_dlg::SwitchPvmPgm() {
  trace(lcSwitcher(), "SwitchPvmPgm  \n");
  SwitcherPageData& d = data();
  const int p = d.pgm_source;
  const int v = d.pvm_source;
  if (p == v) {
    // Both keys are redrawn.
    d.pgm_source = 0;
    d.pvm_source = 0;
  }
  SelectPgmSource(v);
  SelectPvmSource(p);
}

void CClass_switcher_dlg::SelectLayer(int n) {
  SwitcherPageData& d = data();
  switch (d.layer_select) {
    case 1:
      set_face(IDC_SW_PIP, kPipFace[0]);
      break;
    case 2:
      set_face(IDC_SW_KEY1, kKey1Face[0]);
      break;
    case 3:
      set_face(IDC_SW_KEY2, kKey2Face[0]);
      break;
    default:
      break;
  }
  switch (n) {
    case 1:
      d.key1_on = 0;
      d.key2_on = 0;
      set_face(IDC_SW_PIP, kPipFace[1]);
      break;
    case 2:
      d.pip_on = 0;
      d.key2_on = 0;
      set_face(IDC_SW_KEY1, kKey1Face[1]);
      break;
    case 3:
      d.pip_on = 0;
      d.key1_on = 0;
      set_face(IDC_SW_KEY2, kKey2Face[1]);
      break;
    default:
      break;
  }
  d.layer_select = static_cast<uint8_t>(n);
}

void CClass_switcher_dlg::SelectTransitionType(int t) {
  SwitcherPageData& d = data();
  if (t == d.transition_type) return;
  switch (d.transition_type) {
    case 1:
      set_face(IDC_SW_MIX, kMixFace[0]);
      break;
    case 2:
      set_face(IDC_SW_DIP, kDipFace[0]);
      break;
    case 3:
      set_face(IDC_SW_WIPE, kWipeFace[0]);
      break;
    default:
      break;
  }
  switch (t) {
    case 1:
      set_face(IDC_SW_MIX, kMixFace[1]);
      break;
    case 2:
      set_face(IDC_SW_DIP, kDipFace[1]);
      break;
    case 3:
      set_face(IDC_SW_WIPE, kWipeFace[1]);
      break;
    default:
      break;
  }
  d.transition_type = static_cast<uint8_t>(t);
}

void CClass_switcher_dlg::SelectRate(int r) {
  SwitcherPageData& d = data();
  if (r == d.rate_index) return;
  if (d.rate_index < 3) set_face(IDC_SW_RATE_1 + d.rate_index, kRateFace[d.rate_index][0]);
  if (r >= 0 && r < 3) set_face(IDC_SW_RATE_1 + r, kRateFace[r][1]);
  d.rate_index = static_cast<uint8_t>(r);
}

void CClass_switcher_dlg::ShowSubPage(int kind) {
  SwitcherPageData& d = data();
  if (kind == d.sub_page) return;
  if (m_p_switcher_sub_page) {
    PageFrame* old = m_p_switcher_sub_page;
    m_p_switcher_sub_page = nullptr;
    old->destroy_page();
  }
  m_p_switcher_sub_page = create_switcher_sub_page(kind, this);
  if (m_p_switcher_sub_page) {
    m_p_switcher_sub_page->setGeometry(m_switcher_sub_rect);
    m_p_switcher_sub_page->show();
  }
  d.sub_page = static_cast<uint8_t>(kind);
}

// ---- the operator's keys ----

void CClass_switcher_dlg::on_pgm(int source) {
  if (!m_p_glo_main_set_or_get_dlg) {
    trace(lcSwitcher(), "main dlg p is null ,return \n");
    return;
  }
  SelectPgmSource(source);
  run_switcher_op(switcher_device::program_source, data().pgm_source);
  tell_show();
}

void CClass_switcher_dlg::on_pvm(int source) {
  if (!m_p_glo_main_set_or_get_dlg) {
    trace(lcSwitcher(), "main dlg p is null ,return \n");
    return;
  }
  SelectPvmSource(source);
  run_switcher_op(switcher_device::preview_source, data().pvm_source);
  tell_show();
}

void CClass_switcher_dlg::on_cut() {
  run_switcher_op(switcher_device::cut);
  trace(lcSwitcher(), "send cut\n");
  SwitchPvmPgm();
  tell_show();
}

void CClass_switcher_dlg::on_layer_key(int layer) {
  SwitcherPageData& d = data();
  uint8_t* flags[] = {&d.pip_on, &d.key1_on, &d.key2_on};
  static constexpr int kSubPages[] = {3, 1, 2};
  uint8_t& flag = *flags[layer - 1];
  const uint8_t old = flag;
  int target = layer;
  if (flag == 1) {
    if (d.bkgd_on == 0) return;
    flag = 0;
    target = 0;
  } else {
    flag = 1;
  }
  trace(lcSwitcher(), "ch = %d \n", target == 0 ? 0 : layer);
  if (d.layer_select != target) SelectLayer(target);
  using switcher_device::Toggle;
  if (layer == 1)
    run_switcher_op(switcher_device::pip_layer);
  else
    run_switcher_op(switcher_device::toggle, layer == 2 ? Toggle::Key1 : Toggle::Key2, old);
  ShowSubPage(kSubPages[layer - 1]);
}

void CClass_switcher_dlg::on_bkgd() {
  SwitcherPageData& d = data();
  run_switcher_op(switcher_device::toggle, switcher_device::Toggle::Bkgd, d.bkgd_on);
  if (d.layer_select == 0) return;
  d.bkgd_on = d.bkgd_on ? 0 : 1;
  set_face(IDC_SW_BKGD, kBkgdFace[d.bkgd_on]);
}

void CClass_switcher_dlg::on_on_air() {
  SwitcherPageData& d = data();
  run_switcher_op(switcher_device::toggle, switcher_device::Toggle::OnAir, d.on_air);
  d.on_air = d.on_air ? 0 : 1;
  set_face(IDC_SW_ON_AIR, kOnAirFace[d.on_air]);
}

void CClass_switcher_dlg::on_on_air2() {
  SwitcherPageData& d = data();
  run_switcher_op(switcher_device::toggle, switcher_device::Toggle::OnAir2, d.on_air2);
  d.on_air2 = d.on_air2 ? 0 : 1;
}

void CClass_switcher_dlg::on_transition(int type) {
  using switcher_device::Transition;
  static constexpr Transition kTypes[] = {Transition::Mix, Transition::Dip, Transition::Wipe};
  run_switcher_op(switcher_device::transition_type, kTypes[type - 1]);
  SelectTransitionType(type);
  ShowSubPage(0);
}

void CClass_switcher_dlg::on_auto() {
  SwitcherPageData& d = data();
  run_switcher_op(switcher_device::auto_transition);
  d.tbar_value = static_cast<uint8_t>(m_tbar->GetPos());
  trace(lcSwitcher(), "auto beign pos  = %d \n ", d.tbar_value);
  const QString text = m_auto_time_edit->text();
  trace(lcSwitcher(), "%s \n", text.toLocal8Bit().constData());
  m_auto_timer->start(auto_step_interval_ms(text));
  trace(lcSwitcher(), " 555555555  \n");
  if (d.tbar_moving != 1) {
    set_face(IDC_SW_AUTO, kAutoFace[1]);
    d.tbar_moving = 1;
  }
  if (valid_source(d.pvm_source))
    set_face(switcher_pvm_control(d.pvm_source), switcher_source_bitmap(d.pvm_source) - 1);
  trace(lcSwitcher(), "move over\n");
  tell_show();
}

void CClass_switcher_dlg::on_auto_step() {
  SwitcherPageData& d = data();
  d.tbar_value = static_cast<uint8_t>(d.tbar_value + (tbar_direction() == 0 ? 1 : -1));
  m_tbar->SetPos(d.tbar_value);
  if (d.tbar_value == 0 || d.tbar_value == kTbarMax) {
    m_auto_timer->stop();
    trace(lcSwitcher(), "last get pos %d \n", m_tbar->GetPos());
  } else if (d.tbar_moving != 1) {
    set_face(IDC_SW_AUTO, kAutoFace[1]);
    d.tbar_moving = 1;
  }
}

void CClass_switcher_dlg::on_ftb() {
  SwitcherPageData& d = data();
  run_switcher_op(switcher_device::fade_to_black);
  if (d.ftb_on == 0) {
    d.ftb_on = 1;
    m_ftb_timer->start();
  } else {
    d.ftb_on = 0;
    m_ftb_timer->stop();
  }
}

void CClass_switcher_dlg::on_ftb_blink() {
  set_face(IDC_SW_FTB, kFtbFace[m_ftb_blink_phase == 0 ? 0 : 1]);
  m_ftb_blink_phase = ~m_ftb_blink_phase;
}

void CClass_switcher_dlg::on_tbar_changing(int pos) {
  data().tbar_value = static_cast<uint8_t>(tbar_direction() == 0 ? pos : 129 - pos);
}

// A frame for this step went out from the T-bar worker; the images and the
// record follow here, on the UI thread.
void CClass_switcher_dlg::on_tbar_step(TbarCase kind) {
  SwitcherPageData& d = data();
  if (m_workers) d.direction = m_workers->direction();
  switch (kind) {
    case TbarCase::AtStart:
      if (d.tbar_moving) {
        set_face(IDC_SW_AUTO, kAutoFace[0]);
        d.tbar_moving = 0;
      }
      if (valid_source(d.pvm_source))
        set_face(switcher_pvm_control(d.pvm_source), switcher_source_bitmap(d.pvm_source) - 2);
      break;
    case TbarCase::PartWay:
      if (d.tbar_moving != 1) {
        set_face(IDC_SW_AUTO, kAutoFace[1]);
        d.tbar_moving = 1;
      }
      if (valid_source(d.pvm_source))
        set_face(switcher_pvm_control(d.pvm_source), switcher_source_bitmap(d.pvm_source) - 1);
      break;
    case TbarCase::Complete:
      if (d.tbar_moving) {
        set_face(IDC_SW_AUTO, kAutoFace[0]);
        d.tbar_moving = 0;
      }
      SwitchPvmPgm();
      break;
  }
  tell_show();
}

void CClass_switcher_dlg::tell_show() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  const SwitcherPageData& d = data();
  main->m_show_runner.switcher_changed(main->switcher_target(), d.pgm_source, d.pvm_source,
                                       d.tbar_moving == 1);
}

// ---- device reports ----

void CClass_switcher_dlg::OnDeviceReports(const SwitcherReportBatch& batch) {
  if (batch.empty()) return;
  trace(lcSwitcher(), "switcher reports applied: %llu\n",
        static_cast<unsigned long long>(batch.count()));
  SwitcherPageData& d = data();
  // Preview keys light red while a transition runs, as SelectPvmSource has it.
  const int preview_lit = d.tbar_moving == 1 ? 1 : 2;
  batch.apply(d, [this, preview_lit](SwitcherKey key, int index, bool lit) {
    switch (key) {
      case SwitcherKey::Pgm:
        set_face(switcher_pgm_control(index), switcher_source_bitmap(index) - (lit ? 1 : 0));
        break;
      case SwitcherKey::Pvm:
        set_face(switcher_pvm_control(index),
                 switcher_source_bitmap(index) - (lit ? preview_lit : 0));
        break;
      case SwitcherKey::Layer: {
        static constexpr int kLayerKeys[] = {IDC_SW_PIP, IDC_SW_KEY1, IDC_SW_KEY2};
        const int* faces[] = {kPipFace, kKey1Face, kKey2Face};
        set_face(kLayerKeys[index - 1], faces[index - 1][lit ? 1 : 0]);
        break;
      }
      case SwitcherKey::OnAir:
        set_face(IDC_SW_ON_AIR, kOnAirFace[lit ? 1 : 0]);
        break;
      case SwitcherKey::Bkgd:
        set_face(IDC_SW_BKGD, kBkgdFace[lit ? 1 : 0]);
        break;
      case SwitcherKey::Transition: {
        static constexpr int kTransitionKeys[] = {IDC_SW_MIX, IDC_SW_DIP, IDC_SW_WIPE};
        const int* faces[] = {kMixFace, kDipFace, kWipeFace};
        set_face(kTransitionKeys[index - 1], faces[index - 1][lit ? 1 : 0]);
        break;
      }
    }
  });
  tell_show();
}

void CClass_switcher_dlg::toggle_layer_report(uint8_t& flag, int layer, int trace_value) {
  SwitcherPageData& d = data();
  if (flag == 1) {
    trace(lcSwitcher(), "ch = %d \n", 0);
    if (d.layer_select != 0) SelectLayer(0);
    flag = 0;
  } else {
    trace(lcSwitcher(), "ch = %d \n", trace_value);
    if (d.layer_select != layer) SelectLayer(layer);
    flag = 1;
  }
}

void CClass_switcher_dlg::OnDeviceReport(const SwitcherReport& report) {
  SwitcherPageData& d = data();
  using K = SwitcherReportKind;
  switch (report.kind) {
    case K::PgmSource:
      SelectPgmSource(report.arg1);
      break;
    case K::PvmSource:
      SelectPvmSource(report.arg1);
      break;
    case K::Cut:
      SwitchPvmPgm();
      break;
    case K::Layer: {
      uint8_t* const flags[] = {&d.pip_on, &d.key1_on, &d.key2_on};
      toggle_layer_report(*flags[report.layer - 1], report.layer, report.layer);
      break;
    }
    case K::OnAir:
      d.on_air = d.on_air ? 0 : 1;
      set_face(IDC_SW_ON_AIR, kOnAirFace[d.on_air]);
      break;
    case K::Bkgd:
      d.bkgd_on = d.bkgd_on ? 0 : 1;
      set_face(IDC_SW_BKGD, kBkgdFace[d.bkgd_on]);
      break;
    case K::Transition:
      SelectTransitionType(report.transition);
      break;
    case K::Tbar:  // applied by the receiver thread itself
    case K::Ignored:
      break;
  }
  tell_show();
}

// ---- keys, mouse and menu ----

void CClass_switcher_dlg::on_enter_key(QWidget* focus) {
  if (focus != m_auto_time_edit) return;
  m_auto_time_edit->setText(duration_text_after_enter(m_auto_time_edit->text()));
  QMetaObject::invokeMethod(
      m_auto_time_edit, [edit = m_auto_time_edit] { edit->clearFocus(); }, Qt::QueuedConnection);
}

void CClass_switcher_dlg::track_duration_text(const QString& text) {
  if (text == m_duration_text) return;
  m_duration_before = m_duration_text;
  m_duration_text = text;
}

void CClass_switcher_dlg::guard_duration_edit(const QString& text) {
  // Whichever of textChanged and textEdited comes first, the text before
  // this edit is m_duration_before once both have been seen. The paths that
  // insert text are held to the rule before they act (duration_insert_allowed);
  // an edit that still breaks it is taken back once the box has finished it.
  track_duration_text(text);
  const QString before = m_duration_before;
  if (duration_edit_allowed(before, text)) return;
  trace(lcSwitcher(), "duration box refused \"%s\"\n", text.toLocal8Bit().constData());
  QMetaObject::invokeMethod(
      m_auto_time_edit,
      [edit = m_auto_time_edit, before, text] {
        if (edit->text() == text) edit->setText(before);
      },
      Qt::QueuedConnection);
}

bool CClass_switcher_dlg::duration_insert_allowed(const QString& inserted, int at) const {
  // What the box would hold: the selection (or nothing at `at`) replaced by
  // the inserted text.
  const QString before = m_auto_time_edit->text();
  QString after = before;
  if (at < 0 && m_auto_time_edit->hasSelectedText()) {
    after.replace(m_auto_time_edit->selectionStart(), m_auto_time_edit->selectedText().size(),
                  inserted);
  } else {
    after.insert(
        at < 0 ? m_auto_time_edit->cursorPosition() : std::min<qsizetype>(at, after.size()),
        inserted);
  }
  if (duration_edit_allowed(before, after)) return true;
  trace(lcSwitcher(), "duration box refused \"%s\"\n", inserted.toLocal8Bit().constData());
  return false;
}

// Paste (keys, middle button, context menu), drop and input methods put text
// into the duration box past the key filter: each is let through only when
// what it inserts is what typing could (duration_edit_allowed).
bool CClass_switcher_dlg::filter_duration_insert(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(event);
      if (!k->matches(QKeySequence::Paste)) return false;
      return !duration_insert_allowed(QGuiApplication::clipboard()->text(), -1);
    }
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() != Qt::MiddleButton || !QGuiApplication::clipboard()->supportsSelection())
        return false;
      return !duration_insert_allowed(QGuiApplication::clipboard()->text(QClipboard::Selection),
                                      m_auto_time_edit->cursorPositionAt(m->position().toPoint()));
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* d = static_cast<QDropEvent*>(event);
      const QString text = d->mimeData() ? d->mimeData()->text() : QString();
      QString after = m_auto_time_edit->text();
      after.insert(m_auto_time_edit->cursorPositionAt(d->position().toPoint()), text);
      if (duration_edit_allowed(m_auto_time_edit->text(), after)) return false;
      if (event->type() == QEvent::Drop)
        trace(lcSwitcher(), "duration box refused \"%s\"\n", text.toLocal8Bit().constData());
      d->ignore();
      return true;
    }
    case QEvent::InputMethod: {
      auto* im = static_cast<QInputMethodEvent*>(event);
      if (im->commitString().isEmpty()) return false;
      return !duration_insert_allowed(im->commitString(), -1);
    }
    case QEvent::ContextMenu: {
      // The box's own menu, with Paste only when the clipboard's text may go in.
      auto* c = static_cast<QContextMenuEvent*>(event);
      std::unique_ptr<QMenu> menu(m_auto_time_edit->createStandardContextMenu());
      const QString clip = QGuiApplication::clipboard()->text();
      for (QAction* a : menu->actions())
        if (a->objectName() == QStringLiteral("edit-paste") && !clip.isEmpty())
          a->setEnabled(duration_insert_allowed(clip, -1));
      menu->exec(c->globalPos());
      return true;
    }
    default:
      return false;
  }
}

void CClass_switcher_dlg::on_escape_key(QWidget*) { trace(lcSwitcher(), " mian  esc  \n"); }

bool CClass_switcher_dlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_auto_time_edit && filter_duration_insert(event)) return true;
  if (watched == m_auto_time_edit && event->type() == QEvent::KeyPress) {
    // Digits only, at most four typed characters.
    auto* k = static_cast<QKeyEvent*>(event);
    const QString text = k->text();
    // Shortcuts (paste, select all, undo) pass; the edit guard holds what
    // they change to the same rule.
    const bool shortcut = k->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!shortcut && !text.isEmpty() && text[0].isPrint()) {
      const bool digit = text.size() == 1 && text[0].isDigit();
      const int kept = m_auto_time_edit->text().size() -
                       static_cast<int>(m_auto_time_edit->selectedText().size());
      if (!digit || kept >= kDurationMaxTyped) return true;
    }
    return false;
  }
  if (watched == m_tbar &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    auto* m = static_cast<QMouseEvent*>(event);
    if (m->button() != Qt::LeftButton) return false;
    const int pos = m_tbar->GetPos();
    const uint8_t direction = tbar_direction();
    if (event->type() == QEvent::MouseButtonPress) {
      trace(lcSwitcher(), "mouse down,pos = %d,direction = %d \n", pos, direction);
      // The device hears where the bar stands before the drag moves it.
      run_switcher_op(switcher_device::tbar, direction, tbar_press_value(pos, direction));
    } else {
      trace(lcSwitcher(), "mouse up,pos = %d,direction = %d \n", pos, direction);
    }
    return false;
  }
  return PageFrame::eventFilter(watched, event);
}

void CClass_switcher_dlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* configure = menu.addAction(QStringLiteral("Switcher Configure…"));
  if (menu.exec(event->globalPos()) == configure) OpenConfigure();
}

void CClass_switcher_dlg::OpenConfigure() {
  if (!m_pSetConfigure) {
    trace(lcSwitcher(), "m_pSetConfigure = null \n");
    auto* popup = new CClass_switcher_aux_rate_dlg(this);
    popup->setGeometry(QRect(mapToGlobal(QPoint(0, 0)) + QPoint(340, 20), QSize(320, 550)));
    m_pSetConfigure = popup;
  }
  m_pSetConfigure->show();
  m_pSetConfigure->raise();
}
