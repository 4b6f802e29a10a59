#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <cstring>
#include <memory>
#include <string>

#include "app/error_box.h"
#include "app/ip_address_edit.h"
#include "app/main_window.h"
#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "link/control_frame.h"
#include "link/link_options.h"
#include "pages/matrix/matrix_function_page.h"
#include "pages/matrix/matrix_page.h"
#include "pages/matrix/matrix_setting_page.h"
#include "res/skin.h"
#include "support/devsim_fixture.h"
#include "support/panel_test.h"
#include "support/list_choice.h"

namespace {
using devsim::DeviceSpec;
using ms = std::chrono::milliseconds;

std::vector<uint8_t> ascii_bytes(const char* text) {
  return std::vector<uint8_t>(text, text + std::strlen(text));
}

constexpr int kLan = 0;     // simulated matrix on 127.0.0.2
constexpr int kSerial = 1;  // simulated matrix on a pseudo-terminal

// A main window in front of two simulated matrix routers of the same
// address (type 0x81, id 7): one on the LAN, one on a serial line. The
// serial one is reached in serial mode; the lock frames, which always go
// over UDP, then reach the LAN one at the table row's address.
class MatrixPageTest : public PanelTest {
 protected:
  void SetUp() override { start_panel({DeviceSpec::lan(0x81, 7), DeviceSpec::serial(0x81, 7)}); }

  // Selects the device as a search would have and returns its page; the
  // lock query has been answered by then.
  CClass_matrix_control* open_page(int device = kLan) {
    std::strcpy(dlg_->m_device_table[0].ip, sim_->address(kLan).c_str());
    sim().clear_frames();
    EXPECT_TRUE(sim_->select_in_main_window(*dlg_, device));
    page_ = qobject_cast<CClass_matrix_control*>(dlg_->m_p_mian_show_dlg);
    const auto queries = sim_->frames_with_command(kLan, 0x50);
    EXPECT_EQ(queries.size(), 1u);
    if (!queries.empty()) {
      EXPECT_EQ(queries[0].bytes, build_frame(0x81, 7, Link::Udp, 0x50));
    }
    sim().clear_frames();
    return page_;
  }

  CSkinButton* key(int id) { return page_->button(id); }
  CSkinButton* input(int i) { return key(IDC_MATRIX_INPUT_1 + i - 1); }
  CSkinButton* output(int j) { return key(IDC_MATRIX_OUTPUT_1 + j - 1); }
  CSkinButton* fn(int id) { return page_->m_p_cur_sub_page->button(id); }
  static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

  // Output faces as 0 / 1, output 1 first.
  std::string output_faces() {
    std::string s;
    for (int j = 1; j <= 8; ++j)
      s += output(j)->bitmap_id() == matrix_key_bitmap(j, true) ? '1' : '0';
    return s;
  }
  std::string routes() {
    std::string s;
    for (uint8_t r : dlg_->m_matrix_route) s += static_cast<char>('0' + r);
    return s;
  }
  std::string device_routes(int device) {
    std::string s;
    for (uint8_t r : sim().matrix_state(device).route) s += static_cast<char>('0' + r);
    return s;
  }
  // Nothing (more) arrives at any device within a short while.
  ::testing::AssertionResult quiet() { return sim_->nothing_more(sim().frame_count(), ms(150)); }
  ::testing::AssertionResult lock_sent(uint8_t state) {
    const uint8_t payload[] = {state};
    return sim_->received(build_frame(0x81, 7, Link::Udp, 0x51, payload));
  }

