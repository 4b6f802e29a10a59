#include "pages/multiviewer/mv_page.h"

#include <QPainter>
#include <QPixmap>

#include "app/main_window.h"
#include "controls/shade_button.h"
#include "pages/multiviewer/mv_audio_page.h"
#include "pages/multiviewer/mv_color_page.h"
#include "pages/multiviewer/mv_control_page.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_set_page.h"
#include "pages/multiviewer/mv_status_page.h"
#include "pages/multiviewer/mv_umd_page.h"

namespace {
using C = CClass_16view_dlg;

constexpr int kShellBitmap = 187;  // 1280 x 585, stretched over the page

CClass_16view_dlg* g_live_shell = nullptr;

// Tab n (1..6): button, normal face, selected face, placement, visibility.
struct TabSpec {
  int button;
  int normal;
  int selected;
  QRect rect;
  bool visible;
};
const TabSpec kTabs[C::kTabCount] = {
    {C::IDC_MV_TAB_STATUS, 202, 203, QRect(656, 25, 80, 75), false},
    {C::IDC_MV_TAB_CONTROL, 192, 193, QRect(748, 25, 80, 75), true},
    {C::IDC_MV_TAB_UMD, 204, 205, QRect(840, 25, 80, 75), true},
    {C::IDC_MV_TAB_AUDIO, 185, 186, QRect(1112, 25, 80, 75), false},
    {C::IDC_MV_TAB_COLOR, 189, 190, QRect(932, 25, 72, 75), true},
    {C::IDC_MV_TAB_SET, 200, 201, QRect(1012, 25, 92, 75), true},
};

const TabSpec* tab_spec(int tab) {
  if (tab < 1 || tab > C::kTabCount) return nullptr;
  return &kTabs[tab - 1];
}

DialogTemplate shell_template() {
  DialogTemplate t;
  t.dialog_id = 129;
  t.size = QSize(1240, 580);
  // The tab buttons and the preview are built by the page itself.
  t.controls.push_back(
      {C::IDC_MV_SUB_PAGE_HOST, ControlKind::StaticFrame, {}, QRect(750, 105, 490, 420), true, {}});
  t.controls.push_back(
      {C::IDC_MV_FRAME, ControlKind::StaticFrame, {}, QRect(5, 40, 1, 1), false, {}});
  return t;
}

PageFrame* create_sub_page(int tab, QWidget* shell) {
  switch (tab) {
    case 1:
      return new CClass_16view_status(shell);
    case 2:
      return new CClass_16view_control(shell);
    case 3:
      return new CClass_16view_umd(shell);
    case 4:
      return new CClass_16view_audio(shell);
    case 5:
      return new CClass_16view_color(shell);
    case 6:
      return new CClass_16view_set(shell);
    default:
      return nullptr;
  }
}
}  // namespace

MvPreviewControl::MvPreviewControl(QWidget* parent) : QWidget(parent) {
  // Every pixel is painted from the off-screen bitmap.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void MvPreviewControl::paintEvent(QPaintEvent*) {
  QPixmap canvas(kPreviewCanvasWidth, kPreviewCanvasHeight);
  {
    QPainter off(&canvas);
    off.setFont(font());
    if (const CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg) {
      // While a show runs on this multiviewer, its strips show the tally
      // colours the show gave the wall.
      const ShowRunner& show = main->m_show_runner;
      PreviewTally tally;
      const ShowState* state = show.state();
      const bool follows = state && show.is_multiviewer(main->device_target());
      if (follows)
        for (int w = 1; w <= kMvWindowCount; ++w) tally[w - 1] = state->sent_colour(w);
      PaintPreview(*main, off, follows ? &tally : nullptr);
    } else
      off.fillRect(canvas.rect(), QColor(152, 152, 152));
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, canvas);
}

