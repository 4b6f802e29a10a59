// Enter and Escape in open drop-down lists and in the About box, pressed on
// the real widgets: an open list chooses its highlighted item on Enter (the
// list's handler runs, nothing closes but the list) and closes only itself on
// Escape; the About box closes on either key.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "app/main_window.h"
#include "app/set_configure.h"
#include "controls/skin_button.h"
#include "link/link_options.h"
#include "pages/matrix/matrix_page.h"
#include "pages/multiviewer/mv_control_page.h"
#include "pages/multiviewer/mv_page.h"
#include "support/panel_test.h"

namespace {
using ms = std::chrono::milliseconds;
constexpr int kMultiviewer = 0;  // type A1, id 05, on 127.0.0.2
constexpr int kMatrix = 1;       // type 81, id 07, on 127.0.0.3

class ListKeysTest : public PanelTest {
 protected:
  void SetUp() override {
    // The fixture restores the link options afterwards.
    start_panel({devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 5),
                 devsim::DeviceSpec::lan(devsim::kTypeMatrix, 7)},
                [] { link_options().serial_ports = {"/dev/zz-not-a-port", "/dev/aa-not-a-port"}; });
  }

  CSetConfigure* open_settings() {
    QTest::mouseClick(dlg_->main_button(IDC_SET_BUTTON), Qt::LeftButton);
    return dlg_->m_pSetConfigure;
  }

  // The drop-down of a list is a window of its own, a child of the list.
  static bool inside(const QWidget* list, const QWidget* w) {
    for (; w; w = w->parentWidget())
      if (w == list) return true;
    return false;
  }

  // Opens the list's drop-down as a click on its arrow does, moves the
  // highlight `down` items with the keyboard and presses `key`, each key
  // going where the platform sends it while the list is open: the focus
  // widget of the open popup.
  static void key_in_open_list(QComboBox* list, int down, Qt::Key key) {
    ASSERT_NE(list, nullptr);
    list->showPopup();
    ASSERT_TRUE(list->view()->isVisible());
    for (int i = 0; i <= down; ++i) {
      QWidget* popup = QApplication::activePopupWidget();
      ASSERT_NE(popup, nullptr);
      QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
      ASSERT_TRUE(inside(list, target))
          << "the open list has the keys, not " << target->metaObject()->className();
      QTest::keyClick(target, i < down ? Qt::Key_Down : key);
    }
  }
};

TEST_F(ListKeysTest, EnterInAnOpenConfigureListChoosesTheItemAndKeepsTheDialog) {
  CSetConfigure* cfg = open_settings();
  ASSERT_NE(cfg, nullptr);
  QComboBox* mode = cfg->combo(IDC_CFG_MODE_LIST);
  ASSERT_EQ(mode->currentText().toStdString(), "LAN Port");
  ASSERT_FALSE(cfg->control(IDC_CFG_PORT_LIST)->isEnabled());

  key_in_open_list(mode, 1, Qt::Key_Return);
  EXPECT_FALSE(mode->view()->isVisible());
  EXPECT_EQ(mode->currentText().toStdString(), "Serial Port");
  EXPECT_TRUE(cfg->isVisible());
  // The mode list's handler ran: serial mode, serial controls enabled.
  EXPECT_EQ(dlg_->m_eState, 1);
  EXPECT_TRUE(cfg->control(IDC_CFG_PORT_LIST)->isEnabled());
  EXPECT_TRUE(cfg->control(IDC_CFG_BAUD_LIST)->isEnabled());
  EXPECT_TRUE(cfg->control(IDC_CFG_CONNECT)->isEnabled());
  EXPECT_FALSE(cfg->control(IDC_CFG_DEV_IP)->isEnabled());

  QComboBox* baud = cfg->combo(IDC_CFG_BAUD_LIST);
  key_in_open_list(baud, 2, Qt::Key_Enter);
  EXPECT_EQ(baud->currentText().toStdString(), "38400");
  EXPECT_TRUE(cfg->isVisible());

  QComboBox* port = cfg->combo(IDC_CFG_PORT_LIST);
  ASSERT_GE(port->count(), 2);
  const std::string second = port->itemText(1).toStdString();
  key_in_open_list(port, 1, Qt::Key_Return);
  EXPECT_EQ(port->currentText().toStdString(), second);
  EXPECT_TRUE(cfg->isVisible());

  // With no list open, Enter still only hides the dialog.
  QTest::keyClick(port, Qt::Key_Return);
  EXPECT_FALSE(cfg->isVisible());
  EXPECT_EQ(port->currentText().toStdString(), second);
}

