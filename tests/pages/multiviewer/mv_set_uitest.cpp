#include <QImage>

#include "app/ip_address_edit.h"
#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "mv_subpage_fixture.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/multiviewer/mv_set_page.h"
#include "support/pty_pair.h"

namespace {
using mv_test::Bytes;
using Page = CClass_16view_set;

class MvSetPageTest : public mv_test::SubPageTest {
 protected:
  // Types an address into the four number fields as the operator would.
  static void type_address(IpAddressEdit* field, const char* a, const char* b, const char* c,
                           const char* d) {
    const char* parts[] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) {
      field->field(i)->clear();
      QTest::keyClicks(field->field(i), QString::fromLatin1(parts[i]));
    }
  }
  // A model far from the device defaults, for "Set  Default".
  void fill_non_default_model() {
    All16ViewPageData& d = main->m_all_16_view_page_data;
    d.kelvaro_16_view_mode_type = 1;
    main->m_cur_window_count = 4;
    d.kelvaro_16_view_resolution_type = 8;
    d.kelvaro_16_view_resolution_enable = 1;
    d.kelvaro_16_view_umd_enable = 0;
    d.kelvaro_16_view_audio_enable = 0;
    d.kelvaro_16_view_audio_source_channel = 3;
    d.kelvaro_16_view_border_enable = 0;
    d.kelvaro_16_view_lock_state = 1;
    for (int i = 0; i < kMvWindowCount; ++i) {
      d.kelvaro_16_view_umd_text_color[i] = 5;
      d.kelvaro_16_view_umd_back_color[i] = 6;
      d.kelvaro_16_view_resolution_text_color[i] = 7;
      d.kelvaro_16_view_resolution_back_color[i] = 2;
      main->m_16_view_window_source[i] = static_cast<uint8_t>(15 - i);
      main->m_16_view_umd_text[i] = QStringLiteral("W%1").arg(i + 1);
    }
    main->m_16_view_audio_show = 0;
    main->m_16_view_umd_show = 0;
    main->m_16_view_reso_show = 1;
  }
  void expect_model_untouched() {
    const All16ViewPageData& d = main->m_all_16_view_page_data;
    EXPECT_EQ(d.kelvaro_16_view_mode_type, 1);
    EXPECT_EQ(main->m_cur_window_count, 4);
    EXPECT_EQ(d.kelvaro_16_view_resolution_type, 8);
    EXPECT_EQ(d.kelvaro_16_view_audio_source_channel, 3);
    EXPECT_EQ(d.kelvaro_16_view_umd_back_color[9], 6);
    EXPECT_EQ(main->m_16_view_audio_show, 0);
    EXPECT_EQ(main->m_16_view_reso_show, 1);
  }
  // The lists right after "Set  Default", whatever the transport did.
  static void expect_default_lists(Page* page, int lock) {
    EXPECT_EQ(page->combo(Page::IDC_SET_RESO_TYPE)->currentText(), "1080p60");
    EXPECT_EQ(page->combo(Page::IDC_SET_RESO_ENABLE)->currentText(), "OFF");
    EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_ENABLE)->currentText(), "ON");
    EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_SOURCE)->currentText(), "CH_1");
    EXPECT_EQ(page->combo(Page::IDC_SET_BORDER)->currentText(), "ON");
    EXPECT_EQ(page->combo(Page::IDC_SET_LOCK)->currentIndex(), lock);
  }
};

