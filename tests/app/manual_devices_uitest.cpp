// Devices the search does not list: --device rows at start, after a LAN
// search, and the context menu's "Add device…" and "Remove device" with the
// rows remembered in the user's settings, against simulated devices.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

#include "app/error_box.h"
#include "app/main_window.h"
#include "app/manual_devices.h"
#include "controls/skin_button.h"
#include "devices/matrix/matrix_commands.h"
#include "devices/processor/processor_frames.h"
#include "link/link_options.h"
#include "pages/matrix/matrix_page.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/processor/rk5502_page.h"
#include "support/devsim_fixture.h"
#include "support/foreign_sender.h"
#include "support/settings_test.h"

namespace {
using devsim::DeviceSpec;
using namespace std::chrono_literals;

QStringList items(QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

// Steps run from the event loop, also inside the modal loops of a menu or a
// dialog: each waits until its widget shows, then acts on it. A step whose
// widget does not come within the bound fails the test and closes whatever
// modal loop is open, so no test waits forever.
class UiScript : public QObject {
 public:
  using Find = std::function<QWidget*()>;
  using Act = std::function<void(QWidget*)>;

  UiScript() {
    connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
    m_timer.setInterval(10);
  }
  UiScript& then(std::string what, Find find, Act act) {
    m_steps.push_back({std::move(what), std::move(find), std::move(act)});
    m_deadline = std::chrono::steady_clock::now() + kBound;
    m_timer.start();
    return *this;
  }
  bool done() const { return m_steps.empty(); }

 private:
  static constexpr auto kBound = 5s;
  struct Step {
    std::string what;
    Find find;
    Act act;
  };
  void tick() {
    if (m_steps.empty()) {
      m_timer.stop();
      return;
    }
    if (QWidget* w = m_steps.front().find()) {
      const Step step = m_steps.front();
      m_steps.pop_front();
      m_deadline = std::chrono::steady_clock::now() + kBound;
      step.act(w);
      return;
    }
    if (std::chrono::steady_clock::now() < m_deadline) return;
    ADD_FAILURE() << "did not come: " << m_steps.front().what;
    m_steps.clear();
    m_timer.stop();
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
  }

  QTimer m_timer;
  std::deque<Step> m_steps;
  std::chrono::steady_clock::time_point m_deadline;
};

// The open popup menu holding an entry that starts with `text`.
UiScript::Find menu_with(const QString& text) {
  return [text]() -> QWidget* {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) return nullptr;
    for (QAction* a : menu->actions())
      if (a->text().startsWith(text)) return menu;
    return nullptr;
  };
}

UiScript::Act click_entry(const QString& text) {
  return [text](QWidget* w) {
    auto* menu = static_cast<QMenu*>(w);
    for (QAction* a : menu->actions()) {
      if (a->text().startsWith(text)) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        return;
      }
    }
  };
}

QWidget* add_dialog() {
  auto* dialog = qobject_cast<ManualDeviceDialog*>(QApplication::activeModalWidget());
  return dialog && dialog->isVisible() ? dialog : nullptr;
}

void fill(QWidget* w, const QString& address, const QString& kind, int id) {
  auto* dialog = static_cast<ManualDeviceDialog*>(w);
  dialog->address_edit()->clear();
  QTest::keyClicks(dialog->address_edit(), address);
  dialog->kind_box()->setEditText(kind);
  dialog->id_box()->setValue(id);
}

void press(QWidget* w, QDialogButtonBox::StandardButton which) {
  auto* box = w->findChild<QDialogButtonBox*>();
  QTest::mouseClick(box->button(which), Qt::LeftButton);
}

class ManualDevicesTest : public SettingsTest {
 protected:
  // The remembered last device is not these tests' matter: rows only.
  CKELVARO_16_VIEWDlg& start(std::vector<std::string> args = {}) {
    args.push_back("--no-restore");
    return SettingsTest::start(args);
  }
  // Opens the main window's context menu and runs `script` against it.
  void context_menu(UiScript& script) {
    const QPoint at(640, 400);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, dlg_->mapToGlobal(at));
    QApplication::sendEvent(dlg_, &event);
    EXPECT_TRUE(script.done());
  }
  void add_by_menu(const QString& address, const QString& kind, int id) {
    UiScript script;
    script.then("the context menu", menu_with("Add device"), click_entry("Add device"))
        .then("the add dialog", add_dialog, [=](QWidget* w) {
          fill(w, address, kind, id);
          press(w, QDialogButtonBox::Ok);
        });
    context_menu(script);
  }
  void remove_by_menu(const QString& entry) {
    UiScript script;
    script.then("the context menu", menu_with("Remove device"), click_entry("Remove device"))
        .then("the remove menu", menu_with(entry), click_entry(entry));
    context_menu(script);
  }
  static bool row_is(const DeviceEntry& row, const std::string& ip, uint8_t type, uint8_t id) {
    return std::string(row.ip) == ip && row.dev_type == type && row.dev_id == id;
  }
};

