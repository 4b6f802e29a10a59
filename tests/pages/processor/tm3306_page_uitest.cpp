// The tm3306 page in a real main window: simulated tm3306 devices on loopback
// and on a serial line, and a bare pseudo-terminal for a serial device of a
// type the panel does not know. Asserts the bytes each click puts on the
// wire, the key faces and the preview.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

#include "app/error_box.h"
#include "app/main_window.h"
#include "controls/skin_button.h"
#include "link/control_frame.h"
#include "link/trace.h"
#include "pages/processor/layout_keys.h"
#include "pages/processor/layout_preview.h"
#include "pages/processor/tm3306_page.h"
#include "support/devsim_fixture.h"
#include "support/panel_test.h"
#include "support/pty_pair.h"
#include "support/trace_recorder.h"

namespace {
using devsim::DeviceSpec;

constexpr int kLan = 0;     // tm3306 at 127.0.0.2, id 5
constexpr int kSerial = 1;  // tm3306 on a pseudo-terminal, id 2

std::vector<int> active_codes(PageFrame* page) {
  std::vector<int> codes;
  for (int code = 0; code < 16; ++code)
    if (page->button(layout_key_id(code))->bitmap_id() == layout_key_bitmap(code, true))
      codes.push_back(code);
  return codes;
}

LayoutSlots model_slots(const CKELVARO_16_VIEWDlg& dlg) {
  return {dlg.m_tm3306_win_rect[0], dlg.m_tm3306_win_rect[1], dlg.m_tm3306_win_rect[2],
          dlg.m_tm3306_win_rect[3]};
}

std::vector<uint8_t> layout_frame(uint8_t type, uint8_t id, Link link, uint8_t code) {
  return build_frame(type, id, link, 0x94, std::vector<uint8_t>{code});
}

void click(PageFrame* page, int code) {
  QTest::mouseClick(page->button(1032 + code), Qt::LeftButton);
}

class Tm3306PageTest : public PanelTest {
 protected:
  void SetUp() override { start_panel({DeviceSpec::lan(0xA3, 5), DeviceSpec::serial(0xA3, 2)}); }

  CClass_new_tm3306_dlg* open_page(int device) {
    sim_->sim().clear_frames();
    EXPECT_TRUE(sim_->select_in_main_window(*dlg_, device));
    page_ = qobject_cast<CClass_new_tm3306_dlg*>(dlg_->m_p_mian_show_dlg);
    EXPECT_TRUE(page_);
    return page_;
  }

  CClass_new_tm3306_dlg* page_ = nullptr;
};

TEST_F(Tm3306PageTest, StartsAtLayoutZeroReadsNothingAndSendsEachNewLayoutOnce) {
  // The device shows 9 and the panel last chose 9; a new page still starts at 0.
  devsim::Tm3306State st;
  st.show_mode = 9;
  sim_->sim().set_tm3306_state(kLan, st);
  dlg_->m_tm3306_show_mode = 9;
  ASSERT_TRUE(open_page(kLan));
  EXPECT_EQ(dlg_->m_tm3306_show_mode, 0);
  EXPECT_EQ(active_codes(page_), std::vector<int>{0});
  EXPECT_EQ(page_->button(1032)->bitmap_id(), 310);
  EXPECT_EQ(model_slots(*dlg_), layout_slot_rects(0, LayoutTable::Tm3306));
  EXPECT_TRUE(sim_->nothing_more(0));

  // Layout 0 is taken as shown already, whatever the device shows.
  click(page_, 0);
  EXPECT_TRUE(sim_->nothing_more(0));

  TraceRecorder traces;
  click(page_, 15);
  EXPECT_TRUE(sim_->received(layout_frame(0xA3, 5, Link::Udp, 15)));
  EXPECT_EQ(traces.count("net \n"), 1);
  EXPECT_EQ(active_codes(page_), std::vector<int>{15});
  EXPECT_EQ(page_->button(1032)->bitmap_id(), 309);
  EXPECT_EQ(page_->button(1047)->bitmap_id(), 340);
  click(page_, 15);
  EXPECT_TRUE(sim_->nothing_more(1));
  EXPECT_EQ(sim_->sim().tm3306_state(kLan).show_mode, 15);
  EXPECT_EQ(sim_->sim().tm3306_state(kLan).layouts_applied, 1);
}

TEST_F(Tm3306PageTest, SerialModeWritesTheFrameWithLinkByteZero) {
  ASSERT_TRUE(open_page(kSerial));
  EXPECT_EQ(dlg_->m_eState, 1);
  TraceRecorder traces;
  click(page_, 3);
  const std::vector<uint8_t> serial = layout_frame(0xA3, 2, Link::Serial, 3);
  EXPECT_TRUE(sim_->received(serial));
  EXPECT_EQ(traces.count("com \n"), 1);
  EXPECT_EQ(sim_->sim().tm3306_state(kSerial).show_mode, 3);
  click(page_, 3);
  EXPECT_TRUE(sim_->nothing_more(1));
  // Only the serial device heard it; the same layout over UDP differs in the
  // link byte and the checksum.
  EXPECT_TRUE(sim_->frames_with_command(kLan, 0x94).empty());
  const std::vector<uint8_t> udp = layout_frame(0xA3, 2, Link::Udp, 3);
  EXPECT_EQ(serial[6], 0x00);
  EXPECT_EQ(udp[6], 0x01);
  EXPECT_NE(serial[18], udp[18]);
  EXPECT_TRUE(std::equal(serial.begin() + 7, serial.begin() + 18, udp.begin() + 7));
}

TEST_F(Tm3306PageTest, PreviewShowsEveryLayoutWithSideBySideInTheMiddleBand) {
  ASSERT_TRUE(open_page(kLan));
  LayoutPreviewControl* preview = page_->preview_control();
  ASSERT_TRUE(preview);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->geometry(), QRect(5, 40, 720, 480));
  EXPECT_TRUE(page_->rect().contains(preview->geometry()));
  EXPECT_FALSE(preview->geometry().intersects(page_->control(1206)->geometry()));
  EXPECT_EQ(dlg_->m_rc_lq7713_show_mode_type,
            QRect(preview->mapToGlobal(QPoint(0, 0)), QSize(720, 480)));

