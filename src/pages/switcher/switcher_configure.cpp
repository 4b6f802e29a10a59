#include "pages/switcher/switcher_configure.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>

#include "devices/switcher/switcher_device.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace {
constexpr int kConfigureBitmap = 191;
constexpr QSize kConfigureSize(320, 550);
constexpr int kWindowCount = 8;
constexpr int kWindowLists[kWindowCount] = {IDC_SW_CFG_WND1, IDC_SW_CFG_WND2, IDC_SW_CFG_WND3,
                                            IDC_SW_CFG_WND4, IDC_SW_CFG_WND5, IDC_SW_CFG_WND6,
                                            IDC_SW_CFG_WND7, IDC_SW_CFG_WND8};
constexpr int kRateEdits[3] = {IDC_SW_CFG_RATE1, IDC_SW_CFG_RATE2, IDC_SW_CFG_RATE3};
constexpr int kRateDown[3] = {IDC_SW_CFG_RATE1_DOWN, IDC_SW_CFG_RATE2_DOWN, IDC_SW_CFG_RATE3_DOWN};
constexpr int kRateUp[3] = {IDC_SW_CFG_RATE1_UP, IDC_SW_CFG_RATE2_UP, IDC_SW_CFG_RATE3_UP};
// Rates in tenths of a second.
constexpr int kRateLowest = 1;
constexpr int kRateHighest = 99;

const QRect kResolutionGroup(10, 10, 300, 60);
const QRect kRateGroup(10, 80, 300, 130);
const QRect kWindowGroup(10, 210, 300, 300);

QStringList window_input_items() {
  QStringList items;
  for (int n = 1; n <= 10; ++n) items << QString::asprintf("Cam_%02d", n);
  return items;
}

DialogTemplate configure_template() {
  DialogTemplate t;
  t.dialog_id = 378;
  t.caption = QStringLiteral("Switcher Configure");
  t.size = kConfigureSize;
  t.controls = {
      sw_control(IDC_SW_CFG_RESOLUTION_GROUP, ControlKind::GroupBox, QStringLiteral("Resolution"),
                 kResolutionGroup),
      sw_control(-1, ControlKind::Static, QStringLiteral("Resolution"), QRect(25, 33, 80, 22)),
      sw_control(IDC_SW_CFG_RESOLUTION, ControlKind::ComboList, {}, QRect(110, 32, 180, 24), true,
                 {QStringLiteral("1080p60"), QStringLiteral("1080p50"), QStringLiteral("1080i50"),
                  QStringLiteral("1080p30"), QStringLiteral("1080p25")}),
      sw_control(IDC_SW_CFG_RATE_GROUP, ControlKind::GroupBox, QStringLiteral("Slider Rate"),
                 kRateGroup),
      sw_control(IDC_SW_CFG_WINDOW_GROUP, ControlKind::GroupBox, QStringLiteral("Window Input"),
                 kWindowGroup),
  };
  for (int k = 0; k < 3; ++k) {
    const int y = 102 + 34 * k;
    t.controls.push_back(sw_control(-2 - k, ControlKind::Static,
                                    QStringLiteral("Rate %1").arg(k + 1),
                                    QRect(25, y + 1, 70, 22)));
    t.controls.push_back(
        sw_control(kRateDown[k], ControlKind::Button, QStringLiteral("-"), QRect(110, y, 34, 24)));
    t.controls.push_back(
        sw_control(kRateEdits[k], ControlKind::Edit, QStringLiteral("0.1"), QRect(150, y, 90, 24)));
    t.controls.push_back(
        sw_control(kRateUp[k], ControlKind::Button, QStringLiteral("+"), QRect(246, y, 34, 24)));
  }
  for (int n = 0; n < kWindowCount; ++n) {
    const int y = 234 + 34 * n;
    t.controls.push_back(sw_control(-10 - n, ControlKind::Static,
                                    QStringLiteral("Wnd%1").arg(n + 1), QRect(25, y + 1, 70, 22)));
    t.controls.push_back(sw_control(kWindowLists[n], ControlKind::ComboList, {},
                                    QRect(110, y, 180, 24), true, window_input_items()));
  }
  return t;
}

