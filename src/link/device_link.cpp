#include "link/device_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"

namespace {
// How often a switcher's reports mark its link as heard.
constexpr std::chrono::seconds kHeardEvery{1};
}  // namespace

DeviceLink::DeviceLink() {
  m_comm.set_open_listener([this] { emit m_link_health.changed(); });
  // Told on the monitor or writer thread: the close runs on the user-
  // interface thread, where m_link_health lives (a call still pending when
  // the link goes is dropped with it).
  m_comm.set_lost_listener([this](uint64_t generation) {
    QMetaObject::invokeMethod(
        &m_link_health, [this, generation] { serial_line_lost(generation); }, Qt::QueuedConnection);
  });
}

DeviceLink::~DeviceLink() {
  close_report_feed();
  close_switcher_link();
}

bool DeviceLink::net_start() {
  // POSIX sockets need no stack start; the call stays so start-up keeps its
  // order and a platform that needs one has a place for it.
  m_net_started = true;
  return true;
}

const DeviceEntry* DeviceLink::selected_row() const {
  if (m_device_index < 0) return nullptr;
  return &m_device_table[m_device_index];
}

std::optional<sockaddr_in> DeviceLink::selected_destination(uint16_t device_port) const {
  const DeviceEntry* row = selected_row();
  if (!row) {
    report_link_error(QStringLiteral("Please choose a device"));
    return std::nullopt;
  }
  return ipv4_address(row->ip, sizeof row->ip, device_port);
}

int DeviceLink::bound_udp_socket(uint16_t bind_port) {
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(bind_port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const std::string why =
        "cannot bind local port " + std::to_string(bind_port) + ": " + errno_text(errno);
    // A socket that failed to open is not kept half-open.
    trace(lcLink(), "bind to local port %u failed\n", bind_port);
    ::close(s);
    note_local_port(bind_port, why);
    return -1;
  }
  ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
  note_local_port(bind_port, {});
  return s;
}

bool DeviceLink::open_udp_socket(int& fd, uint16_t bind_port, uint16_t device_port) {
  if (fd != -1) return true;
  std::memset(&m_dev_addr, 0, sizeof m_dev_addr);
  const std::optional<sockaddr_in> destination = selected_destination(device_port);
  if (!destination) return false;
  m_dev_addr = *destination;
  fd = bound_udp_socket(bind_port);
  return fd != -1;
}

QString DeviceLink::local_port_notice(uint16_t port, const std::string& bind_error) {
  const LinkOptions& o = link_options();
  const bool reports = port == o.switcher_bind_port && port != o.bind_port;
  const QString which =
      reports ? QStringLiteral("the switcher report port") : QStringLiteral("the command port");
  const QString option =
      reports ? QStringLiteral("--switcher-bind-port") : QStringLiteral("--bind-port");
  const QString effect =
      reports ? QStringLiteral("the switcher page cannot follow the device's reports")
              : QStringLiteral(
                    "replies sent to it reach that program instead of this "
                    "panel, and the switcher page cannot send");
  // The reason ends the exchange's text ("cannot bind local port N: why").
  const size_t colon = bind_error.rfind(": ");
  const std::string why = colon == std::string::npos ? bind_error : bind_error.substr(colon + 2);
  const QString what = why == errno_text(EADDRINUSE)
                           ? QStringLiteral("is held by another program: %1").arg(effect)
                           : QStringLiteral("cannot be bound: %1").arg(QString::fromStdString(why));
  return QStringLiteral(
             "Local UDP port %1 (%2) %3. Start the panel with %4 PORT to use another "
             "port.")
      .arg(QString::number(port), which, what, option);
}

QString DeviceLink::serial_lost_notice(const std::string& port_name) {
  return QStringLiteral(
             "Serial port %1 was lost: the line hung up. Press Connect in Configure once it is "
             "back.")
      .arg(QString::fromStdString(port_name));
}

bool DeviceLink::bound_to(int fd, uint16_t port) {
  if (fd == -1) return false;
  sockaddr_in local{};
  socklen_t len = sizeof local;
  return ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0 &&
         ntohs(local.sin_port) == port;
}

bool DeviceLink::held_socket_on(uint16_t port) const {
  return bound_to(m_udpSockfd, port) || bound_to(m_udpSockfd2, port);
}

