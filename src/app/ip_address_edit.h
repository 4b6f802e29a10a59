#pragma once
// IPv4 address field: four number fields of 0..255 separated by dots, like
// the platform's address control. Reads and writes the address as text or as
// four bytes in field order.
#include <QLineEdit>
#include <QWidget>
#include <array>
#include <cstdint>

class IpAddressEdit : public QWidget {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent = nullptr);

  // Accepts "a.b.c.d"; anything else clears the fields.
  void set_address(const QString& text);
  QString address() const;  // "a.b.c.d"; blank fields read as 0
  std::array<uint8_t, 4> address_bytes() const;
  bool is_blank() const;
  void clear_address();
  QLineEdit* field(int index) const { return m_fields[static_cast<size_t>(index)]; }

 signals:
  void address_edited();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  std::array<QLineEdit*, 4> m_fields{};
};