CClass_16view_dlg::CClass_16view_dlg(QWidget* parent)
    : PageFrame(shell_template(), kShellBitmap, parent, ControlColours::Default) {
  g_live_shell = this;
  for (int tab = 1; tab <= kTabCount; ++tab) {
    const TabSpec& spec = *tab_spec(tab);
    auto* b = new CShadeButton(this);
    b->setObjectName(control_object_name(spec.button));
    b->setGeometry(spec.rect);
    b->setup_skin(spec.normal);
    if (!spec.visible) b->hide();
    connect(b, &QAbstractButton::clicked, this, [this, tab] { SelectSubPage(tab); });
    m_tab_buttons[tab - 1] = b;
  }
  // Shown at full size so the operator sees the layout the device is set to.
  m_preview = new MvPreviewControl(this);
  m_preview->setObjectName(control_object_name(IDC_MV_PREVIEW));
  m_preview->setGeometry(QRect(5, 40, kPreviewCanvasWidth, kPreviewCanvasHeight));
  m_rc_sub_page = control(IDC_MV_SUB_PAGE_HOST)->geometry();
  record_preview_rect();
  SelectSubPage(2);
}

CClass_16view_dlg::~CClass_16view_dlg() {
  if (g_live_shell == this) g_live_shell = nullptr;
  // The sub-page is a child and goes with the window; forget it first so
  // nothing reaches it while it is torn down.
  m_p_cur_sub_page = nullptr;
}

CClass_16view_dlg* CClass_16view_dlg::live_shell() { return g_live_shell; }

int CClass_16view_dlg::tab_button_id(int tab) {
  const TabSpec* spec = tab_spec(tab);
  return spec ? spec->button : 0;
}

int CClass_16view_dlg::tab_bitmap(int tab, bool selected) {
  const TabSpec* spec = tab_spec(tab);
  if (!spec) return 0;
  return selected ? spec->selected : spec->normal;
}

CShadeButton* CClass_16view_dlg::tab_button(int tab) const {
  return tab_spec(tab) ? m_tab_buttons[tab - 1] : nullptr;
}

void CClass_16view_dlg::SelectSubPage(int tab) {
  if (!tab_spec(tab) || tab == m_cur_tab) return;
  if (CShadeButton* old = tab_button(m_cur_tab)) old->set_bitmap(tab_bitmap(m_cur_tab, false));
  if (m_p_cur_sub_page) {
    PageFrame* old = m_p_cur_sub_page;
    m_p_cur_sub_page = nullptr;
    old->destroy_page();
  }
  // The new sub-page's own set-up runs here; the layout tab's reads the
  // device's state first.
  PageFrame* page = create_sub_page(tab, this);
  if (CShadeButton* b = tab_button(tab)) b->set_bitmap(tab_bitmap(tab, true));
  m_p_cur_sub_page = page;
  if (page) {
    page->setGeometry(m_rc_sub_page);
    page->show();
    page->update();
  }
  m_cur_tab = static_cast<uint8_t>(tab);
}

void CClass_16view_dlg::refresh_preview() { m_preview->update(); }
void CClass_16view_dlg::refresh_preview(const QRect& area) { m_preview->update(area); }

void follow_show_frame(CKELVARO_16_VIEWDlg& main, const ShowFrame& frame) {
  if (frame.window < 1 || frame.window > kMvWindowCount) return;
  if (!main.m_show_runner.is_multiviewer(main.device_target())) return;
  if (frame.kind == ShowFrame::Kind::Label) {
    QString& label = main.m_16_view_umd_text[frame.window - 1];
    if (label == frame.text) return;
    label = frame.text;
  }
  // A colour frame always changes the strip: the show sends none that would
  // give a window the colour it has, and the preview paints what it sent.
  CClass_16view_dlg* shell = CClass_16view_dlg::live_shell();
  if (!shell) return;
  if (frame.kind == ShowFrame::Kind::Label)
    if (auto* umd = dynamic_cast<CClass_16view_umd*>(shell->cur_sub_page()))
      umd->show_label(frame.window);
  const QRect strip = preview_umd_strip(main, frame.window);
  if (!strip.isEmpty()) shell->refresh_preview(strip);
}

void CClass_16view_dlg::record_preview_rect() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  main->m_16_view_preview_rect = QRect(m_preview->mapToGlobal(QPoint(0, 0)), m_preview->size());
}

void CClass_16view_dlg::moveEvent(QMoveEvent* event) {
  PageFrame::moveEvent(event);
  record_preview_rect();
}

void CClass_16view_dlg::showEvent(QShowEvent* event) {
  PageFrame::showEvent(event);
  record_preview_rect();
}