  CClass_matrix_control* page_ = nullptr;
};

TEST_F(MatrixPageTest, BothMatrixTypesOpenThePageWithGreyKeysAndTheFunctionTab) {
  SimulatorFixture other({DeviceSpec::lan(0x82, 3)});
  ASSERT_TRUE(other.started());
  for (SimulatorFixture* s : {sim_.get(), &other}) {
    const devsim::DeviceInfo d = s->sim().device(0);
    ASSERT_TRUE(s->select_in_main_window(*dlg_, 0));
    page_ = qobject_cast<CClass_matrix_control*>(dlg_->m_p_mian_show_dlg);
    ASSERT_NE(page_, nullptr) << int(d.type);
    EXPECT_TRUE(s->received(build_frame(d.type, d.id, Link::Udp, 0x50)));
    EXPECT_EQ(page_->dialog_id(), 206);
    EXPECT_EQ(page_->background_bitmap(), 229);
    EXPECT_EQ(page_->geometry(), dlg_->m_rc_page);
    for (int n = 1; n <= 8; ++n) {
      EXPECT_EQ(input(n)->geometry(), QRect(80 + 68 * (n - 1), 180, 60, 65));
      EXPECT_EQ(output(n)->geometry(), QRect(80 + 68 * (n - 1), 380, 60, 65));
      EXPECT_EQ(input(n)->bitmap_id(), 211 + 2 * n);
      EXPECT_EQ(output(n)->bitmap_id(), 211 + 2 * n);
    }
    EXPECT_EQ(input(1)->bitmap_id(), 213);
    EXPECT_EQ(output(8)->bitmap_id(), 227);
    EXPECT_EQ(page_->tab_button(1)->bitmap_id(), 193);
    EXPECT_EQ(page_->tab_button(2)->bitmap_id(), 200);
    EXPECT_NE(qobject_cast<CShadeButton*>(page_->tab_button(1)), nullptr);
    EXPECT_NE(qobject_cast<CShadeButton*>(page_->tab_button(2)), nullptr);
    EXPECT_FALSE(page_->control(IDC_MATRIX_GROUP_INPUT)->isVisible());
    EXPECT_EQ(page_->m_cur_tab, 1);
    EXPECT_EQ(page_->m_rc_sub_page, QRect(750, 105, 490, 420));
    auto* fn_page = qobject_cast<CClass_matrix_child_function*>(page_->m_p_cur_sub_page);
    ASSERT_NE(fn_page, nullptr);
    EXPECT_EQ(fn_page->geometry(), QRect(750, 105, 490, 420));
    EXPECT_TRUE(fn_page->isVisible());
    EXPECT_EQ(fn_page->background_bitmap(), 230);
    EXPECT_EQ(fn(IDC_MATRIX_FN_APPLY)->bitmap_id(), 235);
    EXPECT_EQ(fn(IDC_MATRIX_FN_ONE_TO_ALL)->bitmap_id(), 233);
    EXPECT_EQ(fn(IDC_MATRIX_FN_ONE_TO_ONE)->bitmap_id(), 234);
    EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 231);
    EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->geometry(), QRect(272, 300, 140, 65));
    EXPECT_TRUE(s->no_bad_frames());
  }
}

TEST_F(MatrixPageTest, CrosspointKeysKeepTheRoutingAndSendNothing) {
  open_page();
  click(output(1));  // no input yet
  EXPECT_EQ(routes(), "00000000");
  EXPECT_EQ(dlg_->m_eMatrixState, 0);

  click(input(3));
  EXPECT_EQ(dlg_->m_eMatrixState, 1);
  EXPECT_EQ(dlg_->m_matrix_input, 3);
  EXPECT_EQ(input(3)->bitmap_id(), 218);
  for (int j : {1, 2, 5}) click(output(j));
  EXPECT_EQ(routes(), "33003000");
  EXPECT_EQ(output_faces(), "11001000");

  click(input(4));
  EXPECT_EQ(input(3)->bitmap_id(), 217);
  EXPECT_EQ(input(4)->bitmap_id(), 220);
  EXPECT_EQ(output_faces(), "00000000");
  click(output(2));  // carried input 3: now input 4
  EXPECT_EQ(routes(), "34003000");
  EXPECT_EQ(output_faces(), "01000000");
  click(output(2));  // cleared, not back to input 3
  EXPECT_EQ(routes(), "30003000");
  EXPECT_EQ(output_faces(), "00000000");

  click(input(4));  // already selected: nothing changes
  EXPECT_EQ(input(4)->bitmap_id(), 220);
  EXPECT_EQ(dlg_->m_matrix_input, 4);
  EXPECT_TRUE(quiet());
}

