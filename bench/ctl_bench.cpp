// kelvaro-ctl's whole run, process start to exit, against a simulated
// multiviewer on loopback: a one-way command, the state query, and 100
// commands in a row from a shell loop. Prints figures; never fails on time.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench_util.h"

namespace {
// The tool sits one directory above this program in the build tree.
QString ctl_path(const char* argv0) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv0);
  return QString::fromStdString((self.parent_path().parent_path() / "kelvaro-ctl").string());
}

// Milliseconds from the start of the process to its exit; -1 when it failed.
double timed_run(const QString& program, const QStringList& args) {
  QElapsedTimer t;
  t.start();
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return -1;
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void report(const char* what, const std::vector<double>& ms) {
  std::printf("%-34s n=%zu  min %.1f  median %.1f  p90 %.1f  max %.1f ms\n", what, ms.size(),
              percentile(ms, 0), percentile(ms, 0.5), percentile(ms, 0.9), percentile(ms, 1));
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString ctl = argc > 1 ? QString::fromLocal8Bit(argv[1]) : ctl_path(argv[0]);
  if (!QFile::exists(ctl)) {
    std::printf("kelvaro-ctl not found at %s (pass its path as the first argument)\n",
                qUtf8Printable(ctl));
    return 0;
  }
  devsim::Options options =
      loopback_link(static_cast<uint16_t>(41000 + (static_cast<unsigned>(getpid()) % 500) * 8));
  options.devices = {devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 1)};
  devsim::Simulator sim(options);
  std::string error;
  if (!sim.start(&error)) {
    std::printf("simulator did not start: %s\n", error.c_str());
    return 0;
  }
  const QString address = QString::fromStdString(sim.device(0).address);
  const QStringList target = {"--bind-port",   QString::number(options.bind_port),
                              "--device-port", QString::number(options.device_port),
                              "--device",      address};

  constexpr int kRuns = 30;
  std::vector<double> one_way, state;
  for (int i = 0; i < kRuns; ++i) {
    const double ms = timed_run(ctl, target + QStringList{"mv", "umd", i % 2 ? "on" : "off"});
    if (ms >= 0) one_way.push_back(ms);
  }
  for (int i = 0; i < kRuns; ++i) {
    const double ms = timed_run(ctl, target + QStringList{"mv", "state", "--json"});
    if (ms >= 0) state.push_back(ms);
  }
  std::printf("kelvaro-ctl whole runs against a simulated multiviewer on loopback\n");
  report("one-way command (mv umd)", one_way);
  report("state query (mv state --json)", state);

  // 100 commands from a shell loop, one process each.
  const size_t before = sim.frame_count();
  const QString loop = QStringLiteral(
      "i=0; while [ $i -lt 100 ]; do \"$0\" \"$@\" mv source $((i % 16 + 1)) "
      "$((i % 16 + 1)) || exit 1; i=$((i + 1)); done");
  QElapsedTimer t;
  t.start();
  QProcess shell;
  shell.start("/bin/sh", QStringList{"-c", loop, ctl} + target);
  const bool ok = shell.waitForFinished(120000) && shell.exitCode() == 0;
  const double total = static_cast<double>(t.nsecsElapsed()) / 1e6;
  sim.wait_for_frames(before + 100, std::chrono::milliseconds(2000));
  std::printf(
      "100 commands from a shell loop: %s, %.0f ms in all, %.1f ms per command, "
      "%zu frames at the device\n",
      ok ? "all exit 0" : "a command failed", total, total / 100, sim.frame_count() - before);
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  const double child_cpu = children.ru_utime.tv_sec + children.ru_stime.tv_sec +
                           (children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
  std::printf("CPU of every kelvaro-ctl run and the shell together: %.2f s\n", child_cpu);
  sim.stop();
  return 0;
}
