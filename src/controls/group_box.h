#pragma once
// Group frame drawn over the skinned page: a thin grey rounded rectangle and
// the caption in grey, with the page's skin (not a solid colour) behind the
// caption. The parent's pixels under the control are captured once, at the
// first paint, and kept for the life of the control.
#include <QGroupBox>
#include <QPixmap>

class CMyGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit CMyGroupBox(const QString& caption = {}, QWidget* parent = nullptr);
  ~CMyGroupBox() override;

  bool has_captured_background() const { return !m_background.isNull(); }
  const QPixmap& captured_background() const { return m_background; }
  // Where the background was captured, in the parent's coordinates.
  QRect captured_rect() const { return m_captured_rect; }

  // The part of the captured background copied back under the caption's
  // start: (10, 0), caption width - 35 wide, caption height high; empty when
  // there is nothing to copy.
  static QRect caption_strip(const QString& caption);

  static constexpr QRgb kFrameColour = 0xFFA8A8A8;    // RGB(168, 168, 168)
  static constexpr QRgb kCaptionColour = 0xFF808080;  // RGB(128, 128, 128)

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void capture_background();
  QPixmap m_background;
  QRect m_captured_rect;
  bool m_capturing = false;
};
