// STREAM ON against a stand-in decoder: a shell script named DecodeH264 that
// the test writes into a temporary program folder. It appends its process id
// to a marker file, then runs until the test creates a stop file.
#include "pages/switcher/stream_decoder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/error_box.h"
#include "link/trace.h"
#include "support/trace_recorder.h"

namespace {
using namespace std::chrono_literals;

constexpr auto kBound = 10s;   // generous bound of every wait on the stand-in
constexpr int kProbeFd = 200;  // a descriptor the decoder must not inherit

// True once the process has ended (gone, or a zombie nobody has reaped yet).
bool process_ended(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray text = stat.readAll();
  const qsizetype close = text.lastIndexOf(')');
  return close >= 0 && close + 2 < text.size() && text.at(close + 2) == 'Z';
}

// Root writes into any folder whatever its mode bits; without the
// capability that allows it, it obeys them like any user. Capabilities
// belong to the thread, and everything under test runs on this one.
class NoDacOverride {
 public:
  NoDacOverride() {
    if (::geteuid() != 0) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header, m_saved) != 0) return;
    __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
    reduced[CAP_TO_INDEX(CAP_DAC_OVERRIDE)].effective &= ~CAP_TO_MASK(CAP_DAC_OVERRIDE);
    m_active = ::syscall(SYS_capset, &header, reduced) == 0;
  }
  ~NoDacOverride() {
    if (!m_active) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    ::syscall(SYS_capset, &header, m_saved);
  }
  bool ok() const { return ::geteuid() != 0 || m_active; }

 private:
  __user_cap_data_struct m_saved[2]{};
  bool m_active = false;
};

class StreamDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    bin_ = root_.filePath(QStringLiteral("bin"));
    config_ = root_.filePath(QStringLiteral("config"));
    ASSERT_TRUE(QDir().mkpath(bin_));
    set_stream_decoder_program_dir(bin_);
    set_stream_decoder_fallback_dir(config_);
    clear_recorded_errors();
  }
  void TearDown() override {
    ::chmod(QFile::encodeName(bin_).constData(), 0755);
    // Every stand-in ends before its folder goes.
    QFile stop(root_.filePath(QStringLiteral("stop")));
    stop.open(QIODevice::WriteOnly);
    stop.close();
    for (qint64 pid : started_pids()) EXPECT_TRUE(wait_ended(pid)) << pid;
    set_stream_decoder_program_dir({});
    set_stream_decoder_fallback_dir({});
    clear_recorded_errors();
  }

  QString decoder_path() const { return QDir(bin_).filePath(QStringLiteral("DecodeH264")); }
  QString ini_path(const QString& dir) const {
    return QDir(dir).filePath(QStringLiteral("Configure.ini"));
  }

  // The stand-in decoder: appends "<pid>" (and " fd" when it has inherited
  // kProbeFd) to the marker file, then waits for the stop file.
  void install_stand_in(mode_t mode = 0755) {
    const QString started = root_.filePath(QStringLiteral("started"));
    const QString stop = root_.filePath(QStringLiteral("stop"));
    const QString script =
        QStringLiteral(
            "#!/bin/sh\n"
            "if [ -e /proc/$$/fd/%3 ]; then echo \"$$ fd\"; else echo \"$$\"; fi >> '%1'\n"
            "while [ ! -e '%2' ]; do sleep 0.02; done\n")
            .arg(started, stop)
            .arg(kProbeFd);
    QFile file(decoder_path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(script.toUtf8());
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(decoder_path()).constData(), mode), 0);
  }

  // Lines of the marker file: one per started decoder.
  std::vector<std::string> started_lines() const {
    QFile file(root_.filePath(QStringLiteral("started")));
    std::vector<std::string> lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& line : file.readAll().split('\n'))
      if (!line.isEmpty()) lines.push_back(line.toStdString());
    return lines;
  }
  std::vector<qint64> started_pids() const {
    std::vector<qint64> pids;
    for (const std::string& line : started_lines()) pids.push_back(std::stoll(line));
    return pids;
  }
  // Waits until `count` decoders have written their marker line.
  bool wait_started(size_t count) const {
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (started_lines().size() < count) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  static bool wait_ended(qint64 pid) {
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (!process_ended(pid)) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  void stop_decoders() {
    QFile stop(root_.filePath(QStringLiteral("stop")));
    ASSERT_TRUE(stop.open(QIODevice::WriteOnly));
    stop.close();
    for (qint64 pid : started_pids()) ASSERT_TRUE(wait_ended(pid)) << pid;
    ASSERT_TRUE(QFile::remove(root_.filePath(QStringLiteral("stop"))));
  }

  QVariant decode_state(const QString& dir) const {
    QSettings settings(ini_path(dir), QSettings::IniFormat);
    return settings.value(QStringLiteral("Settings/decode_state"));
  }
  void write_ini(const QString& dir, const QByteArray& text) {
    QFile file(ini_path(dir));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  int count_trace(const std::string& line) const { return traces_.count(line); }

  QTemporaryDir root_;
  QString bin_, config_;
  TraceRecorder traces_;
};

TEST_F(StreamDecoderTest, FirstPressWritesOnAndStartsTheDecoderSecondPressDoesNot) {
  install_stand_in();
  ASSERT_FALSE(QFile::exists(ini_path(bin_)));
  OnStreamOn();
  ASSERT_TRUE(wait_started(1));
  EXPECT_EQ(decode_state(bin_).toString(), "on");
  QFile ini(ini_path(bin_));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QByteArray text = ini.readAll();
  EXPECT_TRUE(text.contains("[Settings]")) << text.constData();
  EXPECT_TRUE(text.contains("decode_state=on")) << text.constData();
  ASSERT_FALSE(traces_.lines().empty());
  EXPECT_EQ(traces_.lines().front(), bin_.toStdString()) << "the program's folder comes first";
  EXPECT_EQ(count_trace("decode page have open\n"), 0);

  OnStreamOn();
  EXPECT_EQ(count_trace("decode page have open\n"), 1);
  EXPECT_EQ(decode_state(bin_).toString(), "on");
  EXPECT_EQ(started_lines().size(), 1u);
  EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
  EXPECT_FALSE(QFile::exists(ini_path(config_)));
}

TEST_F(StreamDecoderTest, ADecoderThatHasEndedIsStartedAgain) {
  install_stand_in();
  OnStreamOn();
  ASSERT_TRUE(wait_started(1));
  stop_decoders();
  EXPECT_EQ(decode_state(bin_).toString(), "on") << "the panel itself never resets the flag";

  OnStreamOn();
  ASSERT_TRUE(wait_started(2));
  EXPECT_EQ(count_trace("decode page have open\n"), 0);
  const std::vector<qint64> pids = started_pids();
  EXPECT_NE(pids[0], pids[1]);
  EXPECT_FALSE(process_ended(pids[1]));

  // The new one runs: further presses leave it alone.
  OnStreamOn();
  EXPECT_EQ(count_trace("decode page have open\n"), 1);
  stop_decoders();
  EXPECT_EQ(started_lines().size(), 2u);
}

TEST_F(StreamDecoderTest, OnLeftByAnotherRunCountsAsOpen) {
  install_stand_in();
  write_ini(bin_, "[Settings]\ndecode_state=on\n");
  OnStreamOn();
  EXPECT_EQ(count_trace("decode page have open\n"), 1);
  EXPECT_EQ(decode_state(bin_).toString(), "on");
  // Set back by someone else, the flag lets the next press start it: the
  // first and only marker line belongs to that start.
  write_ini(bin_, "[Settings]\ndecode_state=off\n");
  OnStreamOn();
  ASSERT_TRUE(wait_started(1));
  EXPECT_EQ(decode_state(bin_).toString(), "on");
  stop_decoders();
  EXPECT_EQ(started_lines().size(), 1u);
}

TEST_F(StreamDecoderTest, OnInAnotherCaseCountsAsNotOpen) {
  install_stand_in();
  write_ini(bin_, "[Settings]\ndecode_state=On\n");
  OnStreamOn();
  ASSERT_TRUE(wait_started(1));
  EXPECT_EQ(decode_state(bin_).toString(), "on");
  EXPECT_EQ(count_trace("decode page have open\n"), 0);
}

TEST_F(StreamDecoderTest, AMissingDecoderIsReportedAndLeavesTheFlagAsItWas) {
  OnStreamOn();
  ASSERT_EQ(recorded_errors().size(), 1);
  EXPECT_TRUE(recorded_errors().front().contains(decoder_path()))
      << recorded_errors().front().toStdString();
  EXPECT_TRUE(recorded_errors().front().contains("does not exist"));
  EXPECT_FALSE(decode_state(bin_).isValid()) << "the key stays absent";

  // The flag does not forbid the next try.
  install_stand_in();
  clear_recorded_errors();
  OnStreamOn();
  ASSERT_TRUE(wait_started(1));
  EXPECT_TRUE(recorded_errors().isEmpty());
  EXPECT_EQ(decode_state(bin_).toString(), "on");
}

TEST_F(StreamDecoderTest, ADecoderThatCannotRunIsReportedAndLeavesTheFlagAsItWas) {
  install_stand_in(0644);
  write_ini(bin_, "[Settings]\ndecode_state=off\n");
  OnStreamOn();
  ASSERT_EQ(recorded_errors().size(), 1);
  EXPECT_TRUE(recorded_errors().front().contains("not executable"))
      << recorded_errors().front().toStdString();
  EXPECT_EQ(decode_state(bin_).toString(), "off");
  EXPECT_EQ(count_trace("decode page have open\n"), 0);
  EXPECT_TRUE(started_lines().empty());
}

TEST_F(StreamDecoderTest, AnUnwritableProgramFolderUsesTheConfigurationFolder) {
  install_stand_in();
  ASSERT_EQ(::chmod(QFile::encodeName(bin_).constData(), 0555), 0);
  {
    NoDacOverride no_override;
    ASSERT_TRUE(no_override.ok());
    OnStreamOn();
    OnStreamOn();
  }
  ASSERT_TRUE(wait_started(1));
  EXPECT_FALSE(QFile::exists(ini_path(bin_)));
  EXPECT_EQ(decode_state(config_).toString(), "on");
  EXPECT_EQ(count_trace("decode page have open\n"), 1);
  int fallback_lines = 0;
  for (const std::string& line : traces_.lines())
    if (line.find(config_.toStdString()) != std::string::npos) ++fallback_lines;
  EXPECT_EQ(fallback_lines, 1) << "said once";
  EXPECT_TRUE(recorded_errors().isEmpty());
}

TEST_F(StreamDecoderTest, TheDecoderInheritsNoDescriptorOfThePanel) {
  install_stand_in();
  const int sock = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(sock, 0);
  ASSERT_EQ(::dup2(sock, kProbeFd), kProbeFd);  // dup2 leaves close-on-exec off
  ::close(sock);
  OnStreamOn();
  ::close(kProbeFd);
  ASSERT_TRUE(wait_started(1));
  const std::vector<std::string> lines = started_lines();
  EXPECT_EQ(lines.front().find("fd"), std::string::npos) << lines.front();
}
}  // namespace
