#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "app/page_frame.h"
#include "controls/skin_button.h"
#include "devices/device_frame.h"
#include "link/link_options.h"
#include "pages/switcher/switcher_page.h"
#include "res/skin.h"
#include "support/panel_test.h"
#include "support/ports.h"
#include "support/taken_port.h"

namespace {
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = link_options();
    link_options().bind_port = next_test_port();
    link_options().device_port = next_test_port();
    link_options().search_address = "127.255.255.255";
    clear_recorded_errors();
    dlg_ = new CKELVARO_16_VIEWDlg;
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_));
  }
  void TearDown() override {
    delete dlg_;
    link_options() = saved_;
  }
  QWidget* ctl(int id) { return dlg_->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)); }

  LinkOptions saved_;
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
};

TEST_F(MainWindowTest, BorderlessPanelWithItsControlsInPlace) {
  EXPECT_EQ(m_p_glo_main_set_or_get_dlg, dlg_);
  EXPECT_EQ(dlg_->windowTitle(), "kelvaro_multiview");
  EXPECT_TRUE(dlg_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dlg_->geometry(), QRect(0, 0, 1280, 720));
  const struct {
    int id;
    QRect rect;
  } buttons[] = {{1000, {1150, 0, 47, 35}},
                 {1001, {1200, 0, 34, 35}},
                 {1002, {1236, 0, 42, 35}},
                 {1005, {560, 55, 138, 50}},
                 {1006, {2, 690, 25, 30}}};
  for (const auto& b : buttons) {
    QWidget* w = ctl(b.id);
    ASSERT_NE(w, nullptr) << b.id;
    EXPECT_NE(qobject_cast<CSkinButton*>(w), nullptr) << b.id;
    EXPECT_EQ(w->geometry(), b.rect) << b.id;
    EXPECT_TRUE(w->isVisible()) << b.id;
  }
  QWidget* list = ctl(1007);
  ASSERT_NE(qobject_cast<QComboBox*>(list), nullptr);
  EXPECT_EQ(list->pos(), QPoint(80, 68));
  EXPECT_EQ(list->width(), 480);
  EXPECT_EQ(list->palette().color(QPalette::Text), QColor(60, 180, 255));
  EXPECT_EQ(list->palette().color(QPalette::Base), QColor(58, 58, 58));
  EXPECT_FALSE(ctl(1008)->isVisible());
  EXPECT_FALSE(ctl(1004)->isVisible());
  EXPECT_EQ(dlg_->m_rc_page, QRect(QPoint(20, 110), QPoint(1259, 689)));
}

TEST_F(MainWindowTest, SharedStateStartsAtItsDocumentedValues) {
  EXPECT_EQ(dlg_->m_eState, 0);
  EXPECT_EQ(dlg_->m_udpSockfd, -1);
  EXPECT_EQ(dlg_->m_udpSockfd2, -1);
  EXPECT_EQ(dlg_->m_device_index, -1);
  EXPECT_EQ(dlg_->m_device_count, 0);
  EXPECT_EQ(dlg_->m_pSetConfigure, nullptr);
  EXPECT_EQ(dlg_->m_p_mian_show_dlg, nullptr);
  EXPECT_FALSE(dlg_->m_comm.is_open());
  EXPECT_EQ(dlg_->m_com_recv_len, 0u);
  for (const QString& text : dlg_->m_16_view_umd_text) EXPECT_EQ(text, " ");
  for (const DeviceEntry& row : dlg_->m_device_table) {
    EXPECT_EQ(row.dev_type, 0);
    EXPECT_EQ(row.ip[0], 0);
  }
}

TEST_F(MainWindowTest, EnterAndEscapeNeitherCloseNorClick) {
  auto* scan = qobject_cast<CSkinButton*>(ctl(1005));
  QSignalSpy clicks(scan, &QAbstractButton::clicked);
  scan->setFocus();
  QTest::keyClick(scan, Qt::Key_Return);
  QTest::keyClick(scan, Qt::Key_Enter);
  QTest::keyClick(scan, Qt::Key_Escape);
  QTest::keyClick(dlg_, Qt::Key_Escape);
  QTest::keyClick(dlg_, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), 0);
}

