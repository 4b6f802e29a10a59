#pragma once
// The tm3306 page (dialog 377) for device type 0xA3 and, in serial mode, for
// any type the panel does not know: the same sixteen layout keys and preview
// as the rk5502 page, but no state is read: every new page starts at layout
// 0. Each key sends its code over UDP or the serial port by the connection
// mode. The layout and the preview model live in the main window.
#include <cstdint>

#include "app/page_frame.h"

class LayoutPreviewControl;
class QPainter;

enum Tm3306PageControl {
  IDC_TM3306_LAYOUT_FIRST = 1032,  // layout code k on 1032 + k, k = 0..15
  IDC_TM3306_PREVIEW = 1205,
  IDC_TM3306_GROUP = 1206,
  IDC_TM3306_GROUP_HIDDEN = 1207,
};

constexpr int kTm3306PageBitmap = 187;

class CClass_new_tm3306_dlg : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_new_tm3306_dlg(QWidget* parent);
  ~CClass_new_tm3306_dlg() override;

  // Layout key k calls it with k.
  void SelectTm3306Layout(int code);
  // Sends m_tm3306_show_mode with command 0x94 by the connection mode.
  void SendTm3306Layout();
  // Rebuilds the preview model from m_tm3306_show_mode and repaints it.
  void RecalcLayoutRects();
  // Paints the preview picture onto a 720 x 480 canvas.
  void PaintLayoutPreview(QPainter& canvas) const;

  LayoutPreviewControl* preview_control() const;

 protected:
  QWidget* create_custom_control(const ControlSpec& spec) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void record_preview_rect();
  void set_key_face(int code, bool active);
};
