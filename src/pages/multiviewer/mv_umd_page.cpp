#include "pages/multiviewer/mv_umd_page.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QSaveFile>
#include <QValidator>
#include <cerrno>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/umd_label_csv.h"
#include "link/trace.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_subpage_util.h"
#include "pages/multiviewer/umd_file_chooser.h"

namespace {
using C = CClass_16view_umd;

DialogTemplate umd_template() {
  DialogTemplate t;
  t.dialog_id = 160;
  t.size = kMvSubPageSize;
  t.controls = {
      mv_control(C::IDC_UMD_GROUP, ControlKind::GroupBox, {}, kMvSubPageGroupRect),
      mv_control(-1, ControlKind::Static, QStringLiteral("All Channel UMD"),
                 QRect(60, 33, 130, 20)),
      mv_control(C::IDC_UMD_ENABLE, ControlKind::ComboList, {}, QRect(195, 30, 120, 24), true,
                 {QStringLiteral("UMD OFF"), QStringLiteral("UMD ON")}),
      mv_control(C::IDC_UMD_ALL_ON, ControlKind::Button, QStringLiteral("All Channel On"),
                 QRect(330, 12, 130, 28), false),
      mv_control(C::IDC_UMD_ALL_OFF, ControlKind::Button, QStringLiteral("All Channel Off"),
                 QRect(330, 44, 130, 28), false),
      mv_control(C::IDC_UMD_EXPORT, ControlKind::Button, QStringLiteral("Export…"),
                 QRect(330, 28, 70, 28)),
      mv_control(C::IDC_UMD_IMPORT, ControlKind::Button, QStringLiteral("Import…"),
                 QRect(405, 28, 70, 28)),
  };
  // Windows 1..8 in the left column, 9..16 in the right, below the line at y 80.
  for (int n = 1; n <= kMvWindowCount; ++n) {
    const int column = (n - 1) / 8;
    const int x = 22 + column * 230;
    const int y = 100 + ((n - 1) % 8) * 37;
    t.controls.push_back(mv_control(-100 - n, ControlKind::Static,
                                    QStringLiteral("Window%1").arg(n), QRect(x, y + 3, 78, 20)));
    t.controls.push_back(
        mv_control(C::field_id(n), ControlKind::Edit, {}, QRect(x + 80, y, 120, 24)));
    t.controls.push_back(mv_control(C::IDC_UMD_FIRST_LINE + 2 * (n - 1), ControlKind::CheckBox,
                                    QStringLiteral("Line%1").arg(n, 2, 10, QLatin1Char('0')),
                                    QRect(x + 202, y, 20, 24), false));
  }
  return t;
}

// Refuses typing that would make a label longer than the field's limit, but
// keeps a longer label that came from the device (and lets it be shortened),
// as the platform's text limit does.
class LabelLengthValidator : public QValidator {
 public:
  LabelLengthValidator(QLineEdit* field, int limit) : QValidator(field), m_limit(limit) {
    m_length = field->text().size();
    connect(field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_length = text.size(); });
  }
  State validate(QString& input, int&) const override {
    return input.size() <= m_limit || input.size() < m_length ? Acceptable : Invalid;
  }

 private:
  int m_limit;
  qsizetype m_length = 0;
};
}  // namespace

CClass_16view_umd::CClass_16view_umd(QWidget* shell) : PageFrame(umd_template(), 194, shell) {
  m_p_main = m_p_glo_main_set_or_get_dlg;
  control(IDC_UMD_GROUP)->setGeometry(kMvSubPageGroupRect);
  for (int n = 1; n <= kMvWindowCount; ++n) {
    QLineEdit* field = edit(field_id(n));
    if (m_p_main) field->setText(m_p_main->m_16_view_umd_text[n - 1]);
    field->setValidator(new LabelLengthValidator(field, kUmdFieldMaxChars));
  }
  for (int id : {IDC_UMD_ALL_ON, IDC_UMD_ALL_OFF})
    style_mv_push_button(button(id), QColor(64, 64, 64), QColor(60, 180, 255));
  combo(IDC_UMD_ENABLE)->setCurrentIndex(m_p_main && m_p_main->m_16_view_umd_show != 0 ? 1 : 0);

  on_command(IDC_UMD_ENABLE, [this] { on_umd_enable(combo(IDC_UMD_ENABLE)->currentIndex()); });
  on_command(IDC_UMD_ALL_ON, [this] { on_umd_enable(1); });
  on_command(IDC_UMD_ALL_OFF, [this] { on_umd_enable(0); });
  on_command(IDC_UMD_EXPORT, [this] {
    if (const QString path = choose_umd_file(this, true); !path.isEmpty()) export_labels(path);
  });
  on_command(IDC_UMD_IMPORT, [this] {
    if (const QString path = choose_umd_file(this, false); !path.isEmpty()) import_labels(path);
  });
}