TEST_F(MainWindowTest, MaximiseDoesNothingAndCloseEndsTheRun) {
  QTest::mouseClick(ctl(1001), Qt::LeftButton);
  EXPECT_EQ(dlg_->geometry(), QRect(0, 0, 1280, 720));
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_FALSE(dlg_->isMaximized());
  QTest::mouseClick(ctl(1002), Qt::LeftButton);
  EXPECT_FALSE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, SelectDeviceWithoutRowOrListDoesNothing) {
  dlg_->m_matrix_btn_lock = 1;
  dlg_->select_device();  // no row selected
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 1);
  dlg_->m_device_index = 0;
  dlg_->select_device();  // empty list
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 1);
  EXPECT_EQ(dlg_->m_p_mian_show_dlg, nullptr);
}

TEST_F(MainWindowTest, SelectDeviceClearsTheSharedPageState) {
  // A matrix nobody answers for: its page reads the lock in vain.
  std::strcpy(dlg_->m_device_table[0].ip, "127.0.0.250");
  dlg_->m_device_table[0].dev_type = 0x81;
  dlg_->device_list()->addItem("DEV_127.0.0.250");
  dlg_->m_device_index = 0;
  dlg_->m_matrix_btn_lock = 1;
  dlg_->m_all_16_view_page_data.kelvaro_16_view_mode_type = 5;
  dlg_->m_all_16_view_page_data.kelvaro_16_view_color_source_channel = 9;
  dlg_->select_device();
  EXPECT_EQ(dlg_->m_matrix_btn_lock, 0);
  EXPECT_EQ(dlg_->m_all_16_view_page_data.kelvaro_16_view_mode_type, 0);
  EXPECT_EQ(dlg_->m_all_16_view_page_data.kelvaro_16_view_color_source_channel, 1);
  EXPECT_EQ(dlg_->m_all_16_view_page_data.kelvaro_16_view_color_window_channel, 1);
  EXPECT_EQ(dlg_->m_udpSockfd, -1);
}

TEST_F(MainWindowTest, UnknownSerialDeviceIsAddressedAsTm3306AtIdOne) {
  dlg_->device_list()->addItem("No Device Found");
  dlg_->m_eState = 1;
  dlg_->m_main_com_dev_type = 0x42;
  dlg_->m_device_index = 0;
  dlg_->select_device();
  EXPECT_EQ(dlg_->m_device_table[0].dev_type, 0xA3);
  EXPECT_EQ(dlg_->m_device_table[0].dev_id, 0x01);
}

TEST_F(MainWindowTest, ANewSelectionDestroysTheOldPageFirst) {
  // Two matrix rows nobody answers for: each page reads the lock in vain.
  std::strcpy(dlg_->m_device_table[0].ip, "127.0.0.250");
  dlg_->m_device_table[0].dev_type = 0x81;
  std::strcpy(dlg_->m_device_table[1].ip, "127.0.0.251");
  dlg_->m_device_table[1].dev_type = 0x82;
  dlg_->device_list()->addItems({"A_127.0.0.250", "B_127.0.0.251"});
  dlg_->m_device_index = 0;
  dlg_->select_device();
  QPointer<PageFrame> first = dlg_->m_p_mian_show_dlg;
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first->geometry(), dlg_->m_rc_page);
  EXPECT_TRUE(first->isVisible());
  // The old page is destroyed at once, not later: exactly one page lives.
  emit dlg_->device_list()->activated(1);
  const auto pages = dlg_->findChildren<PageFrame*>(QString(), Qt::FindDirectChildrenOnly);
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(dlg_->m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(dlg_->m_device_index, 1);
  EXPECT_EQ(pages.size(), 1);
}