TEST_F(ListKeysTest, EscapeInAnOpenConfigureListClosesOnlyTheList) {
  CSetConfigure* cfg = open_settings();
  ASSERT_NE(cfg, nullptr);
  QComboBox* mode = cfg->combo(IDC_CFG_MODE_LIST);
  key_in_open_list(mode, 1, Qt::Key_Escape);
  EXPECT_FALSE(mode->view()->isVisible());
  EXPECT_TRUE(cfg->isVisible());
  EXPECT_EQ(mode->currentText().toStdString(), "LAN Port");
  EXPECT_EQ(dlg_->m_eState, 0);
  EXPECT_FALSE(cfg->control(IDC_CFG_PORT_LIST)->isEnabled());

  QTest::keyClick(mode, Qt::Key_Escape);
  EXPECT_FALSE(cfg->isVisible()) << "Escape on the closed list hides the dialog";
}

TEST_F(ListKeysTest, EnterInAnOpenPageListSendsTheChosenItemAndEscapeSendsNothing) {
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kMultiviewer));
  auto* shell = dynamic_cast<CClass_16view_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(shell, nullptr);
  auto* tab = dynamic_cast<CClass_16view_control*>(shell->cur_sub_page());
  ASSERT_NE(tab, nullptr);
  ASSERT_TRUE(sim_->sim().wait_for_frames(1, ms(2000)));  // the page's state query
  sim_->sim().clear_frames();

  QComboBox* window3 = tab->combo(1103);
  ASSERT_NE(window3, nullptr);
  window3->setCurrentIndex(2);  // "SDI 3"
  key_in_open_list(window3, 2, Qt::Key_Escape);
  EXPECT_FALSE(window3->view()->isVisible());
  EXPECT_EQ(window3->currentIndex(), 2);
  EXPECT_TRUE(sim_->nothing_more(0, ms(200)));

  key_in_open_list(window3, 2, Qt::Key_Return);
  EXPECT_EQ(window3->currentText().toStdString(), "SDI 5");
  // Source 5 into window 3.
  EXPECT_TRUE(sim_->received_command(kMultiviewer, 0x34, {0x05, 0x03}));
  EXPECT_EQ(sim_->sim().multiviewer_state(kMultiviewer).sources[2], 4);
  EXPECT_EQ(dlg_->m_p_mian_show_dlg, shell);
  EXPECT_EQ(shell->cur_sub_page(), tab);
}

TEST_F(ListKeysTest, EnterInTheOpenDeviceListOpensTheHighlightedDevicesPage) {
  for (int row : {kMultiviewer, kMatrix}) {
    const devsim::DeviceInfo d = sim_->sim().device(row);
    DeviceEntry& entry = dlg_->m_device_table[row];
    std::strncpy(entry.ip, d.address.c_str(), sizeof entry.ip - 1);
    entry.dev_type = d.type;
    entry.dev_id = d.id;
    dlg_->device_list()->addItem(QString::fromStdString(d.name + "_" + d.address));
  }
  dlg_->m_device_count = 2;
  dlg_->device_list()->setCurrentIndex(0);

  key_in_open_list(dlg_->device_list(), 1, Qt::Key_Return);
  EXPECT_EQ(dlg_->m_device_index, kMatrix);
  EXPECT_NE(qobject_cast<CClass_matrix_control*>(dlg_->m_p_mian_show_dlg), nullptr);
  EXPECT_TRUE(dlg_->isVisible());
  // The matrix page reads its lock when it opens.
  EXPECT_EQ(sim_->wait_frames(1,
                              [](const devsim::ReceivedFrame& f) {
                                return f.device == kMatrix && !f.text && f.command() == 0x50;
                              })
                .size(),
            1u);
}

TEST_F(ListKeysTest, EnterAndEscapeCloseTheAboutBox) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    bool closed_by_key = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QWidget* target = QApplication::focusWidget();
      if (!target || !box->isAncestorOf(target)) target = box;
      QTest::keyClick(target, key);
      closed_by_key = !box->isVisible();
      // A swallowed key would leave the box open for good.
      if (!closed_by_key) box->findChild<QPushButton*>("about_ok")->click();
    });
    dlg_->show_about();
    EXPECT_TRUE(closed_by_key) << "key " << key;
    EXPECT_TRUE(dlg_->isVisible());
  }
}
}  // namespace