TEST_F(MvSetPageTest, ShowsTheDeviceAddressAndTheModel) {
  std::strcpy(main->m_device_table[0].ip, "192.168.1.88");
  All16ViewPageData& d = main->m_all_16_view_page_data;
  d.kelvaro_16_view_audio_enable = 1;
  d.kelvaro_16_view_audio_source_channel = 3;
  d.kelvaro_16_view_resolution_enable = 1;
  d.kelvaro_16_view_resolution_type = 7;
  d.kelvaro_16_view_border_enable = 1;
  d.kelvaro_16_view_lock_state = 0;
  Page* page = open_page<Page>();

  EXPECT_EQ(page->address_field(Page::IDC_SET_IP_ADDRESS)->address(), "192.168.1.88");
  EXPECT_EQ(page->address_field(Page::IDC_SET_IP_MASK)->address(), "255.255.255.0");
  EXPECT_EQ(page->address_field(Page::IDC_SET_IP_GATEWAY)->address(), "192.168.1.1");
  EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_ENABLE)->currentText(), "ON");
  EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_SOURCE)->currentText(), "CH_3");
  EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_SOURCE)->count(), 16);
  EXPECT_EQ(page->combo(Page::IDC_SET_RESO_ENABLE)->currentText(), "ON");
  EXPECT_EQ(page->combo(Page::IDC_SET_RESO_TYPE)->currentText(), "720p60");
  EXPECT_EQ(page->combo(Page::IDC_SET_RESO_TYPE)->count(), 9);
  EXPECT_EQ(page->combo(Page::IDC_SET_BORDER)->currentText(), "ON");
  EXPECT_EQ(page->combo(Page::IDC_SET_LOCK)->currentText(), "OFF");
  EXPECT_EQ(page->button(Page::IDC_SET_DEFAULT)->text(), "Set  Default");
  EXPECT_EQ(page->button(Page::IDC_SET_IP)->text(), "Set  IP");
  for (int id : {Page::IDC_SET_DEFAULT, Page::IDC_SET_IP}) {
    EXPECT_EQ(page->button(id)->color(CSkinButton::BackgroundOut), QColor(64, 64, 64));
    EXPECT_EQ(page->button(id)->color(CSkinButton::TextOut), QColor(128, 128, 128));
  }
  EXPECT_EQ(page->control(Page::IDC_SET_GROUP)->geometry(), QRect(5, 5, 480, 410));
  EXPECT_TRUE(nothing_sent()) << "the page does not query the device";
}

TEST_F(MvSetPageTest, AudioSourceZeroAfterDefaultsLeavesTheListWithoutSelection) {
  main->m_all_16_view_page_data.kelvaro_16_view_audio_source_channel = 0;
  Page* page = open_page<Page>();
  EXPECT_EQ(page->combo(Page::IDC_SET_AUDIO_SOURCE)->currentIndex(), -1);
}

TEST_F(MvSetPageTest, NoSelectedDeviceLeavesAddressAndGatewayBlank) {
  main->m_device_index = -1;
  Page* page = open_page<Page>();
  EXPECT_TRUE(page->address_field(Page::IDC_SET_IP_ADDRESS)->is_blank());
  EXPECT_TRUE(page->address_field(Page::IDC_SET_IP_GATEWAY)->is_blank());
  EXPECT_EQ(page->address_field(Page::IDC_SET_IP_MASK)->address(), "255.255.255.0");
}

TEST_F(MvSetPageTest, SetIpSendsAddressMaskAndGatewayAndKeepsTheTable) {
  Page* page = open_page<Page>();
  type_address(page->address_field(Page::IDC_SET_IP_ADDRESS), "10", "0", "0", "5");
  type_address(page->address_field(Page::IDC_SET_IP_MASK), "255", "0", "0", "0");
  type_address(page->address_field(Page::IDC_SET_IP_GATEWAY), "10", "0", "0", "1");
  QTest::mouseClick(page->button(Page::IDC_SET_IP), Qt::LeftButton);

  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 32u);
  const Bytes expected = {0x0A, 0, 0, 0x05, 0xFF, 0, 0, 0, 0x0A, 0, 0, 0x01};
  EXPECT_EQ(mv_test::payload_of(frame, 0x05), expected);
  EXPECT_EQ(Bytes(std::begin(main->m_dev_net_param), std::end(main->m_dev_net_param)), expected);
  EXPECT_STREQ(main->m_device_table[0].ip, "127.0.0.2");
  const devsim::MultiviewerState device = device_state();
  EXPECT_EQ(Bytes(device.net_param.begin(), device.net_param.end()), expected);
  EXPECT_EQ(device.net_param_changes, 1);
  EXPECT_EQ(main->m_udpSockfd, -1);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvSetPageTest, SetIpGoesOverTheLanEvenOnASerialConnection) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(main->m_comm.open_port(pty.slave_name(), 9600));
  main->m_eState = 1;
  Page* page = open_page<Page>();
  QTest::mouseClick(page->button(Page::IDC_SET_IP), Qt::LeftButton);

  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 32u);
  const Bytes expected = {127, 0, 0, 2, 255, 255, 255, 0, 127, 0, 0, 1};
  EXPECT_EQ(mv_test::payload_of(frame, 0x05, Link::Udp), expected);
  EXPECT_TRUE(pty.device_read_all(100).empty());
  main->m_comm.close_port(500);
}

