#include "app/ip_address_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QStringList>

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (size_t i = 0; i < m_fields.size(); ++i) {
    auto* f = new QLineEdit(this);
    f->setValidator(new QIntValidator(0, 255, f));
    f->setMaxLength(3);
    f->setAlignment(Qt::AlignCenter);
    f->setFrame(false);
    m_fields[i] = f;
    row->addWidget(f, 1);
    if (i + 1 < m_fields.size()) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setAlignment(Qt::AlignCenter);
      row->addWidget(dot);
    }
    connect(f, &QLineEdit::textEdited, this, [this, i](const QString& text) {
      // Typing a third digit or a dot moves on to the next field.
      if (i + 1 < m_fields.size() && (text.size() == 3 || text.endsWith('.'))) {
        if (text.endsWith('.')) m_fields[i]->setText(text.chopped(1));
        m_fields[i + 1]->setFocus();
        m_fields[i + 1]->selectAll();
      }
      emit address_edited();
    });
  }
}

void IpAddressEdit::set_address(const QString& text) {
  const QStringList parts = text.trimmed().split('.');
  bool valid = parts.size() == 4;
  for (const QString& p : parts) {
    bool ok = false;
    const int v = p.toInt(&ok);
    valid = valid && ok && v >= 0 && v <= 255;
  }
  for (size_t i = 0; i < m_fields.size(); ++i)
    m_fields[i]->setText(valid ? QString::number(parts[static_cast<qsizetype>(i)].toInt())
                               : QString());
}

std::array<uint8_t, 4> IpAddressEdit::address_bytes() const {
  std::array<uint8_t, 4> bytes{};
  for (size_t i = 0; i < m_fields.size(); ++i)
    bytes[i] = static_cast<uint8_t>(std::clamp(m_fields[i]->text().toInt(), 0, 255));
  return bytes;
}

QString IpAddressEdit::address() const {
  const auto b = address_bytes();
  return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
}

bool IpAddressEdit::is_blank() const {
  for (auto* f : m_fields)
    if (!f->text().isEmpty()) return false;
  return true;
}

void IpAddressEdit::clear_address() {
  for (auto* f : m_fields) f->clear();
}

void IpAddressEdit::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange)
    for (auto* f : m_fields) f->setEnabled(isEnabled());
  QWidget::changeEvent(event);
}