TEST_F(MatrixPageTest, CommandsSendTheirTextAndUpdateTheKeys) {
  open_page();
  click(input(3));
  for (int j : {1, 2, 5}) click(output(j));
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received(ascii_bytes("3V1,2,5.")));
  EXPECT_EQ(output_faces(), "11001000");
  EXPECT_EQ(device_routes(kLan), "33343678");

  click(input(4));
  click(output(8));
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received_text(kLan, "4V8."));

  click(fn(IDC_MATRIX_FN_ONE_TO_ALL));
  EXPECT_TRUE(sim_->received_text(kLan, "4All."));
  EXPECT_EQ(routes(), "44444444");
  EXPECT_EQ(output_faces(), "11111111");
  EXPECT_EQ(dlg_->m_udpSockfd, -1);

  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(sim_->received_text(kLan, "All#."));
  EXPECT_EQ(routes(), "12345678");
  EXPECT_EQ(dlg_->m_matrix_input, 0);
  EXPECT_EQ(input(4)->bitmap_id(), 219);
  EXPECT_EQ(output_faces(), "00000000");
  EXPECT_EQ(device_routes(kLan), "12345678");
  // Exactly the four commands, one datagram each.
  EXPECT_EQ(sim().frame_count(), 4u);
  EXPECT_EQ(sim().matrix_state(kLan).text_commands, 4);
  EXPECT_TRUE(quiet());
}

TEST_F(MatrixPageTest, ApplyWithoutAnOutputOrInputSendsNothing) {
  open_page();
  click(fn(IDC_MATRIX_FN_APPLY));  // no input
  click(fn(IDC_MATRIX_FN_ONE_TO_ALL));
  click(input(2));
  click(fn(IDC_MATRIX_FN_APPLY));  // input 2 carried nowhere
  click(output(7));
  click(output(7));
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(quiet());
}

TEST_F(MatrixPageTest, OneToOneWithoutInputStillSendsAndRoutesOneToOne) {
  open_page();
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(sim_->received_text(kLan, "All#."));
  EXPECT_EQ(routes(), "12345678");
  EXPECT_EQ(dlg_->m_matrix_input, 0);
  EXPECT_EQ(dlg_->m_eMatrixState, 0);
  // An input picked afterwards shows its one-to-one output.
  click(input(6));
  EXPECT_EQ(output_faces(), "00000100");
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received_text(kLan, "6V6."));
}

TEST_F(MatrixPageTest, RecreatedPageShowsNoInputButTheStoredOneGoverns) {
  open_page();
  click(input(2));
  click(output(4));
  QPointer<PageFrame> old_sub = page_->m_p_cur_sub_page;
  QPointer<CClass_matrix_control> old_page = page_;

  open_page();  // selecting the device again builds a new page
  EXPECT_TRUE(old_page.isNull());
  EXPECT_TRUE(old_sub.isNull());
  EXPECT_EQ(dlg_->m_matrix_input, 2);
  EXPECT_EQ(dlg_->m_eMatrixState, 1);
  EXPECT_EQ(routes(), "00020000");
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(input(n)->bitmap_id(), 211 + 2 * n);
  EXPECT_EQ(output_faces(), "00000000");

  click(input(2));  // its own input: nothing
  EXPECT_EQ(input(2)->bitmap_id(), 215);
  click(output(6));
  EXPECT_EQ(routes(), "00020200");
  EXPECT_EQ(output_faces(), "00010100");
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received_text(kLan, "2V4,6."));
}

