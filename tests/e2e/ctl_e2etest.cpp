// The built kelvaro-ctl as a script runs it: a separate process pointed at
// simulated devices on loopback, one run per command group (every command,
// its checks and exit statuses are tested in-process in tests/ctl).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "devices/matrix/matrix_commands.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/processor/processor_frames.h"
#include "link/control_frame.h"
#include "support/ctl_args.h"
#include "support/devsim_fixture.h"
#include "support/taken_port.h"

namespace {
const QString kCtl = QStringLiteral(KELVARO_BINARY_DIR "/kelvaro-ctl");

struct CtlRun {
  int exit_code = -1;
  QString out, err;
  qint64 elapsed_ms = 0;
};

CtlRun run_ctl(const QStringList& args) {
  QProcess p;
  QElapsedTimer timer;
  timer.start();
  p.start(kCtl, args);
  CtlRun r;
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished(2000);
    return r;
  }
  r.elapsed_ms = timer.elapsed();
  r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

TEST(CtlTool, HelpVersionAndUsage) {
  const CtlRun help = run_ctl({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* group : {"discover", "mv", "matrix", "switcher", "rk5502", "tm3306"})
    EXPECT_TRUE(help.out.contains(group)) << group;
  const CtlRun version = run_ctl({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_TRUE(version.out.contains("1.0.1.5"));
  const CtlRun bad = run_ctl({"mv", "mode", "4"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_EQ(bad.err.trimmed().count('\n'), 0) << bad.err.toStdString();
}

// One command of each group against the simulator, and the local port taken
// by another program: exit 1 with the reason on one line.
TEST(CtlTool, OneCommandOfEachGroup) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 3, "MV_CTL"),
                        devsim::DeviceSpec::lan(0x81, 4), devsim::DeviceSpec::lan(0xA5, 7),
                        devsim::DeviceSpec::lan(0x60, 2), devsim::DeviceSpec::serial(0xA3, 1)});
  ASSERT_TRUE(sim.started());

  const CtlRun found = run_ctl(ctl_ports(sim) + QStringList{"discover"});
  EXPECT_EQ(found.exit_code, 0) << found.err.toStdString();
  EXPECT_EQ(found.out, "MV_CTL\t" + QString::fromStdString(sim.address(0)) + "\t0xA1\t3\n");

  const CtlRun mode = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "mode", "4"});
  EXPECT_EQ(mode.exit_code, 0) << mode.err.toStdString();
  EXPECT_TRUE(
      sim.received(build_frame(0xA1, 3, Link::Udp, mv_cmd::kScreenMode, std::vector<uint8_t>{4})));
  const CtlRun state = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "state", "--json"});
  EXPECT_EQ(state.exit_code, 0) << state.err.toStdString();
  EXPECT_EQ(QJsonDocument::fromJson(state.out.toUtf8())["window_count"].toInt(), 4);

  const CtlRun all = run_ctl(ctl_lan(sim, 1, 4) + QStringList{"matrix", "all", "5"});
  EXPECT_EQ(all.exit_code, 0) << all.err.toStdString();
  EXPECT_TRUE(sim.received(build_matrix_one_to_all(5)));

  const CtlRun cut = run_ctl(ctl_lan(sim, 2, 7) + QStringList{"switcher", "cut"});
  EXPECT_EQ(cut.exit_code, 0) << cut.err.toStdString();
  EXPECT_EQ(sim.sim().switcher_state(2).cuts, 1);

  const CtlRun rk = run_ctl(ctl_lan(sim, 3, 2) + QStringList{"rk5502", "state", "--json"});
  EXPECT_EQ(rk.exit_code, 0) << rk.err.toStdString();
  EXPECT_TRUE(sim.received(build_frame(0x60, 2, Link::Udp, processor_cmd::kRk5502StateQuery, {})));

  const CtlRun tm = run_ctl(ctl_serial(sim, 1) + QStringList{"tm3306", "layout", "6"});
  EXPECT_EQ(tm.exit_code, 0) << tm.err.toStdString();
  EXPECT_EQ(sim.sim().tm3306_state(4).show_mode, 6);
  EXPECT_TRUE(sim.no_bad_frames());

  TakenPort taker(sim.options().bind_port);
  ASSERT_TRUE(taker.ok());
  const CtlRun taken = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "umd", "on"});
  taker.release();
  EXPECT_EQ(taken.exit_code, 1);
  EXPECT_TRUE(taken.err.startsWith("kelvaro-ctl: cannot bind local port "))
      << taken.err.toStdString();
  EXPECT_EQ(taken.err.count('\n'), 1);
}

}  // namespace
