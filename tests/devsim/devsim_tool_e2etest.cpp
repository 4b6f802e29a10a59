// The devsim tool as a process: it lists its devices, answers on loopback
// and its pseudo-terminal, takes report commands on standard input, and
// prints its counters when it is told to stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <string>

#include "sim_test_util.h"
#include "support/ports.h"

using simtest::Bytes;

namespace {

class DevsimProcess {
 public:
  explicit DevsimProcess(const std::vector<std::string>& args) {
    int out[2], in[2];
    if (::pipe(out) != 0 || ::pipe(in) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(out[1], 1);
      ::dup2(in[0], 0);
      ::close(out[0]);
      ::close(in[1]);
      std::vector<std::string> all = {KELVARO_BINARY_DIR "/tools/devsim/devsim"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    m_out = out[0];
    m_in = in[1];
  }
  ~DevsimProcess() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
    if (m_in >= 0) ::close(m_in);
  }

  // Output lines up to and including the first that starts with `prefix`.
  std::string read_until(const std::string& prefix, int timeout_ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      size_t start = 0;
      for (size_t eol; (eol = m_buffer.find('\n', start)) != std::string::npos; start = eol + 1) {
        if (m_buffer.compare(start, prefix.size(), prefix) == 0) {
          std::string text = m_buffer.substr(0, eol + 1);
          m_buffer.erase(0, eol + 1);
          return text;
        }
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return {};
      pollfd p{m_out, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) return {};
      char chunk[4096];
      const ssize_t n = ::read(m_out, chunk, sizeof chunk);
      if (n <= 0) return {};
      m_buffer.append(chunk, static_cast<size_t>(n));
    }
  }
  void say(const std::string& line) {
    [[maybe_unused]] ssize_t n = ::write(m_in, line.data(), line.size());
  }
  // SIGTERM; the exit status once it ended (within the bound).
  int terminate() {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) {
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::usleep(10000);
    }
    return -1;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  int m_in = -1;
  std::string m_buffer;
};

}  // namespace

TEST(DevsimTool, ServesItsDevicesUntilTerminated) {
  const uint16_t bind_port = next_test_port();
  const uint16_t device_port = next_test_port();
  const uint16_t sw_bind = next_test_port();
  const uint16_t sw_device = next_test_port();
  DevsimProcess tool({"--multiviewer", "1", "--switcher", "1", "--serial", "0xA3", "--bind-port",
                      std::to_string(bind_port), "--device-port", std::to_string(device_port),
                      "--switcher-bind-port", std::to_string(sw_bind), "--switcher-device-port",
                      std::to_string(sw_device)});
  const std::string listing = tool.read_until("ready");
  ASSERT_NE(listing, "") << "devsim did not start";
  EXPECT_NE(
      listing.find("device 0: 127.0.0.2:" + std::to_string(device_port) + " type 0xA1 multiviewer"),
      std::string::npos)
      << listing;
  EXPECT_NE(listing.find("device 1: 127.0.0.3:"), std::string::npos) << listing;
  const size_t at = listing.find("serial: ");
  ASSERT_NE(at, std::string::npos) << listing;
  const std::string pty = listing.substr(at + 8, listing.find('\n', at) - at - 8);

  simtest::PanelSocket panel(bind_port);
  panel.send("127.255.255.255", device_port, simtest::search());
  int answers = 0;
  while (answers < 2 && panel.receive()) ++answers;
  EXPECT_EQ(answers, 2);

  simtest::SerialPeer line(pty);
  ASSERT_TRUE(line.ok()) << pty;
  line.write(simtest::search(0x00));
  const Bytes reply = line.read_frame();
  ASSERT_GT(reply.size(), 21u);
  EXPECT_EQ(reply[4], 0xA3);

  simtest::PanelSocket reports(sw_bind);
  tool.say("report 1 0x80 4\n");
  auto report = reports.receive();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->bytes, simtest::udp(0xA5, 1, 0x80, {4}));

  panel.send("127.0.0.2", device_port, Bytes{0xA5, 0x6C, 0x14, 0x00});  // a broken frame
  EXPECT_NE(tool.read_until("rx dev=0 udp").find("BAD"), std::string::npos);
  EXPECT_EQ(tool.terminate(), 0);
  EXPECT_NE(tool.read_until("frames:").find("frames: 3, bad: 1, rejected: 0"), std::string::npos);
}
