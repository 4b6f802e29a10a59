// UMD label sets: the UMD tab's Export… and Import… buttons against a
// simulated multiviewer. A file written by Export and read by Import sends
// exactly the labels that differ, in window order; a file with one bad line
// is refused whole, the line named, nothing sent; a file that is not one, or
// is too large, is refused before it is read; an export that fails leaves
// the old file whole.
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "controls/skin_button.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/umd_label_csv.h"
#include "mv_subpage_fixture.h"
#include "pages/multiviewer/mv_umd_page.h"
#include "pages/multiviewer/umd_file_chooser.h"

namespace {
using mv_test::Bytes;
using Page = CClass_16view_umd;

class MvUmdCsvTest : public mv_test::SubPageTest {
 protected:
  void SetUp() override {
    SubPageTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("labels.csv"));
    set_umd_file_chooser([this](QWidget*, bool save) {
      chooser_saves_.push_back(save);
      return path_;
    });
  }
  void TearDown() override {
    set_umd_file_chooser({});
    SubPageTest::TearDown();
  }
  void write_file(const QByteArray& bytes) {
    QFile f(path_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  QByteArray read_file() {
    QFile f(path_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
  QString path_;
  std::vector<bool> chooser_saves_;
};

TEST_F(MvUmdCsvTest, ExportThenImportSendsOnlyTheChangedLabelsInWindowOrder) {
  main->m_16_view_umd_text[0] = QStringLiteral("CAM 1");
  main->m_16_view_umd_text[2] = QStringLiteral("Left, wide");
  main->m_16_view_umd_text[4] = QStringLiteral("Say \"hi\"");
  main->m_16_view_umd_text[15] = QStringLiteral("演播室");
  Page* page = open_page<Page>();
  page->button(Page::IDC_UMD_EXPORT)->click();
  EXPECT_EQ(chooser_saves_, std::vector<bool>{true});
  const QByteArray csv = read_file();
  EXPECT_TRUE(csv.startsWith("window,label\n1,CAM 1\n2,\" \"\n3,\"Left, wide\"\n"));
  EXPECT_TRUE(csv.contains("\n5,\"Say \"\"hi\"\"\"\n"));
  EXPECT_TRUE(csv.endsWith("\n16,演播室\n"));
  EXPECT_TRUE(nothing_sent()) << "an export sends nothing";
  page->destroy_page();

  // Other labels on the device; the file brings three of them back.
  main->m_16_view_umd_text[2] = QStringLiteral("X");
  main->m_16_view_umd_text[7] = QStringLiteral("Y");
  main->m_16_view_umd_text[15] = QStringLiteral("Z");
  page = open_page<Page>();
  page->button(Page::IDC_UMD_IMPORT)->click();
  EXPECT_EQ(chooser_saves_, (std::vector<bool>{true, false}));
  for (const auto& [window, label] : {std::pair{3, QStringLiteral("Left, wide")},
                                      {8, QStringLiteral(" ")},
                                      {16, QStringLiteral("演播室")}}) {
    EXPECT_EQ(next_payload(0x1E), umd_text_payload(static_cast<uint8_t>(window), label))
        << "window " << window;
    EXPECT_EQ(page->edit(Page::field_id(window))->text(), label);
    EXPECT_EQ(main->m_16_view_umd_text[window - 1], label);
  }
  EXPECT_TRUE(nothing_sent()) << "labels equal to their fields are not sent";
  EXPECT_EQ(device_state().label(16), u"演播室");
  EXPECT_EQ(page->umd_string_index(), 15);

  // A partial file with a byte order mark, CR LF ends and blank lines.
  write_file("\xEF\xBB\xBFwindow,label\r\n\r\n2,B2\r\n 10 ,Ten\r\n");
  EXPECT_EQ(page->import_labels(path_), 2);
  EXPECT_EQ(next_payload(0x1E), umd_text_payload(2, QStringLiteral("B2")));
  EXPECT_EQ(next_payload(0x1E), umd_text_payload(10, QStringLiteral("Ten")));
  EXPECT_EQ(page->edit(Page::field_id(1))->text(), "CAM 1");
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvUmdCsvTest, AFileWithABadLineIsRefusedWholeAndNothingIsSent) {
  Page* page = open_page<Page>();
  const struct {
    QByteArray file;
    int line;
    const char* why;
  } cases[] = {
      {"window,label\n1,A\n17,B\n", 3, "unknown window '17'"},
      {"1,A\n0,B\n", 2, "unknown window '0'"},
      {"1,A\nfirst,B\n", 2, "unknown window 'first'"},
      {"1,A\n2,ABCDEFGHIJKLMNOPQ\n", 2, "label of 17 characters"},
      {"1,A\n2,\xC3\x28\n", 2, "not UTF-8"},
      {"1,A\n2 B\n", 2, "no comma"},
      {"1,A\n1,B\n", 2, "named a second time"},
      {"1,\"A\n2,B\n", 1, "not closed"},
      {"1,A,B\n", 1, "more than two fields"},
      {"1,\"A\"B\n", 1, "after the label's closing quote"},
  };
  for (const auto& c : cases) {
    clear_recorded_errors();
    write_file(c.file);
    page->button(Page::IDC_UMD_IMPORT)->click();
    const QStringList messages = recorded_errors();
    ASSERT_EQ(messages.size(), 1) << c.file.toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("labels.csv, line %1: ").arg(c.line)))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QLatin1String(c.why))) << messages[0].toStdString();
    EXPECT_EQ(page->edit(Page::field_id(1))->text(), " ") << "the fields stay as they were";
    EXPECT_EQ(main->m_16_view_umd_text[0], " ");
  }
  clear_recorded_errors();
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvUmdCsvTest, WhatIsNoRegularFileOrTooLargeIsRefusedBeforeItIsRead) {
  Page* page = open_page<Page>();
  const QString folder = dir_.filePath(QStringLiteral("labels.d"));
  ASSERT_TRUE(QDir().mkdir(folder));
  // Blank lines after one good line: a file the reader would take if it
  // were small enough.
  const QString large = dir_.filePath(QStringLiteral("large.csv"));
  {
    QFile f(large);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1,A\n" + QByteArray(kUmdCsvMaxBytes - 3, '\n'));
  }
  for (const auto& [path, why] : {std::pair{folder, "a directory"},
                                  {large, "65537 bytes"},
                                  {dir_.filePath(QStringLiteral("missing.csv")), "no such file"}}) {
    clear_recorded_errors();
    EXPECT_EQ(page->import_labels(path), -1);
    const QStringList messages = recorded_errors();
    ASSERT_EQ(messages.size(), 1) << path.toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot read %1: %2").arg(path, why)))
        << messages[0].toStdString();
    EXPECT_EQ(page->edit(Page::field_id(1))->text(), " ");
  }
  clear_recorded_errors();
  EXPECT_TRUE(nothing_sent());
  // At the bound the file is taken.
  QFile(large).resize(kUmdCsvMaxBytes);
  EXPECT_EQ(page->import_labels(large), 1);
  EXPECT_EQ(next_payload(0x1E), umd_text_payload(1, QStringLiteral("A")));
}