void DeviceLink::note_local_port(uint16_t port, const std::string& bind_error) {
  {
    std::lock_guard<std::mutex> lock(m_port_notice_mutex);
    if (bind_error.empty()) {
      m_ports_told.erase(port);
      return;
    }
    if (m_ports_told.count(port)) return;
    // The page-held sockets are read on the user-interface thread only; a
    // worker's exchange never binds while they are open.
    if (on_ui_thread() && held_socket_on(port)) return;
    m_ports_told.insert(port);
  }
  trace(lcLink(), "local port %u not had, the operator is told\n", port);
  tell_operator(local_port_notice(port, bind_error));
}

void DeviceLink::tell_operator(const QString& text) {
  if (!link_ui_installed()) {
    report_link_error(text);
    return;
  }
  // A box opened in the middle of an exchange would run events under it
  // (and a query's bound would pass while the operator reads): it waits for
  // the event loop, and behind a running wait like any exchange.
  QMetaObject::invokeMethod(
      &m_link_health,
      [this, text] {
        run_exchange("tell the operator", [alive = QPointer<LinkHealth>(&m_link_health), text] {
          if (alive) report_link_error(text);
        });
      },
      Qt::QueuedConnection);
}

void DeviceLink::serial_line_lost(uint64_t generation) {
  const QPointer<LinkHealth> alive(&m_link_health);
  // A wait running now may be a serial exchange on this port: it ends by
  // itself (the line is lost), and the port closes after it, never under it.
  run_exchange("serial line lost", [this, alive, generation] {
    if (!alive || !m_comm.is_open() || m_comm.generation() != generation) return;
    const std::string name = m_comm.port_name();
    close_lost_serial_port();
    report_link_error(serial_lost_notice(name));
  });
}

void DeviceLink::close_lost_serial_port() { m_comm.close_port(500); }

bool DeviceLink::open_command_socket() {
  const LinkOptions& o = link_options();
  return open_udp_socket(m_udpSockfd, o.bind_port, o.device_port);
}

bool DeviceLink::open_report_socket() {
  if (m_udpSockfd2 != -1) return true;
  m_udpSockfd2 = bound_udp_socket(link_options().switcher_bind_port);
  if (m_udpSockfd2 == -1) return false;
  // Reports come in bursts: room for a burst (the system may grant less)
  // keeps them in the socket instead of dropped before the feed reads.
  const int bytes = 1 << 20;
  ::setsockopt(m_udpSockfd2, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  return true;
}

uint64_t DeviceLink::follow_switcher_reports(in_addr from, ReportFeed::Role role,
                                             ReportFeed::Handler handler) {
  if (!m_report_feed.running()) {
    if (!open_report_socket()) return 0;
    if (!m_report_feed.start(m_udpSockfd2)) {
      ::close(m_udpSockfd2);
      m_udpSockfd2 = -1;
      return 0;
    }
  }
  // A switcher is never queried: its reports are what the link light can
  // tell of it, marked at most once a second however many come.
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr = from;
  return m_report_feed.add(
      from, role,
      [this, key = LinkHealth::udp_key(address), handler = std::move(handler),
       last = std::chrono::steady_clock::time_point()](ReportFeed::Datagrams d) mutable {
        const auto now = std::chrono::steady_clock::now();
        if (last == std::chrono::steady_clock::time_point() || now - last >= kHeardEvery) {
          // Stamped on the user-interface thread: the stamp reads the local
          // time, which is not safe beside the rest of the program.
          QMetaObject::invokeMethod(
              &m_link_health, [this, key] { m_link_health.answered(key); }, Qt::QueuedConnection);
          last = now;
        }
        if (handler) handler(d);
      });
}

void DeviceLink::unfollow_switcher_reports(uint64_t token) {
  if (m_report_feed.remove(token) && m_report_feed.followers() == 0) close_report_feed();
}

void DeviceLink::close_report_feed() {
  m_report_feed.stop();
  if (m_udpSockfd2 != -1) ::close(m_udpSockfd2);
  m_udpSockfd2 = -1;
}

int DeviceLink::held_command_socket_on(uint16_t port) const {
  return bound_to(m_udpSockfd, port) ? m_udpSockfd : -1;
}

bool DeviceLink::close_command_socket() {
  if (m_udpSockfd != -1) {
    ::close(m_udpSockfd);
    m_udpSockfd = -1;
  }
  return true;
}

std::string DeviceLink::send_datagram_on(int fd, std::span<const uint8_t> bytes) {
  if (fd == -1) return "no socket open";
  const ssize_t sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&m_dev_addr), sizeof m_dev_addr);
  const int error = errno;
  m_link_health.one_way(LinkHealth::udp_key(m_dev_addr));
  if (sent >= 0) return {};
  return "send to " + dev_addr_text().toStdString() + " refused: " + errno_text(error);
}