// "%d.%d" read the way a C scanner reads it: a leading number, then after a
// point a second one; a part that is absent stays 0. False when a number does
// not fit an int.
bool parse_rate(const QString& text, int& a, int& b) {
  static const QRegularExpression pattern(
      QStringLiteral("^\\s*([+-]?\\d+)(?:\\.\\s*([+-]?\\d+))?"));
  a = b = 0;
  const QRegularExpressionMatch m = pattern.match(text);
  if (!m.hasMatch()) return true;
  bool ok = true;
  a = m.captured(1).toInt(&ok);
  if (!ok) return false;
  if (m.hasCaptured(2)) b = m.captured(2).toInt(&ok);
  return ok;
}
}  // namespace

int switcher_window_list_id(int n) { return n >= 1 && n <= kWindowCount ? kWindowLists[n - 1] : 0; }

CClass_switcher_aux_rate_dlg::CClass_switcher_aux_rate_dlg(QWidget* page)
    : PageFrame(configure_template(), kConfigureBitmap, page) {
  // A captioned pop-up of the page, not a child inside it.
  setWindowFlags(Qt::Dialog);
  setWindowTitle(QStringLiteral("Switcher Configure"));
  resize(kConfigureSize);
  if (QWidget* g = control(IDC_SW_CFG_RESOLUTION_GROUP)) g->setGeometry(kResolutionGroup);
  if (QWidget* g = control(IDC_SW_CFG_RATE_GROUP)) g->setGeometry(kRateGroup);
  if (QWidget* g = control(IDC_SW_CFG_WINDOW_GROUP)) g->setGeometry(kWindowGroup);

  if (QComboBox* resolution = combo(IDC_SW_CFG_RESOLUTION)) resolution->setCurrentIndex(0);
  on_command(IDC_SW_CFG_RESOLUTION, [this] { on_resolution(); });
  for (int k = 1; k <= 3; ++k) {
    if (QLineEdit* e = edit(kRateEdits[k - 1])) {
      e->setReadOnly(true);
      e->setText(QStringLiteral("0.1"));
    }
    on_command(kRateDown[k - 1], [this, k] { step_rate(k, -1); });
    on_command(kRateUp[k - 1], [this, k] { step_rate(k, +1); });
  }
  for (int n = 1; n <= kWindowCount; ++n) {
    if (QComboBox* list = combo(switcher_window_list_id(n))) list->setCurrentIndex(0);
    on_command(switcher_window_list_id(n), [this, n] { on_window(n); });
  }
}

CClass_switcher_aux_rate_dlg::~CClass_switcher_aux_rate_dlg() = default;

void CClass_switcher_aux_rate_dlg::step_rate(int k, int step) {
  if (k < 1 || k > 3) return;
  QLineEdit* e = edit(kRateEdits[k - 1]);
  if (!e) return;
  int a = 0, b = 0;
  // Read as the device family's panels read it: in the 8-bit code page.
  const QByteArray ansi = e->text().toLocal8Bit();
  if (!parse_rate(QString::fromLatin1(ansi), a, b)) return;
  // 0.1 is the lowest rate and 9.9 the highest.
  if (step < 0 && a == 0 && b == 1) return;
  if (step > 0 && a == 9 && b == 9) return;
  const long long t = 10LL * a + b + step;
  // Only rates the device takes go out, whatever text the edit holds.
  if (t < kRateLowest || t > kRateHighest) return;
  const int ms = static_cast<int>(t) * 100;
  run_switcher_op(switcher_device::rate, static_cast<uint8_t>(k), static_cast<uint16_t>(ms));
  e->setText(QString::asprintf("%d.%d", static_cast<int>(t / 10), static_cast<int>(t % 10)));
}

void CClass_switcher_aux_rate_dlg::on_resolution() {
  QComboBox* list = combo(IDC_SW_CFG_RESOLUTION);
  if (!list || list->currentIndex() < 0) return;
  run_switcher_op(switcher_device::configure_resolution,
                  static_cast<uint8_t>(list->currentIndex()));
}

void CClass_switcher_aux_rate_dlg::on_window(int n) {
  QComboBox* list = combo(switcher_window_list_id(n));
  if (!list || list->currentIndex() < 0) return;
  run_switcher_op(switcher_device::configure_window, static_cast<uint8_t>(n),
                  static_cast<uint8_t>(list->currentIndex() + 1));
}

void CClass_switcher_aux_rate_dlg::on_enter_key(QWidget*) { hide(); }
void CClass_switcher_aux_rate_dlg::on_escape_key(QWidget*) { hide(); }