TEST_F(ManualDevicesTest, DeviceRowsAreListedAtStartAndTheFirstIsOpened) {
  SimulatorFixture sim(
      {DeviceSpec::lan(devsim::kTypeMatrix, 7), DeviceSpec::lan(devsim::kTypeRk5502, 3)});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  start({"--device", sim.address(0) + ",matrix,7", "--device", sim.address(1) + ",0x60,3"});
  CKELVARO_16_VIEWDlg& w = *dlg_;
  EXPECT_EQ(items(w.device_list()),
            (QStringList{"matrix_" + qs(sim.address(0)), "rk5502_" + qs(sim.address(1))}));
  EXPECT_TRUE(row_is(w.m_device_table[0], sim.address(0), 0x81, 7));
  EXPECT_TRUE(row_is(w.m_device_table[1], sim.address(1), 0x60, 3));
  EXPECT_EQ(w.m_device_table[2].dev_type, 0);
  EXPECT_EQ(w.m_device_count, 0) << "counts searched rows only";
  EXPECT_EQ(w.m_device_index, 0);
  EXPECT_EQ(w.device_list()->currentIndex(), 0);
  EXPECT_NE(dynamic_cast<CClass_matrix_control*>(w.m_p_mian_show_dlg), nullptr);
  // The matrix page's start-up lock query reached the first device, and
  // nothing at all went to the second.
  EXPECT_TRUE(sim.received_command(0, matrix_cmd::kLockQuery, {}));
  EXPECT_TRUE(
      sim.sim().frames([](const devsim::ReceivedFrame& f) { return f.device != 0; }).empty());

  // The second row opens when chosen, addressed with its own type and id.
  w.device_list()->setCurrentIndex(1);
  emit w.device_list()->activated(1);
  EXPECT_NE(dynamic_cast<CClass_rk5502_main_dlg*>(w.m_p_mian_show_dlg), nullptr);
  EXPECT_TRUE(sim.received_command(1, processor_cmd::kRk5502StateQuery, {}));
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(ManualDevicesTest, ALanSearchListsTheRowsAfterTheMultiviewersItFound) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeMultiviewer, 1, "MVA"),
                        DeviceSpec::lan(devsim::kTypeMultiviewer, 2, "MVB"),
                        DeviceSpec::lan(devsim::kTypeMatrix, 7)});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  start({"--device", sim.address(2) + ",matrix,7"});
  CKELVARO_16_VIEWDlg& w = *dlg_;
  ASSERT_NE(dynamic_cast<CClass_matrix_control*>(w.m_p_mian_show_dlg), nullptr);

  QTest::mouseClick(w.main_button(IDC_SCAN_BUTTON), Qt::LeftButton);
  const QStringList listed = items(w.device_list());
  ASSERT_EQ(listed.size(), 3) << listed.join(", ").toStdString();
  QStringList found = listed.mid(0, 2);
  found.sort();
  EXPECT_EQ(found, (QStringList{"MVA_" + qs(sim.address(0)), "MVB_" + qs(sim.address(1))}));
  EXPECT_EQ(listed[2], "matrix_" + qs(sim.address(2)));
  EXPECT_TRUE(row_is(w.m_device_table[2], sim.address(2), 0x81, 7));
  EXPECT_EQ(w.m_device_count, 2);
  EXPECT_EQ(w.m_device_index, 0);
  EXPECT_NE(dynamic_cast<CClass_16view_dlg*>(w.m_p_mian_show_dlg), nullptr)
      << "the first device found opens, as before";

  // Chosen after the search, the row still reaches its device.
  sim.sim().clear_frames();
  w.device_list()->setCurrentIndex(2);
  emit w.device_list()->activated(2);
  EXPECT_NE(dynamic_cast<CClass_matrix_control*>(w.m_p_mian_show_dlg), nullptr);
  EXPECT_TRUE(sim.received_command(2, matrix_cmd::kLockQuery, {}));
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(ManualDevicesTest, ASearchThatFindsNothingListsTheRowsAfterNoDeviceFound) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeRk5502, 3)});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  start({"--device", sim.address(0) + ",rk5502,3"});
  CKELVARO_16_VIEWDlg& w = *dlg_;
  QTest::mouseClick(w.main_button(IDC_SCAN_BUTTON), Qt::LeftButton);
  EXPECT_EQ(items(w.device_list()),
            (QStringList{"No Device Found", "rk5502_" + qs(sim.address(0))}));
  EXPECT_EQ(w.m_device_index, -1);
  EXPECT_EQ(w.m_device_count, 0);
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(w.m_device_table[0].dev_type, 0);
  EXPECT_TRUE(row_is(w.m_device_table[1], sim.address(0), 0x60, 3));
}