TEST_F(MvSetPageTest, SetDefaultOverTheLanSendsOneFrameAndAppliesTheDefaults) {
  fill_non_default_model();
  Page* page = open_page<Page>();
  QTest::mouseClick(page->button(Page::IDC_SET_DEFAULT), Qt::LeftButton);

  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 21u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x38), Bytes{0x00});
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(device_state().defaults_restored, 1);

  const All16ViewPageData& d = main->m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_audio_enable, 1);
  EXPECT_EQ(main->m_16_view_audio_show, 1);
  EXPECT_EQ(d.kelvaro_16_view_audio_source_channel, 0);
  EXPECT_EQ(d.kelvaro_16_view_mode_type, 6);
  EXPECT_EQ(main->m_cur_window_count, 16);
  EXPECT_EQ(d.kelvaro_16_view_resolution_type, 0);
  EXPECT_EQ(d.kelvaro_16_view_resolution_enable, 0);
  EXPECT_EQ(main->m_16_view_reso_show, 0);
  EXPECT_EQ(d.kelvaro_16_view_umd_enable, 1);
  EXPECT_EQ(main->m_16_view_umd_show, 1);
  for (int i = 0; i < kMvWindowCount; ++i) {
    EXPECT_EQ(d.kelvaro_16_view_umd_text_color[i], 0);
    EXPECT_EQ(d.kelvaro_16_view_umd_back_color[i], 0);
    EXPECT_EQ(d.kelvaro_16_view_resolution_text_color[i], 0);
    EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[i], 0);
    // Sources and labels are the device's own business.
    EXPECT_EQ(main->m_16_view_window_source[i], 15 - i);
    EXPECT_EQ(main->m_16_view_umd_text[i], QStringLiteral("W%1").arg(i + 1));
    EXPECT_EQ(main->m_16_view_umd_rgb[i], (PreviewRgb{0, 0, 0}));
  }
  EXPECT_EQ(d.kelvaro_16_view_border_enable, 0);
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 1);
  // The preview now shows sixteen windows, with their bars.
  EXPECT_EQ(main->m_16_view_win_rect[15].x, 540);
  EXPECT_EQ(main->m_16_view_win_rect[15].y, 360);
  EXPECT_EQ(main->m_16_view_win_rect[15].w, 180);
  EXPECT_EQ(main->m_16_view_audio_rect[15].x, 558);
  EXPECT_EQ(main->m_16_view_audio_rect[15].h, 30);
  expect_default_lists(page, 1);
}

TEST_F(MvSetPageTest, SetDefaultWithTheSerialPortClosedOnlyMovesTheLists) {
  fill_non_default_model();
  main->m_eState = 1;
  Page* page = open_page<Page>();
  QTest::mouseClick(page->button(Page::IDC_SET_DEFAULT), Qt::LeftButton);
  EXPECT_TRUE(nothing_sent());
  expect_model_untouched();
  expect_default_lists(page, 1);
}

TEST_F(MvSetPageTest, SetDefaultOverAnOpenSerialPortWritesTheFrameAndAppliesTheDefaults) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(main->m_comm.open_port(pty.slave_name(), 9600));
  fill_non_default_model();
  main->m_eState = 1;
  Page* page = open_page<Page>();
  QTest::mouseClick(page->button(Page::IDC_SET_DEFAULT), Qt::LeftButton);

  const Bytes frame = pty.device_read(21);
  ASSERT_EQ(frame.size(), 21u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x38, Link::Serial), Bytes{0x00});
  EXPECT_EQ(main->m_cur_window_count, 16);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_umd_back_color[9], 0);
  EXPECT_TRUE(nothing_sent()) << "nothing over the LAN";
  main->m_comm.close_port(500);
}

