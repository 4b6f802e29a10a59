// devsim: simulated devices for the panel, on loopback and a pseudo-terminal.
// Prints one line per device, then serves them until SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "devsim/cli.h"
#include "devsim/simulator.h"

using namespace devsim;

namespace {

void print_counts(const Simulator& sim) {
  std::printf("frames: %zu, bad: %zu, rejected: %zu, misaddressed: %zu\n", sim.frame_count(),
              sim.bad_frame_count(), sim.rejected_count(), sim.misaddressed_count());
  std::fflush(stdout);
}

// "report DEVICE CMD [BYTE...]" sends one switcher report; "counts" prints
// the counters; "quit" ends the run. Returns false on "quit".
bool run_command(Simulator& sim, const std::string& line) {
  std::istringstream in(line);
  std::string word;
  if (!(in >> word)) return true;
  if (word == "quit") return false;
  if (word == "counts") {
    print_counts(sim);
    return true;
  }
  if (word == "report") {
    std::vector<long> values;
    std::string v;
    while (in >> v) {
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 0);
      if (*end || n < 0 || n > 255) {
        std::printf("error: bad number %s\n", v.c_str());
        std::fflush(stdout);
        return true;
      }
      values.push_back(n);
    }
    if (values.size() < 2 || values[0] >= sim.device_count() ||
        sim.device(static_cast<int>(values[0])).kind != Kind::Switcher) {
      std::printf("error: report DEVICE CMD [BYTE...] needs a switcher's device number\n");
      std::fflush(stdout);
      return true;
    }
    Report r;
    r.command = static_cast<uint8_t>(values[1]);
    for (size_t i = 2; i < values.size(); ++i) r.payload.push_back(static_cast<uint8_t>(values[i]));
    sim.send_report(static_cast<int>(values[0]), r);
    std::printf("sent report 0x%02X from device %ld\n", r.command, values[0]);
    std::fflush(stdout);
    return true;
  }
  std::printf("error: unknown command %s\n", word.c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const CliConfig config = parse_cli(args);
  if (config.action == CliConfig::Action::Help) {
    // The usage line names the program as it was started: installed, the
    // simulator is kelvaro-devsim.
    std::string text = config.message;
    const std::string usage = "Usage: devsim ";
    const char* slash = argc > 0 ? std::strrchr(argv[0], '/') : nullptr;
    const std::string name = argc > 0 ? (slash ? slash + 1 : argv[0]) : "";
    if (!name.empty() && text.rfind(usage, 0) == 0) text.replace(7, 6, name);
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  if (config.action == CliConfig::Action::Error) {
    std::fprintf(stderr, "devsim: %s\n", config.message.c_str());
    return 2;
  }

  // Signals are taken through a descriptor, so every thread started below
  // inherits the blocked mask and only this loop sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC);

  Simulator sim(config.options);
  if (!config.quiet)
    sim.set_log([](const ReceivedFrame& f) {
      std::printf("%s\n", describe(f).c_str());
      std::fflush(stdout);
    });
  std::string error;
  if (!sim.start(&error)) {
    std::fprintf(stderr, "devsim: %s\n", error.c_str());
    return 1;
  }
  for (int i = 0; i < sim.device_count(); ++i) sim.set_faults(i, config.faults);

  for (const DeviceInfo& d : sim.devices()) {
    if (d.transport == Transport::Serial) {
      std::printf("serial: %s\n", d.address.c_str());
      std::printf("device %d: %s type 0x%02X %s id %d name %s\n", d.index, d.address.c_str(),
                  d.type, kind_name(d.kind), d.id, d.name.c_str());
    } else if (d.kind == Kind::Switcher) {
      std::printf("device %d: %s:%u type 0x%02X %s id %d name %s switcher-port %u\n", d.index,
                  d.address.c_str(), d.port, d.type, kind_name(d.kind), d.id, d.name.c_str(),
                  d.switcher_port);
    } else {
      std::printf("device %d: %s:%u type 0x%02X %s id %d name %s\n", d.index, d.address.c_str(),
                  d.port, d.type, kind_name(d.kind), d.id, d.name.c_str());
    }
  }
  std::printf("search: %s:%u\nready\n", config.options.search_address.c_str(),
              config.options.device_port);
  std::fflush(stdout);

  using Clock = std::chrono::steady_clock;
  const auto script_length = std::chrono::milliseconds(static_cast<long>(config.script.size()) *
                                                       config.script_interval_ms);
  auto start_script = [&] {
    for (int i = 0; i < sim.device_count(); ++i)
      if (sim.device(i).kind == Kind::Switcher)
        sim.send_reports(i, config.script, std::chrono::milliseconds(config.script_interval_ms));
  };
  Clock::time_point next_script = Clock::time_point::max();
  if (!config.script.empty()) {
    start_script();
    if (config.script_repeat) next_script = Clock::now() + script_length;
  }

  bool stdin_open = true;
  std::string pending_line;
  for (;;) {
    pollfd fds[2] = {{signal_fd, POLLIN, 0}, {stdin_open ? 0 : -1, POLLIN, 0}};
    int timeout = -1;
    if (next_script != Clock::time_point::max()) {
      const auto wait =
          std::chrono::ceil<std::chrono::milliseconds>(next_script - Clock::now()).count();
      timeout = static_cast<int>(std::max<long>(0, wait));
    }
    const int n = poll(fds, 2, timeout);
    if (n < 0 && errno != EINTR) break;
    if (fds[0].revents & POLLIN) break;
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      char buffer[512];
      const ssize_t got = read(0, buffer, sizeof buffer);
      if (got <= 0) {
        stdin_open = false;  // no more commands; keep serving until a signal
      } else {
        pending_line.append(buffer, static_cast<size_t>(got));
        size_t eol;
        bool quit = false;
        while (!quit && (eol = pending_line.find('\n')) != std::string::npos) {
          quit = !run_command(sim, pending_line.substr(0, eol));
          pending_line.erase(0, eol + 1);
        }
        if (quit) break;
      }
    }
    if (Clock::now() >= next_script) {
      start_script();
      next_script = Clock::now() + script_length;
    }
  }
  sim.stop();
  print_counts(sim);
  return 0;
}