TEST_F(ManualDevicesTest, RepeatedAndForgedRepliesNeverListADeviceTwiceNorPushOutTheRows) {
  SimulatorFixture sim({DeviceSpec::lan(devsim::kTypeMultiviewer, 1, "MVA")});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  start({"--device", "127.0.1.1,matrix", "--device", "127.0.1.2,tm3306"});
  CKELVARO_16_VIEWDlg& w = *dlg_;
  // A 128-byte reply full of '-' names 105 devices. Another host sends
  // two of them (ids 1 and 2), each twice, during the search.
  ForeignSender forger;
  ASSERT_TRUE(forger.ok());
  std::vector<uint8_t> dashes(128, '-');
  dashes[0] = 0xA5;
  dashes[1] = 0x6C;
  dashes[4] = 0xA1;
  dashes.back() = 0xAE;
  for (int delay : {300, 500}) {
    QTimer::singleShot(delay, dlg_, [&, dashes]() mutable {
      for (uint8_t id : {1, 2}) {
        dashes[5] = id;
        forger.send_to("127.0.0.1", link_options().bind_port, dashes);
      }
    });
  }
  QTest::mouseClick(w.main_button(IDC_SCAN_BUTTON), Qt::LeftButton);
  // The search fills what the operator's two rows leave of the 128, each
  // device once; the rows keep their place at the end.
  const QStringList listed = items(w.device_list());
  ASSERT_EQ(listed.size(), 128);
  EXPECT_EQ(w.m_device_count, 126);
  QSet<QString> distinct;  // the text names the address; the id tells the two apart
  for (int row = 0; row < 128; ++row)
    distinct.insert(listed[row] + QString::number(w.m_device_table[row].dev_id));
  EXPECT_EQ(distinct.size(), 128) << "a device listed twice";
  EXPECT_TRUE(listed.contains("MVA_" + qs(sim.address(0))));
  EXPECT_EQ(listed[126], "matrix_127.0.1.1");
  EXPECT_EQ(listed[127], "tm3306_127.0.1.2");
  EXPECT_TRUE(row_is(w.m_device_table[126], "127.0.1.1", 0x81, 1));
  EXPECT_TRUE(row_is(w.m_device_table[127], "127.0.1.2", 0xA3, 1));
}

