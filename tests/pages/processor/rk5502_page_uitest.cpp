// The rk5502 page in a real main window against a simulated rk5502 on
// loopback (and, for replies the simulator does not make, a plain UDP socket
// playing the device): the state query at creation, the layout keys, the
// frames the device receives and the preview the operator sees.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QComboBox>
#include <QPainter>
#include <QTest>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/error_box.h"
#include "app/main_window.h"
#include "controls/skin_button.h"
#include "link/control_frame.h"
#include "link/link_options.h"
#include "link/tick.h"
#include "link/trace.h"
#include "pages/processor/layout_keys.h"
#include "pages/processor/layout_preview.h"
#include "pages/processor/rk5502_page.h"
#include "support/devsim_fixture.h"
#include "support/panel_test.h"
#include "support/ports.h"
#include "support/trace_recorder.h"

namespace {
using devsim::DeviceSpec;
using ms = std::chrono::milliseconds;

constexpr uint8_t kType = 0x60;
constexpr uint8_t kId = 6;

std::vector<uint8_t> layout_frame(uint8_t code) {
  return build_frame(kType, kId, Link::Udp, 0x94, std::vector<uint8_t>{code});
}

// Codes whose key shows its active face (16 and 17 on the hidden key).
std::vector<int> active_codes(PageFrame* page) {
  std::vector<int> codes;
  for (int code = 0; code <= 17; ++code) {
    CSkinButton* b = page->button(layout_key_id(code));
    if (b && b->bitmap_id() == layout_key_bitmap(code, true)) codes.push_back(code);
  }
  return codes;
}

// The preview as the operator sees it, and the canvas the model should give.
QImage grab_preview(LayoutPreviewControl* preview) {
  return preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
QImage expected_canvas(LayoutPreviewControl* preview, const NumberedRect (&slot_rects)[4]) {
  QImage img(kPreviewCanvasWidth, kPreviewCanvasHeight, QImage::Format_RGB32);
  QPainter p(&img);
  p.setFont(preview->font());
  paint_layout_canvas(p, slot_rects, 0);
  return img;
}

class Rk5502PageTest : public PanelTest {
 protected:
  void SetUp() override { start_panel({DeviceSpec::lan(kType, kId)}); }

  Rk5502PageData& data() { return dlg_->m_all_rk5502_page_data; }

  void set_device(uint8_t show_mode, std::array<uint8_t, 2> pip = {1, 2}) {
    devsim::Rk5502State st = sim().rk5502_state(0);
    st.show_mode = show_mode;
    st.pip_child_ch = pip;
    sim().set_rk5502_state(0, st);
  }

  // Selects the device; its page has run the state query by then, which
  // must have been the only frame sent.
  CClass_rk5502_main_dlg* open_page() {
    sim().clear_frames();
    EXPECT_TRUE(sim_->select_in_main_window(*dlg_, 0));
    page_ = qobject_cast<CClass_rk5502_main_dlg*>(dlg_->m_p_mian_show_dlg);
    EXPECT_TRUE(page_);
    const auto queries = sim_->frames_with_command(0, 0x90);
    EXPECT_EQ(queries.size(), 1u);
    if (!queries.empty()) {
      EXPECT_EQ(queries[0].bytes, build_frame(kType, kId, Link::Udp, 0x90));
    }
    return page_;
  }

  void click_code(int code) { QTest::mouseClick(page_->button(1032 + code), Qt::LeftButton); }

  CClass_rk5502_main_dlg* page_ = nullptr;
};

TEST_F(Rk5502PageTest, StateReplyShowsTheDevicesLayoutWithoutSendingIt) {
  devsim::Rk5502State st = sim().rk5502_state(0);
  st.show_mode = 5;
  st.output_format = 8;
  st.loop_state = 1;
  st.pip_child_ch = {3, 4};
  sim().set_rk5502_state(0, st);
  ASSERT_TRUE(open_page());

  EXPECT_EQ(data().show_mode, 5);
  EXPECT_EQ(data().output_format, 8);
  EXPECT_EQ(data().loop_state, 1);
  EXPECT_EQ(data().pip_child_ch[0], 3);
  EXPECT_EQ(data().pip_child_ch[1], 4);
  EXPECT_EQ(page_->m_state_just_read, 0);
  EXPECT_EQ(active_codes(page_), std::vector<int>{5});
  EXPECT_EQ(page_->button(1037)->bitmap_id(), 320);
  EXPECT_EQ(page_->button(1032)->bitmap_id(), 309);
  EXPECT_EQ(layout_slot_rects(5, LayoutTable::Rk5502),
            (LayoutSlots{dlg_->m_rk5502_win_rect[0], dlg_->m_rk5502_win_rect[1],
                         dlg_->m_rk5502_win_rect[2], dlg_->m_rk5502_win_rect[3]}));
  // The device's own layout is not sent back.
  EXPECT_TRUE(sim_->nothing_more(1));

  // The active key sends nothing; Enter and Escape on a key do nothing.
  click_code(5);
  page_->button(1032)->setFocus();
  QTest::keyClick(page_->button(1032), Qt::Key_Return);
  QTest::keyClick(page_->button(1032), Qt::Key_Escape);
  EXPECT_TRUE(sim_->nothing_more(1));
  EXPECT_EQ(dlg_->m_p_mian_show_dlg, page_);

  // Another key sends its code once and moves the active face.
  click_code(0);
  EXPECT_TRUE(sim_->received(layout_frame(0)));
  EXPECT_EQ(active_codes(page_), std::vector<int>{0});
  EXPECT_EQ(page_->button(1037)->bitmap_id(), 319);
  EXPECT_EQ(data().show_mode, 0);
  click_code(0);
  EXPECT_TRUE(sim_->nothing_more(2));
  EXPECT_EQ(sim().rk5502_state(0).show_mode, 0);
  EXPECT_EQ(sim().rk5502_state(0).layouts_applied, 1);
}

TEST_F(Rk5502PageTest, SingleInsetLayoutSetsTheChildChannelsWithoutSendingThem) {
  // From the device: code 9 with child channels 3 and 1.
  set_device(9, {3, 1});
  ASSERT_TRUE(open_page());
  EXPECT_EQ(data().show_mode, 9);
  EXPECT_EQ(data().pip_child_ch[0], 1);
  EXPECT_EQ(data().pip_child_ch[1], 2);
  EXPECT_EQ(active_codes(page_), std::vector<int>{9});
  EXPECT_TRUE(sim_->nothing_more(1));

  // The same rule on a click; only the layout code travels.
  data().pip_child_ch[0] = 4;
  data().pip_child_ch[1] = 1;
  click_code(7);
  EXPECT_TRUE(sim_->received(layout_frame(7)));
  EXPECT_EQ(data().pip_child_ch[0], 1);
  EXPECT_EQ(data().pip_child_ch[1], 2);
  // A second channel other than 1 is kept; layouts outside 7..10 touch neither.
  data().pip_child_ch[1] = 4;
  click_code(10);
  EXPECT_EQ(data().pip_child_ch[1], 4);
  data().pip_child_ch[0] = 3;
  click_code(6);
  EXPECT_EQ(data().pip_child_ch[0], 3);
  EXPECT_TRUE(sim_->received(layout_frame(6)));
  EXPECT_EQ(sim_->frames_with_command(0, 0x94).size(), 3u);
}

TEST_F(Rk5502PageTest, DeviceOnlyLayoutsUseTheHiddenKey) {
  set_device(16);
  ASSERT_TRUE(open_page());
  CSkinButton* hidden = page_->button(1048);
  ASSERT_TRUE(hidden);
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_EQ(hidden->bitmap_id(), 372);
  EXPECT_EQ(dlg_->m_rk5502_win_rect[0].rect(), QRect(180, 0, 360, 240));
  EXPECT_EQ(dlg_->m_rk5502_win_rect[1].rect(), QRect(180, 240, 360, 240));
  EXPECT_TRUE(sim_->nothing_more(1));
  click_code(15);
  EXPECT_TRUE(sim_->received(layout_frame(15)));
  EXPECT_EQ(hidden->bitmap_id(), 371);
  EXPECT_EQ(active_codes(page_), std::vector<int>{15});

  // Code 17 shows nothing in the preview.
  set_device(17);
  ASSERT_TRUE(open_page());
  EXPECT_EQ(page_->button(1048)->bitmap_id(), 374);
  for (const NumberedRect& r : dlg_->m_rk5502_win_rect) EXPECT_FALSE(r.is_drawn());
}

TEST_F(Rk5502PageTest, UnknownLayoutFromTheDeviceDoesNotSwallowTheNextClick) {
  // 0xFF is the value the query parks show_mode at before it applies the
  // reply; a device that reports it must not leave the page believing the
  // next click is its own layout coming back.
  for (uint8_t code : {uint8_t{0xFF}, uint8_t{200}}) {
    set_device(code);
    ASSERT_TRUE(open_page());
    EXPECT_EQ(data().show_mode, code);
    EXPECT_EQ(page_->m_state_just_read, 0);
    EXPECT_TRUE(active_codes(page_).empty());
    for (const NumberedRect& r : dlg_->m_rk5502_win_rect) EXPECT_FALSE(r.is_drawn());
    click_code(0);
    EXPECT_TRUE(sim_->received(layout_frame(0)));
    EXPECT_EQ(active_codes(page_), std::vector<int>{0});
  }
}

TEST_F(Rk5502PageTest, ReplyWithAnotherCommandIsSkippedUntilTheBound) {
  devsim::Faults faults;
  faults.wrong_command = true;  // every reply carries 0x91
  sim().set_faults(0, faults);
  set_device(2);
  data().show_mode = 3;
  data().output_format = 4;
  data().pip_child_ch[0] = 2;
  TraceRecorder traces;
  const uint32_t t0 = tick_ms();
  ASSERT_TRUE(open_page());
  const uint32_t took = ticks_since(t0);
  EXPECT_GE(took, 1000u);
  EXPECT_LT(took, 10000u);
  EXPECT_GE(traces.count("the cmd is not right \n"), 1);
  EXPECT_EQ(traces.count("wait time over \n"), 1);
  // The page data keeps its earlier values and no key is active.
  EXPECT_EQ(data().show_mode, 3);
  EXPECT_EQ(data().output_format, 4);
  EXPECT_EQ(data().pip_child_ch[0], 2);
  EXPECT_TRUE(active_codes(page_).empty());

  // The device may show anything: the key of the stored layout still selects
  // and sends it, then counts as active.
  click_code(3);
  EXPECT_TRUE(sim_->received(layout_frame(3)));
  EXPECT_EQ(active_codes(page_), std::vector<int>{3});
  click_code(3);
  EXPECT_TRUE(sim_->nothing_more(2));
}

TEST_F(Rk5502PageTest, LongUmdNameLengthIsOnlyTraced) {
  devsim::Faults faults;
  faults.label_length = 40;
  sim().set_faults(0, faults);
  set_device(12);
  TraceRecorder traces;
  ASSERT_TRUE(open_page());
  for (int line = 0; line < 4; ++line)
    EXPECT_EQ(traces.count("line " + std::to_string(line) +
                           " umdNameLen is wrong,please check the recv data. \n"),
              1);
  EXPECT_EQ(data().show_mode, 12);
  EXPECT_EQ(active_codes(page_), std::vector<int>{12});
}

TEST_F(Rk5502PageTest, PreviewShowsEveryLayoutLeftOfTheKeys) {
  set_device(17);
  ASSERT_TRUE(open_page());
  LayoutPreviewControl* preview = page_->preview_control();
  ASSERT_TRUE(preview);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->geometry(), QRect(5, 40, 720, 480));
  EXPECT_TRUE(page_->rect().contains(preview->geometry()));
  EXPECT_FALSE(preview->geometry().intersects(page_->control(1188)->geometry()));
  EXPECT_EQ(dlg_->m_rc_rk5502_show_mode_type,
            QRect(preview->mapToGlobal(QPoint(0, 0)), QSize(720, 480)));

  for (int code = 0; code < 16; ++code) {
    SCOPED_TRACE(code);
    click_code(code);
    EXPECT_EQ(layout_slot_rects(code, LayoutTable::Rk5502),
              (LayoutSlots{dlg_->m_rk5502_win_rect[0], dlg_->m_rk5502_win_rect[1],
                           dlg_->m_rk5502_win_rect[2], dlg_->m_rk5502_win_rect[3]}));
    EXPECT_EQ(grab_preview(preview), expected_canvas(preview, dlg_->m_rk5502_win_rect));
  }
  // Side by side at full height on this device.
  const QImage side = grab_preview(preview);  // code 15 now; show 11 again
  click_code(11);
  const QImage eleven = grab_preview(preview);
  EXPECT_EQ(eleven.pixel(100, 60), qRgb(55, 55, 55));
  EXPECT_EQ(eleven.pixel(359, 60), qRgb(89, 187, 255));
  EXPECT_NE(side, eleven);
  // Every click reached the device, in order.
  ASSERT_GE(sim_->wait_frames(18).size(), 18u);
  const auto sent = sim_->frames_with_command(0, 0x94);
  ASSERT_EQ(sent.size(), 17u);
  for (int code = 0; code < 16; ++code) EXPECT_EQ(sent[code].bytes, layout_frame(code));
  EXPECT_EQ(sent[16].bytes, layout_frame(11));
}

// ---- a device played by a plain socket ----

// Answers the first 0x90 query at 127.0.0.2 with the datagrams given, in order.
class ScriptedDevice {
 public:
  ScriptedDevice(uint16_t port, std::vector<std::vector<uint8_t>> replies)
      : m_replies(std::move(replies)) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = ::inet_addr("127.0.0.2");
    m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    m_thread = std::thread([this] { run(); });
  }
  ~ScriptedDevice() {
    m_stop = true;
    m_thread.join();
    ::close(m_fd);
  }
  bool bound() const { return m_bound; }
  int queries() const { return m_queries; }