TEST_F(MvUmdCsvTest, AnExportThatFailsLeavesTheOldFileWholeAndSaysSo) {
  main->m_16_view_umd_text[0] = QStringLiteral("CAM 1");
  Page* page = open_page<Page>();
  write_file("window,label\n1,old\n");
  ASSERT_TRUE(page->export_labels(path_));
  std::array<QString, kUmdCsvWindows> labels;
  for (int n = 1; n <= kUmdCsvWindows; ++n) labels[n - 1] = main->m_16_view_umd_text[n - 1];
  const QByteArray exported = write_umd_csv(labels);
  EXPECT_EQ(read_file(), exported);
  EXPECT_TRUE(recorded_errors().isEmpty());

  // A full disk, as the file size limit makes it: writing the new labels
  // fails at the commit.
  main->m_16_view_umd_text[0] = QStringLiteral("CAM 2");
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const sighandler_t old_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = page->export_labels(path_);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  // No folder to write in: the open fails.
  const QString nowhere = dir_.filePath(QStringLiteral("no-such-folder/labels.csv"));
  EXPECT_FALSE(page->export_labels(nowhere));
  const QStringList messages = recorded_errors();
  ASSERT_EQ(messages.size(), 2);
  EXPECT_EQ(messages[0], QStringLiteral("Cannot write %1: File too large").arg(path_));
  EXPECT_TRUE(messages[1].startsWith(QStringLiteral("Cannot write %1: ").arg(nowhere)));
  clear_recorded_errors();
  EXPECT_EQ(read_file(), exported) << "the old file is whole";
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("labels.csv")})
      << "no half-written file is left beside it";
  EXPECT_TRUE(nothing_sent());
}
}  // namespace
