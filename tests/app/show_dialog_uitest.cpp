// The "Show…" dialog with real widgets: a show goes in and comes back out
// the same, what the file reader refuses is refused with its key and starts
// nothing, Start starts the show on the main window, and the keyboard
// reaches everything.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/show_dialog.h"
#include "support/panel_test.h"

namespace {

class ShowDialogTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({devsim::DeviceSpec::lan(devsim::kTypeMultiviewer)});
    ASSERT_FALSE(HasFatalFailure());
    dialog_ = dlg_->open_show_dialog();
    ASSERT_NE(dialog_, nullptr);
    // The main window shown just before may take the activation after it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_));
    QTest::qWait(20);
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog_; }, 2000));
  }
  void TearDown() override {
    dlg_->m_show_runner.stop();
    PanelTest::TearDown();
  }
  template <typename W>
  W* field(const char* name) {
    auto* w = dialog_->findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Every part of a show set, none at its default.
  Show full_show() {
    Show show;
    show.source_names[0] = QStringLiteral("CAM 1");
    show.source_names[1] = QStringLiteral("Sixteen chars ok");
    show.source_names[63] = QStringLiteral("GFX");
    show.multiviewer = {sim_->address(0), 1};
    show.multiviewer_inputs[0] = {ShowFeed::Kind::RouterOutput, 1};
    show.multiviewer_inputs[15] = {ShowFeed::Kind::Source, 64};
    show.router = {"192.168.1.50", 2};
    show.router_routes = {{1, 3}, {8, 8}};
    show.switcher = {"192.168.1.60", 255};
    show.switcher_inputs[0] = {ShowFeed::Kind::RouterOutput, 5};
    show.switcher_inputs[7] = {ShowFeed::Kind::Source, 2};
    show.program_colour = 9;
    show.preview_colour = 11;
    show.tsl_listen = 8900;
    show.tsl_from = {{"192.168.1.7", 0}, {"192.168.1.8", 0}};
    show.tsl_send = {{"192.168.1.200", 8900}, {"127.0.0.1", 1}};
    show.tsl_screen = 7;
    return show;
  }

  ShowDialog* dialog_ = nullptr;
};

TEST_F(ShowDialogTest, AShowGoesInAndComesBackOutTheSameAndIsSavedSo) {
  EXPECT_TRUE(dialog_->edited().ok()) << "an empty show to start with";
  const Show show = full_show();
  dialog_->set_show(show);
  const ShowRead read = dialog_->edited();
  ASSERT_TRUE(read.ok()) << read.error.toStdString();
  EXPECT_TRUE(*read.show == show);
  EXPECT_TRUE(dialog_->refusal_line()->text().isEmpty());
  // What the operator sees of it.
  EXPECT_EQ(field<QLineEdit>("switcher")->text(), "192.168.1.60,255");
  EXPECT_EQ(field<QComboBox>("sdi16")->currentText(), "source 64 (GFX)");
  EXPECT_EQ(field<QComboBox>("program")->currentText(), "VioletRed");

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("studio.json"));
  ASSERT_TRUE(dialog_->save_file(path));
  const ShowRead saved = load_show_file(path);
  ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
  EXPECT_TRUE(*saved.show == show);
  dialog_->set_show(Show{});
  ASSERT_TRUE(dialog_->load_file(path));
  EXPECT_TRUE(*dialog_->edited().show == show);
}

TEST_F(ShowDialogTest, WhatTheFileRefusesIsRefusedByItsKeyAndNothingStarts) {
  dialog_->set_show(full_show());
  auto* sources = field<QTableWidget>("sources");
  ASSERT_EQ(sources->rowCount(), 3);
  sources->item(1, 1)->setText(QStringLiteral("Seventeen chars!!"));
  EXPECT_TRUE(dialog_->refusal_line()->text().contains("sources[1].name"))
      << dialog_->refusal_line()->text().toStdString();
  sources->item(1, 1)->setText(QStringLiteral("CAM 2"));
  EXPECT_TRUE(dialog_->refusal_line()->text().isEmpty());

  QTest::keyClicks(field<QLineEdit>("send"), QStringLiteral(", 10.0.0.1"));
  EXPECT_TRUE(dialog_->refusal_line()->text().contains("tsl.send[2]"))
      << dialog_->refusal_line()->text().toStdString();
  dialog_->button(QStringLiteral("start"))->click();
  EXPECT_FALSE(dlg_->m_show_runner.running());
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("refused.json"));
  EXPECT_FALSE(dialog_->save_file(path));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(dialog_->refusal_line()->text().contains("tsl.send[2]"));
}