 private:
  void run() {
    const uint32_t t0 = tick_ms();
    while (!m_stop && ticks_since(t0) < 5000) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      uint8_t buf[256];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n =
          ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n < 17 || buf[16] != 0x90) continue;
      ++m_queries;
      for (const auto& r : m_replies)
        ::sendto(m_fd, r.data(), r.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    }
  }
  std::vector<std::vector<uint8_t>> m_replies;
  int m_fd = -1;
  bool m_bound = false;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_queries{0};
  std::thread m_thread;
};

TEST(Rk5502PageRawDevice, ShortReplyReadsZerosNotAnEarlierDatagramsBytes) {
  clear_recorded_errors();
  const LinkOptions saved = link_options();
  link_options().bind_port = next_test_port();
  link_options().device_port = next_test_port();
  link_options().search_address = "127.255.255.255";

  // First a long datagram of another command whose bytes 255..257 are set,
  // then a 30-byte state reply that ends before them.
  std::vector<uint8_t> other(300, 0);
  other[0] = 0xA5;
  other[1] = 0x6C;
  other[16] = 0x91;
  other[22] = 4;
  other[255] = 7;
  other[256] = 7;
  other[257] = 1;
  std::vector<uint8_t> body(10, 0);
  body[20 - 17] = 1;  // 1080P50
  body[22 - 17] = 6;
  const std::vector<uint8_t> short_reply = build_frame(kType, kId, Link::Udp, 0x90, body);
  ASSERT_EQ(short_reply.size(), 30u);
  ScriptedDevice device(link_options().device_port, {other, short_reply});
  ASSERT_TRUE(device.bound());

  {
    CKELVARO_16_VIEWDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.m_all_rk5502_page_data.pip_child_ch[0] = 3;
    dlg.m_all_rk5502_page_data.pip_child_ch[1] = 4;
    dlg.m_all_rk5502_page_data.loop_state = 1;
    std::strcpy(dlg.m_device_table[0].ip, "127.0.0.2");
    dlg.m_device_table[0].dev_type = kType;
    dlg.m_device_table[0].dev_id = kId;
    dlg.device_list()->addItem(QStringLiteral("RK5502_127.0.0.2"));
    dlg.m_device_index = 0;
    TraceRecorder traces;
    dlg.select_device();
    auto* page = qobject_cast<CClass_rk5502_main_dlg*>(dlg.m_p_mian_show_dlg);
    ASSERT_TRUE(page);
    EXPECT_EQ(device.queries(), 1);
    EXPECT_EQ(traces.count("the cmd is not right \n"), 1);
    EXPECT_EQ(traces.count("wait time over \n"), 0);
    const Rk5502PageData& d = dlg.m_all_rk5502_page_data;
    EXPECT_EQ(d.output_format, 1);
    EXPECT_EQ(d.show_mode, 6);
    EXPECT_EQ(d.pip_child_ch[0], 0);
    EXPECT_EQ(d.pip_child_ch[1], 0);
    EXPECT_EQ(d.loop_state, 0);
    EXPECT_EQ(active_codes(page), std::vector<int>{6});
  }
  link_options() = saved;
  EXPECT_TRUE(recorded_errors().isEmpty());
}

}  // namespace