void CClass_16view_umd::paint_page(QPainter& painter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(20, 80, 470, 80);
}

void CClass_16view_umd::on_enter_key(QWidget* focus) {
  m_umd_string_index = -1;
  for (int n = 1; n <= kMvWindowCount; ++n) {
    if (focus && edit(field_id(n)) == focus) {
      m_umd_string_index = static_cast<int8_t>(n - 1);
      break;
    }
  }
  trace(lcMultiviewer(), "m_umd_string_index = %d \n", m_umd_string_index);
  if (m_umd_string_index >= 0) send_label(m_umd_string_index + 1);
}

void CClass_16view_umd::on_escape_key(QWidget*) {}

void CClass_16view_umd::show_label(int window) {
  if (!m_p_main || window < 1 || window > kMvWindowCount) return;
  QLineEdit* field = edit(field_id(window));
  // A field the operator has typed in and not left keeps what was typed.
  if (field->hasFocus() && field->isModified()) return;
  field->setText(m_p_main->m_16_view_umd_text[window - 1]);
}

// The label of window n goes out as command 1E (payload: see
// umd_text_payload); the model keeps it even when nothing could be sent.
void CClass_16view_umd::send_label(int window) {
  if (!m_p_main) return;
  const QString text = edit(field_id(window))->text();
  m_p_main->m_16_view_umd_text[window - 1] = text;
  mv_device::set_label(m_p_main->transports(), m_p_main->device_target(),
                       static_cast<uint8_t>(window), text);
}

void CClass_16view_umd::on_umd_enable(int selection) {
  if (!m_p_main || selection < 0) return;
  mv_device::set_umd(m_p_main->transports(), m_p_main->device_target(), selection != 0);
  m_p_main->m_16_view_umd_show = selection != 0 ? 1 : 0;
  if (mv_send_reached_link(*m_p_main)) RecalcUmdStrips(*m_p_main);
}

bool CClass_16view_umd::export_labels(const QString& path) {
  if (!m_p_main) return false;
  std::array<QString, kUmdCsvWindows> labels;
  for (int n = 1; n <= kUmdCsvWindows; ++n) labels[n - 1] = m_p_main->m_16_view_umd_text[n - 1];
  // Written beside the old file and renamed over it at commit: a full disk
  // or a crash on the way leaves the old file as it was. The flush comes
  // before the commit because the commit does not report a write that fails
  // while it flushes (a disk that takes part of the bytes): the file would be
  // renamed over the old one cut short.
  QSaveFile file(path);
  const QByteArray bytes = write_umd_csv(labels);
  QString why;
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    why = file.errorString();
  } else {
    errno = 0;
    if (!file.flush()) {
      // The file engine keeps no reason for a short write; the system's is
      // that of the last call.
      why = errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
    } else if (file.commit()) {
      return true;
    } else {
      why = file.errorString();
    }
  }
  show_plain_message(QStringLiteral("Cannot write %1: %2").arg(path, why));
  return false;
}

int CClass_16view_umd::import_labels(const QString& path) {
  if (!m_p_main) return -1;
  const UmdCsvFile file = load_umd_csv_file(path);
  if (!file.ok()) {
    show_plain_message(file.error + QStringLiteral(". No label was sent."));
    return -1;
  }
  const UmdCsvRead read = read_umd_csv(file.bytes);
  if (!read.ok()) {
    show_plain_message(QStringLiteral("%1, line %2: %3. No label was sent.")
                           .arg(QFileInfo(path).fileName())
                           .arg(read.bad_line)
                           .arg(read.why));
    return -1;
  }
  // The page may go while a send waits; what is left of the file is then
  // not sent.
  const PageGuard guard(this);
  int sent = 0;
  for (int n = 1; n <= kUmdCsvWindows && guard; ++n) {
    const std::optional<QString>& label = read.labels[n - 1];
    QLineEdit* field = edit(field_id(n));
    if (!label || field->text() == *label) continue;
    field->setText(*label);
    m_umd_string_index = static_cast<int8_t>(n - 1);
    send_label(n);
    ++sent;
  }
  return sent;
}