TEST_F(MatrixPageTest, LockReplyOfTwoCountsAsLockedAndTheNextLockSendsZero) {
  devsim::MatrixState locked = sim().matrix_state(kLan);
  locked.lock = 2;
  sim().set_matrix_state(kLan, locked);
  open_page();
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 2);
  EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 232);

  click(fn(IDC_MATRIX_FN_LOCK));
  EXPECT_TRUE(lock_sent(0));
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 0);
  EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 231);
  EXPECT_EQ(sim().matrix_state(kLan).lock, 0);

  sim().clear_frames();
  click(fn(IDC_MATRIX_FN_LOCK));
  EXPECT_TRUE(lock_sent(1));
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 1);
  EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 232);
  EXPECT_EQ(dlg_->m_udpSockfd, -1);

  // The device keeps the lock: the next page reads it back.
  open_page();
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 1);
  EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 232);
}

TEST_F(MatrixPageTest, SilentDeviceLeavesTheLockAsSelectDeviceSetIt) {
  devsim::Faults silent;
  silent.drop_replies = -1;
  sim().set_faults(kLan, silent);
  dlg_->m_matrix_btn_lock = 1;  // cleared by select_device
  open_page();
  ASSERT_NE(page_, nullptr);
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 0);
  EXPECT_EQ(fn(IDC_MATRIX_FN_LOCK)->bitmap_id(), 231);
  EXPECT_EQ(dlg_->m_udpSockfd, -1);
}

TEST_F(MatrixPageTest, LockedPageIgnoresEveryClickButLock) {
  open_page();
  click(input(1));
  click(output(3));
  dlg_->m_matrix_btn_lock = 1;

  click(input(5));
  click(output(4));
  click(output(3));
  click(fn(IDC_MATRIX_FN_APPLY));
  click(fn(IDC_MATRIX_FN_ONE_TO_ALL));
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(quiet());
  EXPECT_EQ(dlg_->m_matrix_input, 1);
  EXPECT_EQ(routes(), "00100000");
  EXPECT_EQ(input(5)->bitmap_id(), 221);
  EXPECT_EQ(output_faces(), "00100000");

  click(fn(IDC_MATRIX_FN_LOCK));
  EXPECT_TRUE(lock_sent(0));
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received_text(kLan, "1V3."));
}

TEST_F(MatrixPageTest, TabsSwapTheSubPages) {
  open_page();
  QPointer<PageFrame> function_page = page_->m_p_cur_sub_page;
  click(page_->tab_button(2));
  EXPECT_EQ(page_->m_cur_tab, 2);
  EXPECT_TRUE(function_page.isNull());
  auto* setting = qobject_cast<CClass_matrix_child_setting*>(page_->m_p_cur_sub_page);
  ASSERT_NE(setting, nullptr);
  EXPECT_EQ(setting->geometry(), QRect(750, 105, 490, 420));
  EXPECT_EQ(setting->background_bitmap(), 194);
  EXPECT_EQ(page_->tab_button(1)->bitmap_id(), 192);
  EXPECT_EQ(page_->tab_button(2)->bitmap_id(), 201);

  click(page_->tab_button(2));  // the tab shown: nothing
  EXPECT_EQ(page_->m_p_cur_sub_page, setting);

  click(page_->tab_button(1));
  EXPECT_EQ(page_->m_cur_tab, 1);
  EXPECT_NE(qobject_cast<CClass_matrix_child_function*>(page_->m_p_cur_sub_page), nullptr);
  EXPECT_EQ(page_->tab_button(1)->bitmap_id(), 193);
  EXPECT_EQ(page_->tab_button(2)->bitmap_id(), 200);
  // Enter and Escape close nothing and click nothing.
  fn(IDC_MATRIX_FN_ONE_TO_ONE)->setFocus();
  QTest::keyClick(fn(IDC_MATRIX_FN_ONE_TO_ONE), Qt::Key_Escape);
  QTest::keyClick(fn(IDC_MATRIX_FN_ONE_TO_ONE), Qt::Key_Return);
  QTest::keyClick(page_, Qt::Key_Escape);
  EXPECT_TRUE(page_->m_p_cur_sub_page->isVisible());
  EXPECT_TRUE(page_->isVisible());
  EXPECT_TRUE(quiet());
}