std::string DeviceLink::send_datagram(std::span<const uint8_t> bytes) {
  return send_datagram_on(m_udpSockfd, bytes);
}

Target DeviceLink::device_target() const {
  const DeviceEntry& row = m_device_table[m_device_index < 0 ? 0 : m_device_index];
  std::string address;
  if (const DeviceEntry* selected = selected_row())
    address.assign(selected->ip, strnlen(selected->ip, sizeof selected->ip));
  Target t = Target::lan(address, row.dev_type, row.dev_id);
  t.medium = m_eState == 0 ? Medium::Lan : m_eState == 1 ? Medium::Serial : Medium::None;
  return t;
}

Target DeviceLink::switcher_target() const {
  // While the held link is open the worker reads it too: it gets the target
  // taken when the link opened, never the selected row, which the operator
  // may change under it.
  if (m_switcher_link_open) return m_switcher_link_target;
  // The row's type and id as every frame needs them, and nothing of the
  // connection mode (the held sockets are LAN sockets whatever it says).
  const LinkOptions& o = link_options();
  const DeviceEntry& row = m_device_table[m_device_index < 0 ? 0 : m_device_index];
  Target t =
      Target::lan(m_device_index < 0 ? std::string() : m_device_table.address(m_device_index),
                  row.dev_type, row.dev_id);
  return t.on_ports(o.switcher_device_port, o.switcher_bind_port);
}

DeviceLink::HeldSockets DeviceLink::open_switcher_link() {
  // The command socket from the command port, aimed at the device's
  // switcher port for the page's life.
  const LinkOptions& o = link_options();
  HeldSockets held;
  held.command = open_udp_socket(m_udpSockfd, o.bind_port, o.switcher_device_port);
  m_switcher_link_open = false;
  m_switcher_link_target = switcher_target();
  m_switcher_link_open = true;
  return held;
}

void DeviceLink::close_switcher_link() {
  m_switcher_link_open = false;
  close_command_socket();
}

DeviceLink::SerialExchange DeviceLink::start_serial_exchange(std::span<const uint8_t> request) {
  const SerialExchange exchange{tick_ms(), m_comm.generation()};
  std::memset(m_com_recv_buf, 0, sizeof m_com_recv_buf);
  m_com_recv_len = 0;
  m_comm.drain_input();
  m_comm.write_port(request.data(), request.size());
  return exchange;
}

Outcome DeviceLink::poll_serial_reply(const SerialExchange& exchange, uint32_t bound_ms,
                                      uint32_t step_ms,
                                      const std::function<void(uint32_t)>& on_pass) {
  const uint32_t t0 = exchange.t0;
  for (;;) {
    if (m_comm.generation() != exchange.generation || !m_comm.is_open()) {
      trace(lcLink(), "serial port closed or reopened during the exchange\n");
      return Outcome::failed("serial port closed or reopened during the exchange");
    }
    if (m_comm.line_lost()) {
      m_link_health.unanswered(LinkHealth::serial_key(m_comm.port_name()));
      return Outcome::failed("serial line hung up");
    }
    poll_serial_input();
    if (parse_serial_reply(m_com_recv_buf, m_com_recv_len) > 0) {
      m_link_health.answered(LinkHealth::serial_key(m_comm.port_name()));
      return Outcome::answered();
    }
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > bound_ms) {
      m_link_health.unanswered(LinkHealth::serial_key(m_comm.port_name()));
      return Outcome::unanswered();
    }
    if (on_pass) on_pass(elapsed);
    m_comm.wait_input(std::min(step_ms, bound_ms - elapsed + 1));
  }
}

QString DeviceLink::address_text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return QString::fromLatin1(text);
}

void DeviceLink::store_serial_state_reply(std::span<const uint8_t>) {}