TEST_F(MvSetPageTest, ListsSendTheirCommandsAndStoreWhatTheyOwn) {
  Page* page = open_page<Page>();
  All16ViewPageData& d = main->m_all_16_view_page_data;

  choose(page->combo(Page::IDC_SET_RESO_TYPE), 8);  // 720p50
  Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 22u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x19), (Bytes{0x00, 0x06}));
  EXPECT_EQ(d.kelvaro_16_view_resolution_type, 8);
  EXPECT_EQ(device_state().resolution_code, 6);

  const All16ViewPageData before = d;
  choose(page->combo(Page::IDC_SET_AUDIO_SOURCE), 2);  // CH_3
  frame = next_frame();
  ASSERT_EQ(frame.size(), 21u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x39), Bytes{0x03});
  EXPECT_EQ(std::memcmp(&before, &d, sizeof d), 0) << "the audio source is not stored";

  choose(page->combo(Page::IDC_SET_BORDER), 1);
  EXPECT_EQ(next_payload(0x3F), Bytes{0x01});
  EXPECT_EQ(d.kelvaro_16_view_border_enable, 1);

  choose(page->combo(Page::IDC_SET_LOCK), 1);
  EXPECT_EQ(next_payload(0x50), Bytes{0x01});
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 1);
  choose(page->combo(Page::IDC_SET_LOCK), 0);
  EXPECT_EQ(next_payload(0x50), Bytes{0x00});
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 0);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvSetPageTest, MeterAndCaptionSwitchesDriveThePreviewNotTheRecord) {
  // One 720 x 480 window on the preview.
  main->m_16_view_win_rect[0] = {0, 0, 720, 480, 1};
  Page* page = open_page<Page>();

  choose(page->combo(Page::IDC_SET_AUDIO_ENABLE), 1);
  EXPECT_EQ(next_payload(0x37), Bytes{0x01});
  EXPECT_EQ(main->m_16_view_audio_show, 1);
  EXPECT_EQ(main->m_16_view_audio_rect[0].x, 72);
  EXPECT_EQ(main->m_16_view_audio_rect[0].y, 288);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_audio_enable, 0);

  choose(page->combo(Page::IDC_SET_RESO_ENABLE), 1);
  EXPECT_EQ(next_payload(0x3A), Bytes{0x01});
  EXPECT_EQ(main->m_16_view_reso_show, 1);
  EXPECT_EQ(main->m_16_view_reso_rect[0].x, 576);
  EXPECT_EQ(main->m_16_view_reso_rect[0].y, 48);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_enable, 0);

  choose(page->combo(Page::IDC_SET_AUDIO_ENABLE), 0);
  EXPECT_EQ(next_payload(0x37), Bytes{0x00});
  EXPECT_EQ(main->m_16_view_audio_show, 0);
}

TEST_F(MvSetPageTest, MeterSwitchWithTheSerialPortClosedSetsOnlyTheFlag) {
  main->m_16_view_win_rect[0] = {0, 0, 720, 480, 1};
  main->m_eState = 1;
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_SET_AUDIO_ENABLE), 1);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(main->m_16_view_audio_show, 1);
  EXPECT_EQ(main->m_16_view_audio_rect[0].w, 0) << "bars not recomputed";
}

TEST_F(MvSetPageTest, DrawsTheLineThatSeparatesTheAddressFields) {
  Page* page = open_page<Page>();
  const QImage image = page->grab().toImage();
  for (int x : {21, 240, 469}) EXPECT_EQ(QColor(image.pixel(x, 180)), QColor(Qt::black)) << x;
}
TEST_F(MvSetPageTest, TabSixOfTheShellRestoresDefaultsAndThePreviewFollows) {
  devsim::MultiviewerState state = device_state();
  state.window_count = 4;
  sim->sim().set_multiviewer_state(0, state);
  ASSERT_TRUE(sim->select_in_main_window(*main, 0));
  auto* shell = CClass_16view_dlg::live_shell();
  ASSERT_NE(shell, nullptr);
  ASSERT_EQ(mv_test::payload_of(next_frame(), 0x32), Bytes{}) << "the layout tab's state query";
  ASSERT_EQ(main->m_cur_window_count, 4);
  QTest::mouseClick(shell->tab_button(6), Qt::LeftButton);
  auto* page = dynamic_cast<Page*>(shell->cur_sub_page());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->address_field(Page::IDC_SET_IP_ADDRESS)->address(), "127.0.0.2");
  QTest::mouseClick(page->button(Page::IDC_SET_DEFAULT), Qt::LeftButton);
  EXPECT_EQ(next_payload(0x38), Bytes{0x00});
  EXPECT_EQ(device_state().window_count, 16);
  EXPECT_EQ(main->m_cur_window_count, 16);
  EXPECT_EQ(main->m_16_view_win_rect[15], (NumberedRect{540, 360, 180, 120, 16}));
}
}  // namespace