TEST_F(MatrixPageTest, SerialModeSendsTextToThePortAndLockFramesOverUdp) {
  open_page(kSerial);  // opens the port; the lock query went over UDP
  ASSERT_EQ(dlg_->m_eState, 1);
  click(input(3));
  click(output(1));
  click(fn(IDC_MATRIX_FN_APPLY));
  EXPECT_TRUE(sim_->received_text(kSerial, "3V1."));
  click(fn(IDC_MATRIX_FN_ONE_TO_ALL));
  EXPECT_TRUE(sim_->received_text(kSerial, "3All."));
  EXPECT_EQ(output_faces(), "11111111");
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(sim_->received_text(kSerial, "All#."));
  EXPECT_EQ(dlg_->m_matrix_input, 0);

  click(fn(IDC_MATRIX_FN_LOCK));
  EXPECT_TRUE(lock_sent(1));
  EXPECT_EQ(sim().matrix_state(kLan).lock, 1);
  EXPECT_EQ(sim().matrix_state(kSerial).lock, 0);
  EXPECT_EQ(sim().matrix_state(kLan).text_commands, 0);
  EXPECT_EQ(sim().matrix_state(kSerial).text_commands, 3);
  EXPECT_TRUE(quiet());
}

TEST_F(MatrixPageTest, SerialModeWithThePortClosedDropsTextAndSkipsTheFollowUp) {
  open_page(kSerial);
  dlg_->m_comm.close_port(500);
  click(input(3));
  click(output(1));
  click(fn(IDC_MATRIX_FN_APPLY));
  click(fn(IDC_MATRIX_FN_ONE_TO_ALL));
  EXPECT_EQ(routes(), "33333333");
  EXPECT_EQ(output_faces(), "10000000");  // keys keep their old look
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_EQ(routes(), "12345678");
  EXPECT_EQ(dlg_->m_matrix_input, 3);  // not deselected
  EXPECT_EQ(input(3)->bitmap_id(), 218);
  EXPECT_EQ(output_faces(), "10000000");
  EXPECT_TRUE(quiet());

  click(fn(IDC_MATRIX_FN_LOCK));  // the lock goes out over UDP anyway
  EXPECT_TRUE(lock_sent(1));
}

// ---- connection sub-page ----
class MatrixSettingTest : public MatrixPageTest {
 protected:
  CClass_matrix_child_setting* open_setting(int device = kLan) {
    open_page(device);
    click(page_->tab_button(2));
    return qobject_cast<CClass_matrix_child_setting*>(page_->m_p_cur_sub_page);
  }
  static void choose(QComboBox* list, int index) { pick_item(list, index); }
  static void paint(QWidget* w) {
    w->repaint();
    QApplication::processEvents();
  }
  static QImage icon_image(int id) { return skin_icon(id).pixmap(32, 32).toImage(); }
  QString pty() const { return QString::fromStdString(sim_->address(kSerial)); }
};