TEST_F(ShowDialogTest, StartStartsTheShowOnTheMainWindowAndEnterDoesNot) {
  Show show = full_show();
  show.tsl_listen = 0;
  show.tsl_send.clear();
  show.router = {"127.0.0.1", 2};
  show.switcher = {"127.0.0.1", 3};
  dialog_->set_show(show);
  auto* multiviewer = field<QLineEdit>("multiviewer");
  multiviewer->setFocus();
  QTest::keyClick(multiviewer, Qt::Key_Return);
  EXPECT_FALSE(dlg_->m_show_runner.running()) << "Enter in a field starts nothing";
  EXPECT_TRUE(dialog_->isVisible());

  dialog_->button(QStringLiteral("start"))->click();
  ASSERT_TRUE(dlg_->m_show_runner.running());
  EXPECT_TRUE(dlg_->m_show_runner.state()->show() == show);
  EXPECT_TRUE(dialog_->button(QStringLiteral("stop"))->isEnabled());
  // The multiviewer of the show is asked for its state.
  EXPECT_TRUE(QTest::qWaitFor([&] { return dlg_->m_show_runner.state()->window_sources_known(); }, 3000));

  // Opened again, the dialog holds the running show.
  QPointer<ShowDialog> closed = dialog_;
  QTest::keyClick(dialog_, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }, 1000)) << "Escape closes";
  dialog_ = dlg_->open_show_dialog();
  EXPECT_TRUE(*dialog_->edited().show == show);
  dialog_->button(QStringLiteral("stop"))->click();
  EXPECT_FALSE(dlg_->m_show_runner.running());
}

TEST_F(ShowDialogTest, TabReachesEveryFieldAndMnemonicsTakeTheFocus) {
  QSet<QWidget*> fields;
  for (QWidget* w : dialog_->findChildren<QWidget*>())
    if ((qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget())) ||
        qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
        qobject_cast<QTableWidget*>(w) || (qobject_cast<QPushButton*>(w) && w->isEnabled()))
      fields.insert(w);
  ASSERT_EQ(fields.size(), 1 + 6 + 24 + 2 + 2 + 6) << "table, edits, feeds, colours, spin boxes, buttons";
  QSet<QWidget*> reached;
  for (int i = 0; i < 2 * fields.size(); ++i) {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (fields.contains(w)) reached.insert(w);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  for (QWidget* w : fields) EXPECT_TRUE(reached.contains(w)) << w->objectName().toStdString();

  // Add: a new row whose name is being edited; Tab keeps the name and
  // leaves the table.
  QTest::keyClick(dialog_, Qt::Key_A, Qt::AltModifier);
  auto* sources = field<QTableWidget>("sources");
  // A button's mnemonic clicks it after its pressed look has shown.
  ASSERT_TRUE(QTest::qWaitFor([&] { return sources->rowCount() == 1; }, 1000));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("CAM 9"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(sources->item(0, 1)->text(), "CAM 9");
  EXPECT_EQ(QApplication::focusWidget(), dialog_->button(QStringLiteral("add_source")));

  QTest::keyClick(dialog_, Qt::Key_W, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), field<QLineEdit>("switcher"));
  QTest::keyClick(dialog_, Qt::Key_I, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), field<QComboBox>("sdi1"));
  QTest::keyClick(dialog_, Qt::Key_T, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_->m_show_runner.running(); }, 1000)) << "Alt+T is Start";
  EXPECT_EQ(dlg_->m_show_runner.state()->show().source_names[0], "CAM 9");
}

}  // namespace
