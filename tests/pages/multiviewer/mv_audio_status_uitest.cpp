#include "mv_subpage_fixture.h"
#include "pages/multiviewer/mv_audio_page.h"
#include "pages/multiviewer/mv_status_page.h"
#include "support/pty_pair.h"

namespace {
using mv_test::Bytes;
using Audio = CClass_16view_audio;
using Status = CClass_16view_status;

class MvAudioStatusTest : public mv_test::SubPageTest {
 protected:
  All16ViewPageData& data() { return main->m_all_16_view_page_data; }
  void open_serial_port() {
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(main->m_comm.open_port(pty.slave_name(), 9600));
    main->m_eState = 1;
  }
  void TearDown() override {
    main->m_comm.close_port(500);
    SubPageTest::TearDown();
  }
  PtyPair pty;
};

TEST_F(MvAudioStatusTest, AudioPageShowsNothingButHoldsTheModel) {
  data().kelvaro_16_view_audio_enable = 1;
  data().kelvaro_16_view_audio_source_channel = 4;
  Audio* page = open_page<Audio>();
  for (int id : {1026, 1014, 1068, 1015, 1025, 1027, 1031})
    EXPECT_FALSE(page->control(id)->isVisible()) << id;
  EXPECT_EQ(page->combo(Audio::IDC_AUDIO_ENABLE)->currentText(), "ON");
  EXPECT_EQ(page->combo(Audio::IDC_AUDIO_SOURCE)->currentText(), "CH_4");
  EXPECT_EQ(page->combo(1031)->count(), 0);
  EXPECT_EQ(page->control(Audio::IDC_AUDIO_GROUP)->geometry(), QRect(5, 5, 480, 410));
  page->destroy_page();

  data().kelvaro_16_view_audio_source_channel = 0;  // after the device defaults
  page = open_page<Audio>();
  EXPECT_EQ(page->combo(Audio::IDC_AUDIO_SOURCE)->currentIndex(), -1);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvAudioStatusTest, AudioPageSendsOverTheLanWhateverTheConnectionMode) {
  open_serial_port();
  main->m_16_view_win_rect[0] = {0, 0, 360, 240, 1};
  Audio* page = open_page<Audio>();

  choose(page->combo(Audio::IDC_AUDIO_ENABLE), 1);
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 21u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x37, Link::Udp), Bytes{0x01});
  EXPECT_EQ(main->m_16_view_audio_show, 1);
  EXPECT_EQ(main->m_16_view_audio_rect[0], (PreviewRect{36, 144, 36, 60}));
  EXPECT_EQ(data().kelvaro_16_view_audio_enable, 0);

  choose(page->combo(Audio::IDC_AUDIO_SOURCE), 4);
  EXPECT_EQ(next_payload(0x39), Bytes{0x05});
  EXPECT_EQ(data().kelvaro_16_view_audio_source_channel, 0);
  EXPECT_TRUE(pty.device_read_all(100).empty()) << "nothing on the serial line";
}

TEST_F(MvAudioStatusTest, StatusPageWithNoAnswerShowsTheModelAfterTheWait) {
  sim->sim().set_faults(0, devsim::Faults{.drop_replies = -1});
  data().kelvaro_16_view_mode_type = 6;
  data().kelvaro_16_view_audio_enable = 1;
  data().kelvaro_16_view_audio_source_channel = 0;
  data().kelvaro_16_view_umd_enable = 0;
  Status* page = open_page<Status>();

  const Bytes query = next_frame();
  ASSERT_EQ(query.size(), 20u);
  EXPECT_TRUE(mv_test::payload_of(query, 0x32).empty());
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO)->text(), "ON");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO_SOURCE)->text(), "CH_0");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_UMD)->text(), "OFF");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_MODE)->text(), "十六画面");
  EXPECT_FALSE(page->control(Status::IDC_STATUS_MODE)->isVisible());
  EXPECT_TRUE(page->edit(Status::IDC_STATUS_AUDIO)->isReadOnly());
  // The preview was rebuilt from the model: sixteen windows.
  EXPECT_EQ(main->m_16_view_win_rect[15].number, 16);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvAudioStatusTest, StatusPageShowsTheDeviceReplyEvenOnASerialConnection) {
  open_serial_port();
  data().kelvaro_16_view_mode_type = 9;  // no such mode: empty caption unless replaced
  // The device shows nine windows at 1080i50 (wire 1), labels on, the meter
  // on from channel 7, captions off.
  devsim::MultiviewerState state = device_state();
  state.window_count = 9;
  state.resolution_code = 1;
  state.umd_enable = 1;
  state.audio_enable = 1;
  state.audio_source = 7;
  state.resolution_enable = 0;
  sim->sim().set_multiviewer_state(0, state);
  Status* page = open_page<Status>();
  const Bytes query = next_frame();
  ASSERT_EQ(query.size(), 20u);
  EXPECT_TRUE(mv_test::payload_of(query, 0x32).empty());

  EXPECT_EQ(main->m_cur_window_count, 9);
  EXPECT_EQ(page->edit(Status::IDC_STATUS_MODE)->text(), "九画面");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO)->text(), "ON");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO_SOURCE)->text(), "CH_7");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_UMD)->text(), "ON");
  EXPECT_EQ(main->m_16_view_win_rect[8], (NumberedRect{480, 320, 240, 160, 9}));
  EXPECT_EQ(main->m_16_view_audio_rect[8], (PreviewRect{504, 416, 24, 40}));
  EXPECT_TRUE(pty.device_read_all(100).empty()) << "the query never goes to the serial line";
}

TEST_F(MvAudioStatusTest, StatusPageLeavesTheModeEmptyForAnUnknownIndex) {
  sim->sim().set_faults(0, devsim::Faults{.drop_replies = -1});
  data().kelvaro_16_view_mode_type = 7;
  Status* page = open_page<Status>();
  EXPECT_EQ(page->edit(Status::IDC_STATUS_MODE)->text(), "");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO)->text(), "OFF");
  EXPECT_EQ(page->edit(Status::IDC_STATUS_AUDIO_SOURCE)->text(), "CH_0");
}
}  // namespace
