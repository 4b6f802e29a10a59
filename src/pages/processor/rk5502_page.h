#pragma once
// The rk5502 page (dialog 308) for device type 0x60: a grid of sixteen layout
// keys, the layout preview left of them, and one state query at creation
// that shows the layout the device is in. Every frame travels over UDP,
// whatever the connection mode. The page data and the preview model live in
// the main window; the page only shows them and writes them as the operator
// acts.
#include <cstdint>

#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;
class LayoutPreviewControl;
class QPainter;
struct Rk5502StateReply;

enum Rk5502PageControl {
  IDC_RK5502_LAYOUT_FIRST = 1032,   // layout code k on 1032 + k, k = 0..15
  IDC_RK5502_LAYOUT_HIDDEN = 1048,  // codes 16 and 17; the template keeps it hidden
  IDC_RK5502_PREVIEW = 1185,
  IDC_RK5502_GROUP_HIDDEN_1 = 1186,
  IDC_RK5502_GROUP = 1188,
  IDC_RK5502_GROUP_HIDDEN_2 = 1190,
};

constexpr int kRk5502PageBitmap = 187;  // plain dark grey, 1280 x 585

class CClass_rk5502_main_dlg : public PageFrame {
  Q_OBJECT
 public:
  explicit CClass_rk5502_main_dlg(QWidget* parent);
  ~CClass_rk5502_main_dlg() override;

  // Reads the device's state (command 0x90, at most 1000 ms) and shows its
  // layout without sending it back.
  void QueryRk5502State();
  // Takes a state reply into the page data and shows its layout.
  void ShowRk5502State(CKELVARO_16_VIEWDlg& main, const Rk5502StateReply& reply);
  // Layout key k calls it with k; the device's reply calls it with its code.
  void SelectRk5502Layout(int code);
  // Sends show_mode with command 0x94.
  void SendRk5502Layout();
  // Rebuilds the preview model from show_mode and repaints the preview.
  void RecalcLayoutRects();
  // Paints the preview picture onto a 720 x 480 canvas.
  void PaintLayoutPreview(QPainter& canvas) const;

  LayoutPreviewControl* preview_control() const;

  // Set by the state query just before it applies the device's layout, so
  // that this layout is not sent back; cleared by the next layout selection.
  int32_t m_state_just_read = 0;

 protected:
  QWidget* create_custom_control(const ControlSpec& spec) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Stores the preview control's screen rectangle in the model.
  void record_preview_rect();
  void set_key_face(int code, bool active);

  // A key shows the active face. Until then (no state reply at creation) a
  // click on the key of the stored layout still selects and sends it.
  bool m_layout_shown = false;
};
