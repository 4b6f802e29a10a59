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
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/error_box.h"
#include "controls/skin_slider.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/trace.h"
#include "pages/switcher/switcher_workers.h"
#include "support/ports.h"
#include "support/pty_pair.h"
#include "support/trace_recorder.h"

namespace {
using namespace std::chrono_literals;

constexpr auto kBound = 10s;  // generous bound of every wait on the stand-in

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

  // The stand-in decoder: writes its descriptors ("<number> <what it
  // is>", one a line) to the descriptor file, appends "<pid>" to the marker
  // file, then waits for the stop file.
  void install_stand_in(mode_t mode = 0755) {
    const QString started = root_.filePath(QStringLiteral("started"));
    const QString stop = root_.filePath(QStringLiteral("stop"));
    const QString script =
        QStringLiteral(
            "#!/bin/sh\n"
            "for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink \"$f\")\"; done > '%3'\n"
            "echo \"$$\" >> '%1'\n"
            "while [ ! -e '%2' ]; do sleep 0.02; done\n")
            .arg(started, stop, descriptors_path());
    QFile file(decoder_path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(script.toUtf8());
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(decoder_path()).constData(), mode), 0);
  }

  QString descriptors_path() const { return root_.filePath(QStringLiteral("descriptors")); }

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

// "<number> <what it is>" of each descriptor of this process.
std::set<std::string> open_descriptors() {
  std::set<std::string> fds;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::filesystem::path what = std::filesystem::read_symlink(entry.path(), error);
    if (!error) fds.insert(entry.path().filename().string() + " " + what.string());
  }
  return fds;
}

TEST_F(StreamDecoderTest, TheDecoderInheritsNoSocketPipeOrPortOfThePanel) {
  install_stand_in();
  PtyPair line;
  ASSERT_TRUE(line.ok());
  const LinkOptions saved = link_options();
  link_options().bind_port = next_test_port();
  link_options().switcher_bind_port = next_test_port();
  const std::set<std::string> before = open_descriptors();
  std::vector<std::string> panel;
  {
    // Opened as the panel opens them: the switcher page's held socket, the
    // report feed's socket and stop pipe, the workers' pipe and eventfd, an
    // exchange's own socket, the serial port and its wake-up pipe.
    DeviceLink link;
    std::strcpy(link.m_device_table[0].ip, "127.0.0.2");
    link.m_device_index = 0;
    const DeviceLink::HeldSockets held = link.open_switcher_link();
    ASSERT_TRUE(held.command);
    ASSERT_NE(link.follow_switcher_reports({}, ReportFeed::Role::Primary, {}), 0u);
    CSkinSlider bar;
    SwitcherWorkers workers(&bar, 1, {});
    UdpExchange exchange;
    ASSERT_TRUE(exchange.open(ipv4_address("127.0.0.2", 9, 9), next_test_port()));
    ASSERT_TRUE(link.m_comm.open_port(line.slave_name(), 115200));
    for (const std::string& fd : open_descriptors())
      if (!before.count(fd)) panel.push_back(fd);
    OnStreamOn();
    ASSERT_TRUE(wait_started(1));
  }
  link_options() = saved;
  // Two sockets and the feed's pipe (two ends), the workers' pipe (two
  // ends) and eventfd, the exchange's socket, the port and its pipe (two).
  EXPECT_GE(panel.size(), 11u);
  QFile listing(descriptors_path());
  ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
  const QString inherited = QString::fromUtf8(listing.readAll());
  // A descriptor keeps its number and what it refers to across the start.
  for (const std::string& fd : panel)
    EXPECT_FALSE(inherited.split('\n').contains(QString::fromStdString(fd))) << fd;
}
}  // namespace