TEST_F(MainWindowTest, NoDeviceFoundItemOpensTheDefaultSerialPage) {
  dlg_->device_list()->addItem("No Device Found");
  dlg_->m_eState = 1;
  dlg_->m_main_com_dev_type = 0;
  emit dlg_->device_list()->activated(0);
  ASSERT_NE(dlg_->m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(dlg_->m_p_mian_show_dlg->dialog_id(), 377) << "the tm3306 page";
  // In LAN mode the cleared row's type 0 asks for the switcher page.
  dlg_->m_eState = 0;
  for (DeviceEntry& row : dlg_->m_device_table) row = DeviceEntry{};  // as after a LAN search
  emit dlg_->device_list()->activated(0);
  ASSERT_NE(dlg_->m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(dlg_->m_p_mian_show_dlg->dialog_id(), 237) << "the switcher page";
}

TEST_F(MainWindowTest, GrabShowsTheSkinAndTheVersion) {
  const QImage shot = dlg_->grab().toImage();
  ASSERT_EQ(shot.size(), QSize(1280, 720));
  const QImage& background = skin_image(195);
  ASSERT_EQ(background.size(), QSize(1280, 720));
  // Background where no control sits.
  for (QPoint p : {QPoint(300, 300), QPoint(900, 40), QPoint(40, 600)})
    EXPECT_EQ(shot.pixelColor(p), background.pixelColor(p)) << p.x() << "," << p.y();
  // The scan button's face at its centre.
  const QImage& scan = skin_image(196);
  ASSERT_FALSE(scan.isNull());
  const QPoint c(scan.width() / 2, scan.height() / 2);
  if (scan.pixelColor(c) != QColor(0, 0, 0)) {
    EXPECT_EQ(shot.pixelColor(QPoint(560, 55) + c), scan.pixelColor(c));
  }
  // "Ver 1.0.1.5" in black at (1160, 690): some dark pixels differ from the skin.
  int dark = 0;
  for (int y = 690; y < 710; ++y)
    for (int x = 1160; x < 1240; ++x)
      if (shot.pixelColor(x, y).lightness() < 40 &&
          shot.pixelColor(x, y) != background.pixelColor(x, y))
        ++dark;
  EXPECT_GT(dark, 10);
}

TEST_F(MainWindowTest, AboutBoxShowsItsLineAndOkButton) {
  QString text, ok;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    if (auto* l = box->findChild<QLabel*>("about_text")) text = l->text();
    if (auto* b = box->findChild<QAbstractButton*>("about_ok")) {
      ok = b->text();
      b->click();
    }
  });
  dlg_->show_about();
  EXPECT_EQ(text, QStringLiteral("KELVARO_16_VIEW，1.0 版"));
  EXPECT_EQ(ok, QStringLiteral("确定"));
}

// A second panel started on the same ports: the ports another program holds
// are told to the operator once each, with the option that moves them,
// however many exchanges run into them; the rest keeps working.
class TakenPortTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 5),
                 devsim::DeviceSpec::lan(devsim::kTypeSwitcher, 3)});
  }
  // Lets a notice that waits for the event loop come up.
  QStringList errors_shown() {
    QTest::qWait(100);
    return recorded_errors();
  }
};

TEST_F(TakenPortTest, TheCommandPortIsToldOnceForManyExchanges) {
  const uint16_t port = link_options().bind_port;
  TakenPort taker(port);
  ASSERT_TRUE(taker.ok());
  // The page's state query, the same again, and a one-way command.
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 0));
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 0));
  send_command_lan(dlg_->transports(), dlg_->device_target(), 0x36, std::vector<uint8_t>{1});
  EXPECT_TRUE(sim_->received_command(0, 0x36, {1})) << "commands still go out";
  EXPECT_EQ(errors_shown(),
            QStringList{"Local UDP port " + QString::number(port) +
                        " (the command port) is held by another program: replies sent to it "
                        "reach that program instead of this panel, and the switcher page cannot "
                        "send. Start the panel with --bind-port PORT to use another port."});

  // Once the port is had again, losing it again is told again.
  taker.release();
  clear_recorded_errors();
  send_command_lan(dlg_->transports(), dlg_->device_target(), 0x36, std::vector<uint8_t>{1});
  EXPECT_TRUE(errors_shown().isEmpty());
  // The scan's search binds the command port too.
  TakenPort again(port);
  ASSERT_TRUE(again.ok());
  QTest::mouseClick(dlg_->main_button(1005), Qt::LeftButton);
  EXPECT_EQ(errors_shown().size(), 1);
  clear_recorded_errors();
}

TEST_F(TakenPortTest, TheSwitcherReportPortIsToldOnceAndTheSwitcherStillSends) {
  const uint16_t port = link_options().switcher_bind_port;
  TakenPort taker(port);
  ASSERT_TRUE(taker.ok());
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 1));
  // The page opened again keeps trying the port, and is not told again.
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 1));
  auto* page = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(page, nullptr);
  page->button(IDC_SW_CUT)->click();
  EXPECT_TRUE(sim_->received_command(1, 0x83, {}));
  EXPECT_EQ(errors_shown(),
            QStringList{"Local UDP port " + QString::number(port) +
                        " (the switcher report port) is held by another program: the switcher "
                        "page cannot follow the device's reports. Start the panel with "
                        "--switcher-bind-port PORT to use another port."});
  clear_recorded_errors();
}
}  // namespace
