#pragma once
// The multiviewer page (dialog 129): a row of tab buttons, one host area in
// which exactly one sub-page lives at a time, created afresh on every tab
// change, and the layout preview left of them, where the operator sees the
// windows, labels and captions the device is set to show.
#include <QWidget>
#include <cstdint>

#include "app/page_frame.h"

class CKELVARO_16_VIEWDlg;
class CShadeButton;
struct ShowFrame;

// The preview control: paints the layout preview of the main window's model
// through one off-screen 720 x 480 bitmap per paint.
class MvPreviewControl : public QWidget {
  Q_OBJECT
 public:
  explicit MvPreviewControl(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class CClass_16view_dlg : public PageFrame {
  Q_OBJECT
 public:
  enum Control {
    IDC_MV_TAB_STATUS = 1019,   // tab 1, hidden
    IDC_MV_TAB_CONTROL = 1020,  // tab 2
    IDC_MV_TAB_UMD = 1011,      // tab 3
    IDC_MV_TAB_AUDIO = 1021,    // tab 4, hidden
    IDC_MV_TAB_COLOR = 1022,    // tab 5
    IDC_MV_TAB_SET = 1023,      // tab 6
    IDC_MV_FRAME = 1017,        // hidden frame
    IDC_MV_SUB_PAGE_HOST = 1024,
    IDC_MV_PREVIEW = 1069,
  };
  static constexpr uint8_t kNoTab = 0xFF;
  static constexpr int kTabCount = 6;

  explicit CClass_16view_dlg(QWidget* parent);
  ~CClass_16view_dlg() override;

  // Shows the sub-page of tab 1..6 in the host area: the old one is
  // destroyed, the new one created, and the tab faces follow.
  void SelectSubPage(int tab);

  uint8_t cur_tab() const { return m_cur_tab; }
  PageFrame* cur_sub_page() const { return m_p_cur_sub_page; }
  QRect sub_page_rect() const { return m_rc_sub_page; }
  CShadeButton* tab_button(int tab) const;
  QWidget* preview_control() const { return m_preview; }
  // Repaints the preview control, whole or one area of it.
  void refresh_preview();
  void refresh_preview(const QRect& area);

  // Button id and bitmaps (normal, selected) of tab 1..6; 0 outside.
  static int tab_button_id(int tab);
  static int tab_bitmap(int tab, bool selected);

  // The multiviewer page that exists now, or nullptr.
  static CClass_16view_dlg* live_shell();

 protected:
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Stores the preview control's screen rectangle into the model.
  void record_preview_rect();

  QRect m_rc_sub_page;         // host area in client coordinates
  uint8_t m_cur_tab = kNoTab;  // tab shown, kNoTab before the first
  PageFrame* m_p_cur_sub_page = nullptr;
  CShadeButton* m_tab_buttons[kTabCount] = {};
  MvPreviewControl* m_preview = nullptr;
};

// A frame the running show sent to its multiviewer. When that multiviewer is
// the selected device, a label goes into the model (and into the UMD tab's
// field, unless the operator is typing in it), and the window's strip on the shown
// preview is repainted; a label the model already holds repaints nothing.
void follow_show_frame(CKELVARO_16_VIEWDlg& main, const ShowFrame& frame);