  for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0}) {
    SCOPED_TRACE(code);
    click(page_, code);
    EXPECT_EQ(model_slots(*dlg_), layout_slot_rects(code, LayoutTable::Tm3306));
    QImage expected(720, 480, QImage::Format_RGB32);
    {
      QPainter p(&expected);
      p.setFont(preview->font());
      paint_layout_canvas(p, dlg_->m_tm3306_win_rect, 0);
    }
    EXPECT_EQ(preview->grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
  }
  click(page_, 11);
  EXPECT_EQ(dlg_->m_tm3306_win_rect[0].rect(), QRect(0, 120, 360, 240));
  const QImage shown = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(100, 60), qRgb(152, 152, 152));
  EXPECT_EQ(shown.pixel(100, 120), qRgb(89, 187, 255));
  EXPECT_EQ(shown.pixel(100, 200), qRgb(55, 55, 55));
  EXPECT_EQ(shown.pixel(100, 420), qRgb(152, 152, 152));
  ASSERT_GE(sim_->wait_frames(17).size(), 17u);
  const auto sent = sim_->frames_with_command(kLan, 0x94);
  ASSERT_EQ(sent.size(), 17u);
  EXPECT_EQ(sent.back().bytes, layout_frame(0xA3, 5, Link::Udp, 11));
}

// ---- a serial device of a type the panel does not know ----

class Tm3306UnknownSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    ASSERT_TRUE(pty_.ok());
    dlg_ = std::make_unique<CKELVARO_16_VIEWDlg>();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    ASSERT_TRUE(dlg_->m_comm.open_port(pty_.slave_name(), 9600));
    // As the serial search leaves it for a device of type 0x42, id 9.
    dlg_->m_eState = 1;
    dlg_->m_main_com_dev_type = 0x42;
    dlg_->m_device_table[0].dev_type = 0x42;
    dlg_->m_device_table[0].dev_id = 9;
    dlg_->device_list()->addItem(QStringLiteral("UNKNOWN"));
    dlg_->m_device_index = 0;
    dlg_->select_device();
    page_ = qobject_cast<CClass_new_tm3306_dlg*>(dlg_->m_p_mian_show_dlg);
    ASSERT_TRUE(page_);
  }
  void TearDown() override {
    dlg_.reset();
    EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
  }

  PtyPair pty_;
  std::unique_ptr<CKELVARO_16_VIEWDlg> dlg_;
  CClass_new_tm3306_dlg* page_ = nullptr;
};

TEST_F(Tm3306UnknownSerialTest, FramesAreAddressedToATm3306AtId1) {
  EXPECT_EQ(dlg_->m_device_table[0].dev_type, 0xA3);
  EXPECT_EQ(dlg_->m_device_table[0].dev_id, 0x01);
  EXPECT_TRUE(pty_.device_read_all(200).empty());  // nothing at creation
  click(page_, 1);
  EXPECT_EQ(pty_.device_read(21), layout_frame(0xA3, 0x01, Link::Serial, 1));
  click(page_, 12);
  EXPECT_EQ(pty_.device_read(21), layout_frame(0xA3, 0x01, Link::Serial, 12));
  click(page_, 12);
  EXPECT_TRUE(pty_.device_read_all(200).empty());
}

TEST_F(Tm3306UnknownSerialTest, ClosedPortOrUnknownModeWritesNothingButTheKeysFollow) {
  dlg_->m_comm.close_port(500);
  TraceRecorder traces;
  click(page_, 4);
  EXPECT_EQ(dlg_->m_tm3306_show_mode, 4);
  EXPECT_EQ(active_codes(page_), std::vector<int>{4});
  EXPECT_EQ(model_slots(*dlg_), layout_slot_rects(4, LayoutTable::Tm3306));
  EXPECT_EQ(traces.count("com \n"), 0);

  // Open again: only the next layout goes out; nothing was kept back.
  ASSERT_TRUE(dlg_->m_comm.open_port(pty_.slave_name(), 9600));
  click(page_, 5);
  EXPECT_EQ(pty_.device_read_all(300), layout_frame(0xA3, 0x01, Link::Serial, 5));
  EXPECT_EQ(traces.count("com \n"), 1);

  // A mode that is neither LAN nor serial sends on neither.
  dlg_->m_eState = 2;
  click(page_, 6);
  EXPECT_EQ(dlg_->m_tm3306_show_mode, 6);
  EXPECT_TRUE(pty_.device_read_all(200).empty());
  EXPECT_EQ(traces.count("net \n"), 0);
}

}  // namespace
