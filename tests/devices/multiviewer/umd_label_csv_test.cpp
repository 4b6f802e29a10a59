// The UMD label reader's length rule: a label may have as many UTF-16 units
// as the device keeps (kUmdTextMaxUnits), no more; a character outside the
// basic plane counts as two. The file loader refuses what is no regular file
// without opening it the way that waits.
#include "devices/multiviewer/umd_label_csv.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
TEST(UmdLabelCsv, LabelsUpToTheDevicesSixteenUnitsAreTakenLongerOnesRefused) {
  const UmdCsvRead full = read_umd_csv("1,ABCDEFGHIJKLMNOP\n2,ABCDEFGHIJKLMN\xF0\x9F\x8E\xA5\n");
  ASSERT_TRUE(full.ok()) << full.why.toStdString();
  EXPECT_EQ(full.labels[0], QStringLiteral("ABCDEFGHIJKLMNOP"));
  EXPECT_EQ(full.labels[1]->size(), kUmdTextMaxUnits);

  for (const QByteArray& file : {QByteArray("1,A\n2,ABCDEFGHIJKLMNOPQ\n"),
                                 QByteArray("1,A\n2,ABCDEFGHIJKLMNO\xF0\x9F\x8E\xA5\n")}) {
    const UmdCsvRead read = read_umd_csv(file);
    EXPECT_EQ(read.bad_line, 2) << file.toStdString();
    EXPECT_TRUE(read.why.contains(QLatin1String("label of 17 characters (at most 16)")))
        << read.why.toStdString();
    EXPECT_FALSE(read.labels[0].has_value()) << "a refused file yields no label";
  }
}

TEST(UmdLabelCsv, ANamedPipeOrADeviceIsRefusedWithoutWaitingForAWriter) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fifo = dir.filePath(QStringLiteral("labels.csv"));
  const QString link = dir.filePath(QStringLiteral("link.csv"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link(fifo, link));
  // Should a load wait for a writer, this thread becomes one after a while,
  // so the test ends and says so instead of hanging.
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false, had_to_write = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (done_cv.wait_for(lock, std::chrono::seconds(5), [&] { return done; })) return;
    had_to_write = true;
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  });
  const QStringList paths = {fifo, link, QStringLiteral("/dev/null")};
  std::vector<UmdCsvFile> loads;
  for (const QString& path : paths) loads.push_back(load_umd_csv_file(path));
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  done_cv.notify_one();
  watchdog.join();
  EXPECT_FALSE(had_to_write) << "a load waited for a writer";
  for (size_t i = 0; i < loads.size(); ++i) {
    EXPECT_FALSE(loads[i].ok());
    EXPECT_TRUE(loads[i].bytes.isEmpty());
    EXPECT_EQ(loads[i].error,
              QStringLiteral("Cannot read %1: not a regular file (a named pipe, a device or a "
                             "socket)")
                  .arg(paths[static_cast<qsizetype>(i)]));
  }
}
}  // namespace