TEST_F(MatrixSettingTest, CreationShowsTheModeButKeepsSerialControlsDisabled) {
  link_options().serial_ports.push_back("/dev/kelvaro-extra");
  CClass_matrix_child_setting* s = open_setting(kSerial);
  ASSERT_NE(s, nullptr);
  QComboBox* mode = s->combo(IDC_MATRIX_SET_MODE_LIST);
  ASSERT_EQ(mode->count(), 2);
  EXPECT_EQ(mode->itemText(0), "LAN Port");
  EXPECT_EQ(mode->itemText(1), "Serial Port");
  EXPECT_EQ(mode->currentIndex(), 1);
  QComboBox* ports = s->combo(IDC_MATRIX_SET_PORT_LIST);
  QComboBox* bauds = s->combo(IDC_MATRIX_SET_BAUD_LIST);
  EXPECT_EQ(ports->currentIndex(), 0);
  EXPECT_GE(ports->findText(pty()), 0);
  EXPECT_EQ(ports->itemText(ports->count() - 1), "/dev/kelvaro-extra");
  const QStringList rates = {"9600", "19200", "38400", "57600", "115200"};
  ASSERT_EQ(bauds->count(), 5);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(bauds->itemText(k), rates[k]);
  EXPECT_EQ(bauds->currentText(), "9600");
  EXPECT_FALSE(ports->isEnabled());
  EXPECT_FALSE(bauds->isEnabled());
  EXPECT_FALSE(s->connect_button()->isEnabled());
  EXPECT_TRUE(s->control(IDC_MATRIX_SET_DEV_IP)->isEnabled());
  EXPECT_EQ(static_cast<IpAddressEdit*>(s->control(IDC_MATRIX_SET_DEV_IP))->address(), "127.0.0.2");
  EXPECT_FALSE(s->control(IDC_MATRIX_SET_RADIO_NET)->isVisible());
  EXPECT_FALSE(s->control(IDC_MATRIX_SET_RADIO_COM)->isVisible());
  CShadeButton* connect = s->connect_button();
  ASSERT_NE(connect, nullptr);
  EXPECT_EQ(connect->text(), "Connect");
  EXPECT_EQ(connect->geometry(), QRect(170, 320, 110, 32));
  EXPECT_TRUE(connect->has_shade());
  EXPECT_EQ(connect->color(CSkinButton::TextIn), QColor(178, 0, 0));
  EXPECT_EQ(connect->color(CSkinButton::TextOut), QColor(0, 128, 0));
  EXPECT_EQ(s->m_com_connected, 0);  // even with the port open
  EXPECT_TRUE(dlg_->m_comm.is_open());
  EXPECT_EQ(s->m_rc_status_icon, s->control(IDC_MATRIX_SET_STATUS_ICON)->geometry());
  paint(s);
  EXPECT_EQ(static_cast<QLabel*>(s->control(IDC_MATRIX_SET_STATUS_ICON))->pixmap().toImage(),
            icon_image(211));

  // Picking a mode sets the enabling and the mode; the port stays as it was.
  choose(mode, 0);
  EXPECT_EQ(dlg_->m_eState, 0);
  EXPECT_FALSE(ports->isEnabled());
  EXPECT_FALSE(bauds->isEnabled());
  EXPECT_FALSE(s->connect_button()->isEnabled());
  EXPECT_TRUE(s->control(IDC_MATRIX_SET_DEV_IP)->isEnabled());
  EXPECT_TRUE(dlg_->m_comm.is_open());
  choose(mode, 1);
  EXPECT_EQ(dlg_->m_eState, 1);
  EXPECT_TRUE(ports->isEnabled());
  EXPECT_TRUE(bauds->isEnabled());
  EXPECT_TRUE(s->connect_button()->isEnabled());
  EXPECT_FALSE(s->control(IDC_MATRIX_SET_DEV_IP)->isEnabled());
  EXPECT_TRUE(dlg_->m_comm.is_open());
}

TEST_F(MatrixSettingTest, LanModeWithThePortOpenSendsTextOverUdp) {
  CClass_matrix_child_setting* s = open_setting(kSerial);
  ASSERT_NE(s, nullptr);
  choose(s->combo(IDC_MATRIX_SET_MODE_LIST), 0);
  click(page_->tab_button(1));
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(sim_->received_text(kLan, "All#."));
  EXPECT_EQ(sim().matrix_state(kSerial).text_commands, 0);
  EXPECT_TRUE(dlg_->m_comm.is_open());
}