TEST_F(ManualDevicesTest, RowsAddedInTheMenuAreRememberedAndRemovedAgain) {
  SimulatorFixture sim(
      {DeviceSpec::lan(devsim::kTypeMatrix, 7), DeviceSpec::lan(devsim::kTypeTm3306, 2)});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  CKELVARO_16_VIEWDlg* w = &start();
  EXPECT_EQ(w->device_list()->count(), 0);

  // A bad address is refused in the dialog, which stays open to be mended.
  QString refusal;
  UiScript script;
  script.then("the context menu", menu_with("Add device"), click_entry("Add device"))
      .then("the add dialog", add_dialog,
            [](QWidget* d) {
              fill(d, "300.1.2.3", "matrix", 7);
              press(d, QDialogButtonBox::Ok);
            })
      .then("the refusal", add_dialog, [&](QWidget* d) {
        auto* dialog = static_cast<ManualDeviceDialog*>(d);
        EXPECT_TRUE(dialog->message_label()->isVisible());
        refusal = dialog->message_label()->text();
        fill(d, qs(sim.address(0)), "matrix", 7);
        press(d, QDialogButtonBox::Ok);
      });
  context_menu(script);
  EXPECT_TRUE(refusal.contains("300.1.2.3") && refusal.contains("not an IPv4 address"))
      << refusal.toStdString();
  EXPECT_EQ(items(w->device_list()), QStringList{"matrix_" + qs(sim.address(0))});
  EXPECT_TRUE(row_is(w->m_device_table[0], sim.address(0), 0x81, 7));
  EXPECT_EQ(w->m_device_index, -1) << "added, not opened";
  EXPECT_EQ(w->device_list()->currentIndex(), -1);
  EXPECT_EQ(w->m_p_mian_show_dlg, nullptr);

  add_by_menu(qs(sim.address(1)), "0xA3", 2);
  EXPECT_EQ(items(w->device_list()),
            (QStringList{"matrix_" + qs(sim.address(0)), "tm3306_" + qs(sim.address(1))}));

  // The same row again is refused in the dialog.
  refusal.clear();
  UiScript again;
  again.then("the context menu", menu_with("Add device"), click_entry("Add device"))
      .then("the add dialog", add_dialog,
            [address = qs(sim.address(1))](QWidget* d) {
              fill(d, address, "tm3306", 2);
              press(d, QDialogButtonBox::Ok);
            })
      .then("the refusal", add_dialog, [&](QWidget* d) {
        refusal = static_cast<ManualDeviceDialog*>(d)->message_label()->text();
        press(d, QDialogButtonBox::Cancel);
      });
  context_menu(again);
  EXPECT_TRUE(refusal.contains("already")) << refusal.toStdString();
  EXPECT_EQ(w->device_list()->count(), 2);
  EXPECT_TRUE(sim.sim().frames().empty()) << "adding sends nothing";

  // The next start lists both rows, opens none and sends nothing.
  w = &start();
  EXPECT_EQ(items(w->device_list()),
            (QStringList{"matrix_" + qs(sim.address(0)), "tm3306_" + qs(sim.address(1))}));
  EXPECT_TRUE(row_is(w->m_device_table[1], sim.address(1), 0xA3, 2));
  EXPECT_EQ(w->m_device_index, -1);
  EXPECT_EQ(w->m_p_mian_show_dlg, nullptr);
  EXPECT_TRUE(sim.nothing_more(0));

  // Removing the row whose page is shown closes the page.
  w->device_list()->setCurrentIndex(0);
  emit w->device_list()->activated(0);
  ASSERT_NE(dynamic_cast<CClass_matrix_control*>(w->m_p_mian_show_dlg), nullptr);
  EXPECT_TRUE(sim.received_command(0, matrix_cmd::kLockQuery, {}));
  remove_by_menu("matrix_" + qs(sim.address(0)));
  EXPECT_EQ(w->m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(w->m_device_index, -1);
  EXPECT_EQ(items(w->device_list()), QStringList{"tm3306_" + qs(sim.address(1))});
  EXPECT_TRUE(row_is(w->m_device_table[0], sim.address(1), 0xA3, 2));
  EXPECT_EQ(w->m_device_table[1].dev_type, 0);

  w = &start();
  EXPECT_EQ(items(w->device_list()), QStringList{"tm3306_" + qs(sim.address(1))});
  remove_by_menu("tm3306_" + qs(sim.address(1)));
  EXPECT_EQ(w->device_list()->count(), 0);
  w = &start();
  EXPECT_EQ(w->device_list()->count(), 0);
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST_F(ManualDevicesTest, RemovingARowBeforeTheShownOneClosesItsPage) {
  SimulatorFixture sim(
      {DeviceSpec::lan(devsim::kTypeMatrix, 7), DeviceSpec::lan(devsim::kTypeMatrix, 8)});
  ASSERT_TRUE(sim.started());
  sim.configure_panel();
  start({"--device", sim.address(0) + ",matrix,7", "--device", sim.address(1) + ",matrix,8",
         "--device", "127.0.1.9,switcher"});
  CKELVARO_16_VIEWDlg& w = *dlg_;
  // A row after the shown one goes without touching the page.
  remove_by_menu("switcher_127.0.1.9");
  EXPECT_NE(dynamic_cast<CClass_matrix_control*>(w.m_p_mian_show_dlg), nullptr);
  EXPECT_EQ(w.m_device_index, 0);
  EXPECT_EQ(w.device_list()->count(), 2);
  // A row before the shown one: the rows after it move up, so the page
  // goes and the operator chooses the device again.
  w.device_list()->setCurrentIndex(1);
  emit w.device_list()->activated(1);
  ASSERT_NE(w.m_p_mian_show_dlg, nullptr);
  EXPECT_TRUE(sim.received_command(1, matrix_cmd::kLockQuery, {}));
  remove_by_menu("matrix_" + qs(sim.address(0)));
  EXPECT_EQ(w.m_p_mian_show_dlg, nullptr);
  EXPECT_EQ(w.m_device_index, -1);
  EXPECT_EQ(w.device_list()->currentIndex(), -1);
  EXPECT_EQ(items(w.device_list()), QStringList{"matrix_" + qs(sim.address(1))});
  EXPECT_TRUE(row_is(w.m_device_table[0], sim.address(1), 0x81, 8));
  EXPECT_EQ(w.m_device_table[1].dev_type, 0);
  emit w.device_list()->activated(0);
  EXPECT_NE(dynamic_cast<CClass_matrix_control*>(w.m_p_mian_show_dlg), nullptr);
  EXPECT_TRUE(sim.no_bad_frames());
  // Not remembered, --device rows are gone at the next start.
  start();
  EXPECT_EQ(dlg_->device_list()->count(), 0);
}
}  // namespace
