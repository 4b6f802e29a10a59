// Prints figures for the matrix router page: how long from a click on a
// routing command (after the crosspoint keys were set) until the text bytes
// reach a loopback device, over UDP and over a pseudo-terminal; and the
// longest stall of the user interface while the page's 200 ms lock query
// waits for a silent device. Loopback only; never fails on time.
#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench_util.h"
#include "controls/skin_button.h"
#include "link/link_options.h"
#include "pages/matrix/matrix_function_page.h"
#include "pages/matrix/matrix_page.h"

namespace {
using Clock = std::chrono::steady_clock;

// Receives on fd in a thread and notes when each burst of bytes arrived.
class ArrivalClock {
 public:
  ArrivalClock(int fd, bool datagram) : m_fd(fd), m_datagram(datagram) {
    m_thread = std::thread([this] { run(); });
  }
  ~ArrivalClock() {
    m_stop = true;
    m_thread.join();
  }
  // Arrival time of the first bytes after `since`, waiting up to 2 s.
  bool arrival_after(Clock::time_point since, Clock::time_point* at) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < deadline) {
      {
        std::lock_guard lock(m_mutex);
        for (auto t : m_arrivals)
          if (t >= since) {
            *at = t;
            m_arrivals.clear();
            return true;
          }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

 private:
  void run() {
    while (!m_stop) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      const auto now = Clock::now();
      uint8_t buf[2048];
      const ssize_t n =
          m_datagram ? ::recv(m_fd, buf, sizeof buf, 0) : ::read(m_fd, buf, sizeof buf);
      if (n <= 0) continue;
      std::lock_guard lock(m_mutex);
      m_arrivals.push_back(now);
    }
  }
  int m_fd;
  bool m_datagram;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  std::mutex m_mutex;
  std::vector<Clock::time_point> m_arrivals;
};

struct Figures {
  std::vector<double> ms;
  void print(const char* what) {
    if (ms.empty()) {
      std::printf("%-44s no bytes arrived\n", what);
      return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s n=%zu  min %.2f  median %.2f  max %.2f ms\n", what, ms.size(), ms.front(),
                ms[ms.size() / 2], ms.back());
  }
};

double ms_between(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// Clicks the command repeatedly; the routing keys are set before each click.
void measure(CClass_matrix_control* page, ArrivalClock& device, int command_id, const char* what) {
  Figures arrival, handler;
  for (int round = 0; round < 40; ++round) {
    const int in = round % 8, out = (round + 3) % 8;
    page->button(IDC_MATRIX_INPUT_1 + in)->click();
    // A click on an output that already carries the input would clear it.
    if (m_p_glo_main_set_or_get_dlg->m_matrix_route[out] != in + 1)
      page->button(IDC_MATRIX_OUTPUT_1 + out)->click();
    CSkinButton* command = page->m_p_cur_sub_page->button(command_id);
    const auto t0 = Clock::now();
    command->click();
    const auto t1 = Clock::now();
    Clock::time_point at;
    if (device.arrival_after(t0, &at)) arrival.ms.push_back(ms_between(t0, at));
    handler.ms.push_back(ms_between(t0, t1));
  }
  char label[96];
  std::snprintf(label, sizeof label, "%s: click to bytes", what);
  arrival.print(label);
  std::snprintf(label, sizeof label, "%s: click handler", what);
  handler.print(label);
}
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const uint16_t base = static_cast<uint16_t>(40000 + (getpid() % 2000) * 4);
  link_options().bind_port = base;
  link_options().device_port = base + 1;
  link_options().search_address = "127.255.255.255";

  const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(link_options().device_port);
  a.sin_addr.s_addr = inet_addr("127.0.0.2");
  if (::bind(udp, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::printf("cannot bind the loopback device at 127.0.0.2:%u\n", link_options().device_port);
    return 1;
  }

  auto* dlg = new CKELVARO_16_VIEWDlg;
  dlg->show();
  std::strcpy(dlg->m_device_table[0].ip, "127.0.0.2");
  dlg->m_device_table[0].dev_type = 0x81;
  dlg->m_device_table[0].dev_id = 0x01;
  dlg->device_list()->addItem("MATRIX");
  dlg->m_device_index = 0;

  // Page creation with a silent device: the lock query waits its full bound.
  StallProbe probe;
  for (int round = 0; round < 3; ++round) {
    double took = 0;
    probe.run([&] {
      const auto t0 = Clock::now();
      dlg->select_device();
      took = ms_between(t0, Clock::now());
    });
    std::printf("page creation, silent device (lock query): %.1f ms, longest UI stall %lld ms\n",
                took, static_cast<long long>(probe.worst));
  }
  // Drain the queries the silent device did not answer.
  uint8_t sink[256];
  while (::recv(udp, sink, sizeof sink, MSG_DONTWAIT) > 0) {
  }

  auto* page = qobject_cast<CClass_matrix_control*>(dlg->m_p_mian_show_dlg);
  if (!page) {
    std::printf("no matrix page\n");
    return 1;
  }
  {
    ArrivalClock device(udp, true);
    measure(page, device, IDC_MATRIX_FN_APPLY, "UDP APPLY");
    measure(page, device, IDC_MATRIX_FN_ONE_TO_ALL, "UDP ONE TO ALL");
  }

  // The same over a pseudo-terminal.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
    char name[128] = {};
    ::ptsname_r(master, name, sizeof name);
    const int hold = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (hold >= 0 && ::tcgetattr(hold, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(hold, TCSANOW, &tio);
    }
    if (dlg->m_comm.open_port(name, 115200)) {
      dlg->m_eState = 1;
      ArrivalClock device(master, false);
      measure(page, device, IDC_MATRIX_FN_APPLY, "serial APPLY");
      measure(page, device, IDC_MATRIX_FN_ONE_TO_ALL, "serial ONE TO ALL");
      dlg->m_comm.close_port(500);
    } else {
      std::printf("serial: cannot open %s\n", name);
    }
    if (hold >= 0) ::close(hold);
    ::close(master);
  }
  delete dlg;
  ::close(udp);
  return 0;
}