TEST_F(MatrixSettingTest, ConnectOpensAPseudoTerminalAndDisconnectReadsConect) {
  CClass_matrix_child_setting* s = open_setting(kLan);
  ASSERT_NE(s, nullptr);
  ASSERT_FALSE(dlg_->m_comm.is_open());
  choose(s->combo(IDC_MATRIX_SET_MODE_LIST), 1);
  QComboBox* ports = s->combo(IDC_MATRIX_SET_PORT_LIST);
  QComboBox* bauds = s->combo(IDC_MATRIX_SET_BAUD_LIST);
  ports->setCurrentIndex(ports->findText(pty()));
  bauds->setCurrentIndex(4);

  click(s->connect_button());
  ASSERT_TRUE(dlg_->m_comm.is_open());
  EXPECT_EQ(dlg_->m_comm.port_name(), pty().toStdString());
  EXPECT_NE(s->m_com_connected, 0);
  EXPECT_EQ(s->connect_button()->text(), "Disconnect");
  EXPECT_FALSE(ports->isEnabled());
  EXPECT_FALSE(bauds->isEnabled());
  paint(s);
  EXPECT_EQ(s->status_icon_id(), 212);
  EXPECT_EQ(static_cast<QLabel*>(s->control(IDC_MATRIX_SET_STATUS_ICON))->pixmap().toImage(),
            icon_image(212));

  // The port opened here carries the text commands.
  click(page_->tab_button(1));
  click(fn(IDC_MATRIX_FN_ONE_TO_ONE));
  EXPECT_TRUE(sim_->received_text(kSerial, "All#."));

  // A new sub-page knows nothing of the port: its first Connect re-opens it,
  // the next one disconnects.
  click(page_->tab_button(2));
  s = qobject_cast<CClass_matrix_child_setting*>(page_->m_p_cur_sub_page);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->m_com_connected, 0);
  EXPECT_EQ(s->connect_button()->text(), "Connect");
  choose(s->combo(IDC_MATRIX_SET_MODE_LIST), 1);
  ports = s->combo(IDC_MATRIX_SET_PORT_LIST);
  ports->setCurrentIndex(ports->findText(pty()));
  click(s->connect_button());
  EXPECT_TRUE(dlg_->m_comm.is_open());
  EXPECT_EQ(s->connect_button()->text(), "Disconnect");

  click(s->connect_button());
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_EQ(s->m_com_connected, 0);
  EXPECT_EQ(s->connect_button()->text(), "Conect");
  EXPECT_TRUE(ports->isEnabled());
  EXPECT_TRUE(s->combo(IDC_MATRIX_SET_BAUD_LIST)->isEnabled());
  paint(s);
  EXPECT_EQ(s->status_icon_id(), 211);
  EXPECT_EQ(static_cast<QLabel*>(s->control(IDC_MATRIX_SET_STATUS_ICON))->pixmap().toImage(),
            icon_image(211));
}

TEST_F(MatrixSettingTest, ConnectOnANameThatCannotOpenChangesNothing) {
  link_options().serial_ports.push_back("/nonexistent/kelvaro-tty");
  CClass_matrix_child_setting* s = open_setting(kLan);
  ASSERT_NE(s, nullptr);
  choose(s->combo(IDC_MATRIX_SET_MODE_LIST), 1);
  QComboBox* ports = s->combo(IDC_MATRIX_SET_PORT_LIST);
  ports->setCurrentIndex(ports->findText("/nonexistent/kelvaro-tty"));
  ASSERT_GE(ports->currentIndex(), 0);
  click(s->connect_button());
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_EQ(s->m_com_connected, 0);
  EXPECT_EQ(s->connect_button()->text(), "Connect");
  EXPECT_TRUE(ports->isEnabled());
  EXPECT_TRUE(s->combo(IDC_MATRIX_SET_BAUD_LIST)->isEnabled());
  paint(s);
  EXPECT_EQ(s->status_icon_id(), 211);

  // With an empty list nothing is opened, and a port opened elsewhere is
  // left closed.
  ASSERT_TRUE(dlg_->m_comm.open_port(pty().toStdString(), 9600));
  ports->clear();
  click(s->connect_button());
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_EQ(s->connect_button()->text(), "Connect");
  EXPECT_EQ(s->m_com_connected, 0);
  EXPECT_TRUE(ports->isEnabled());
}
}  // namespace
