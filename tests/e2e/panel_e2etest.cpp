// The built program as an operator starts it: a separate process under the
// offscreen platform, pointed at simulated devices on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include "support/devsim_fixture.h"

namespace {
const QString kPanel = QStringLiteral(KELVARO_BINARY_DIR "/kelvaro_multiview");

QProcessEnvironment offscreen_env() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  // The panel remembers its setup in the user's settings: runs under test
  // keep theirs in a folder of their own, never in the real one.
  static QTemporaryDir settings;
  env.insert("XDG_CONFIG_HOME", settings.path());
  return env;
}

struct PanelRun {
  int exit_code = -1;
  QString out, err;
};

PanelRun run_panel(const QStringList& args) {
  QProcess p;
  p.setProcessEnvironment(offscreen_env());
  p.start(kPanel, args);
  PanelRun r;
  if (!p.waitForFinished(10000)) {
    p.kill();
    p.waitForFinished(2000);
    return r;
  }
  r.exit_code = p.exitCode();
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

TEST(PanelProcess, HelpVersionAndBadOptions) {
  const PanelRun help = run_panel({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.contains("--search-address"));
  const PanelRun version = run_panel({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_TRUE(version.out.contains("1.0.1.5"));
  for (const QStringList& bad :
       {QStringList{"--bind-port", "99999"}, QStringList{"--search-address", "nowhere"},
        QStringList{"--no-such-option"}}) {
    const PanelRun r = run_panel(bad);
    EXPECT_EQ(r.exit_code, 2) << bad.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(bad.first())) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
  }
  // A show file with a fault ends the program before any window, naming
  // the key.
  QTemporaryDir dir;
  const QString show = dir.filePath("show.json");
  QFile f(show);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(R"({"tally": {"program": "Scarlet"}})");
  f.close();
  const PanelRun bad_show = run_panel({"--show", show});
  EXPECT_EQ(bad_show.exit_code, 2);
  EXPECT_EQ(bad_show.err.trimmed(), "kelvaro_multiview: --show: " + show +
                                        ": tally.program: \"Scarlet\" is no colour of the "
                                        "multiviewer");
}

TEST(PanelProcess, StartsFindsAMultiviewerAndSendsWellFormedFrames) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 6, "MV_E2E")});
  ASSERT_TRUE(sim.started());
  const devsim::Options& o = sim.options();
  QProcess panel;
  panel.setProcessEnvironment(offscreen_env());
  panel.start(kPanel, {"--scan", "--bind-port", QString::number(o.bind_port), "--device-port",
                       QString::number(o.device_port), "--switcher-bind-port",
                       QString::number(o.switcher_bind_port), "--switcher-device-port",
                       QString::number(o.switcher_device_port), "--search-address",
                       QString::fromStdString(o.search_address)});
  ASSERT_TRUE(panel.waitForStarted(5000));
  // The search request reaches the device...
  const auto searches = sim.wait_frames(
      1, [](const devsim::ReceivedFrame& f) { return f.command() == 0xFF; },
      std::chrono::milliseconds(8000));
  ASSERT_FALSE(searches.empty()) << "no search from the panel";
  EXPECT_EQ(searches.front().bytes[6], 0x01);
  // ...and after its two seconds the multiviewer's page asks for the state,
  // addressed with the type and id the device answered with.
  const auto queries = sim.wait_frames(
      1, [](const devsim::ReceivedFrame& f) { return f.command() == 0x32 && f.device == 0; },
      std::chrono::milliseconds(8000));
  ASSERT_FALSE(queries.empty()) << "the panel did not open the multiviewer page";
  EXPECT_EQ(queries.front().bytes.size(), 20u);
  EXPECT_EQ(queries.front().bytes[4], 0xA1);
  EXPECT_EQ(queries.front().bytes[5], 6);
  EXPECT_TRUE(sim.no_bad_frames());
  EXPECT_EQ(panel.state(), QProcess::Running) << "the panel keeps running";
  panel.terminate();
  if (!panel.waitForFinished(5000)) {
    panel.kill();
    panel.waitForFinished(2000);
  }
}

// A switcher the search does not list, reached with --device: its page opens
// at start, holds the report port, follows a flood of reports without
// sending anything back, and frees the port when the panel ends.
TEST(PanelProcess, DeviceOptionOpensTheSwitcherPage) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA5, 4, "SW_E2E")});
  ASSERT_TRUE(sim.started());
  const devsim::Options& o = sim.options();
  QProcess panel;
  panel.setProcessEnvironment(offscreen_env());
  panel.start(kPanel,
              {"--device", QString::fromStdString(sim.address(0)) + ",switcher,4", "--bind-port",
               QString::number(o.bind_port), "--device-port", QString::number(o.device_port),
               "--switcher-bind-port", QString::number(o.switcher_bind_port),
               "--switcher-device-port", QString::number(o.switcher_device_port),
               "--search-address", QString::fromStdString(o.search_address)});
  ASSERT_TRUE(panel.waitForStarted(5000));
  auto port_taken = [&] {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(o.switcher_bind_port);
    const bool taken = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    ::close(s);
    return taken;
  };
  bool opened = false;
  for (int i = 0; i < 100 && !opened; ++i) {
    opened = port_taken();
    if (!opened) QThread::msleep(50);
  }
  ASSERT_TRUE(opened) << "the switcher page did not open its report socket";
  devsim::Faults flood;
  flood.flood_per_second = 2000;
  sim.sim().set_faults(0, flood);
  QThread::msleep(500);
  sim.sim().set_faults(0, {});
  EXPECT_TRUE(sim.nothing_more(0, std::chrono::milliseconds(200)));
  EXPECT_EQ(panel.state(), QProcess::Running) << "the panel keeps running";
  panel.terminate();
  ASSERT_TRUE(panel.waitForFinished(5000));
  EXPECT_FALSE(port_taken());
}
}  // namespace
