#include "devsim/simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "devsim/sim_device.h"
#include "devsim/wire.h"

namespace devsim {

namespace {

using Clock = std::chrono::steady_clock;

// Never contains A5, so a reader that looks for the start of a frame skips it.
constexpr uint8_t kGarbage[] = {0x55, 0x00, 0xFF, 0x13, 0x37, 0x42, 0x99, 0x10};
constexpr size_t kMaxSerialBacklog = 64 * 1024;
constexpr auto kFloodTick = std::chrono::milliseconds(10);

std::string address_text(const sockaddr_in& a) {
  char ip[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
  return std::string(ip) + ":" + std::to_string(ntohs(a.sin_port));
}

std::string ip_text(in_addr a) {
  char ip[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a, ip, sizeof ip);
  return ip;
}

const char* default_base_name(Kind kind) {
  switch (kind) {
    case Kind::Multiviewer:
      return "MV16";
    case Kind::Matrix:
      return "MATRIX";
    case Kind::Switcher:
      return "SWITCHER";
    case Kind::Rk5502:
      return "RK5502";
    case Kind::Tm3306:
      return "TM3306";
    case Kind::Generic:
      return "DEVICE";
  }
  return "DEVICE";
}

}  // namespace

std::string default_device_name(Kind kind, int ordinal) {
  return std::string(default_base_name(kind)) + "_" + std::to_string(ordinal);
}

namespace {

int open_udp(const std::string& address, uint16_t port, bool share_port, std::string* error) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (share_port) ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (error)
      *error = "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

struct Simulator::Endpoint {
  int fd = -1;
  int device = -1;  // -1: the shared search socket
  uint16_t local_port = 0;
  bool switcher_port = false;
};

struct Simulator::Pending {
  enum class Type { Send, Report } type = Type::Send;
  Clock::time_point due;
  uint64_t sequence = 0;
  int device = -1;
  Transport transport = Transport::Udp;
  int fd = -1;
  sockaddr_in to{};
  std::vector<uint8_t> bytes;
  Report report;
};

struct Simulator::DeviceSlot {
  std::unique_ptr<SimDevice> device;
  DeviceInfo info;
  Faults faults;
  int command_fd = -1;
  int switcher_fd = -1;
  bool panel_known = false;
  sockaddr_in panel{};  // the last panel address that spoke to this device
  size_t reports_sent = 0;
  Clock::time_point next_flood{};
  unsigned flood_counter = 0;
};

Simulator::Simulator(Options options) : m_options(std::move(options)) {
  int per_kind[6] = {};
  for (size_t i = 0; i < m_options.devices.size(); ++i) {
    const DeviceSpec& spec = m_options.devices[i];
    const Kind kind = kind_for_type(spec.type);
    std::string name = spec.name;
    ++per_kind[static_cast<int>(kind)];
    if (name.empty()) name = default_device_name(kind, per_kind[static_cast<int>(kind)]);
    auto slot = std::make_unique<DeviceSlot>();
    slot->device = make_device(spec.type, spec.id, name);
    slot->info.index = static_cast<int>(i);
    slot->info.kind = kind;
    slot->info.type = spec.type;
    slot->info.id = spec.id;
    slot->info.name = name;
    slot->info.transport = spec.transport;
    m_devices.push_back(std::move(slot));
  }
}

Simulator::~Simulator() { stop(); }

bool Simulator::start(std::string* error) {
  if (running()) return true;
  std::string why;
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    close_all();
    return false;
  };
  m_wake_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_wake_fd < 0) return fail("eventfd failed");

  in_addr first{};
  if (inet_pton(AF_INET, m_options.first_address.c_str(), &first) != 1)
    return fail("bad first address " + m_options.first_address);
  uint32_t next_address = ntohl(first.s_addr);
  bool any_lan = false;
  for (auto& slot : m_devices) {
    DeviceInfo& info = slot->info;
    if (info.transport == Transport::Serial) {
      if (m_serial_device >= 0) return fail("only one device can sit on the serial line");
      m_serial_device = info.index;
      continue;
    }
    any_lan = true;
    in_addr a{htonl(next_address++)};
    info.address = ip_text(a);
    info.port = m_options.device_port;
    slot->command_fd = open_udp(info.address, m_options.device_port, false, &why);
    if (slot->command_fd < 0) return fail(why);
    m_endpoints.push_back(std::make_unique<Endpoint>(
        Endpoint{slot->command_fd, info.index, m_options.device_port, false}));
    if (info.kind == Kind::Switcher) {
      info.switcher_port = m_options.switcher_device_port;
      if (m_options.switcher_device_port == m_options.device_port) {
        slot->switcher_fd = slot->command_fd;
      } else {
        slot->switcher_fd = open_udp(info.address, m_options.switcher_device_port, false, &why);
        if (slot->switcher_fd < 0) return fail(why);
        m_endpoints.push_back(std::make_unique<Endpoint>(
            Endpoint{slot->switcher_fd, info.index, m_options.switcher_device_port, true}));
      }
    }
  }
  if (any_lan) {
    m_search_fd = open_udp(m_options.search_address, m_options.device_port, true, &why);
    if (m_search_fd < 0) return fail(why);
    m_endpoints.push_back(
        std::make_unique<Endpoint>(Endpoint{m_search_fd, -1, m_options.device_port, false}));
  }

  if (m_serial_device >= 0) {
    m_pty_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (m_pty_master < 0 || ::grantpt(m_pty_master) != 0 || ::unlockpt(m_pty_master) != 0 ||
        ::ptsname_r(m_pty_master, name, sizeof name) != 0)
      return fail(std::string("pseudo-terminal: ") + std::strerror(errno));
    ::fcntl(m_pty_master, F_SETFL, ::fcntl(m_pty_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_pty_master, F_SETFD, FD_CLOEXEC);
    m_pty_name = name;
    // Our own hold on the slave side: the line stays up while the panel
    // closes and reopens the port, and it starts raw (no echo, no translation).
    m_pty_hold = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_pty_hold < 0) return fail(std::string("open ") + name + ": " + std::strerror(errno));
    termios t{};
    if (::tcgetattr(m_pty_hold, &t) == 0) {
      ::cfmakeraw(&t);
      ::cfsetispeed(&t, B115200);
      ::cfsetospeed(&t, B115200);
      ::tcsetattr(m_pty_hold, TCSANOW, &t);
    }
    m_devices[m_serial_device]->info.address = m_pty_name;
  }

  m_stop = false;
  m_thread = std::thread([this] { run(); });
  return true;
}

void Simulator::stop() {
  if (m_thread.joinable()) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    wake();
    m_thread.join();
  }
  close_all();
}

void Simulator::close_all() {
  for (auto& slot : m_devices) {
    if (slot->switcher_fd >= 0 && slot->switcher_fd != slot->command_fd) ::close(slot->switcher_fd);
    if (slot->command_fd >= 0) ::close(slot->command_fd);
    slot->command_fd = slot->switcher_fd = -1;
  }
  m_endpoints.clear();
  for (int* fd : {&m_search_fd, &m_wake_fd, &m_pty_master, &m_pty_hold}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  m_serial_device = -1;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pending.clear();
  m_serial_out.clear();
}

void Simulator::wake() {
  if (m_wake_fd < 0) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(m_wake_fd, &one, sizeof one);
}

// ---------------------------------------------------------------- the thread

void Simulator::run() {
  std::vector<pollfd> fds;
  for (;;) {
    int timeout_ms = -1;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_stop) break;
      std::optional<Clock::time_point> next = m_assembler.deadline();
      for (const auto& p : m_pending)
        if (!next || p->due < *next) next = p->due;
      for (const auto& slot : m_devices)
        if (slot->faults.flood_per_second > 0 && (!next || slot->next_flood < *next))
          next = slot->next_flood;
      if (next) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
        timeout_ms = static_cast<int>(std::max<int64_t>(0, wait.count()));
      }
      fds.clear();
      fds.push_back({m_wake_fd, POLLIN, 0});
      for (const auto& ep : m_endpoints) fds.push_back({ep->fd, POLLIN, 0});
      if (m_pty_master >= 0)
        fds.push_back(
            {m_pty_master, static_cast<short>(POLLIN | (m_serial_out.empty() ? 0 : POLLOUT)), 0});
    }
    const int n = ::poll(fds.data(), fds.size(), timeout_ms);
    if (n < 0 && errno != EINTR) break;
    if (n > 0) {
      if (fds[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t r = ::read(m_wake_fd, &count, sizeof count);
      }
      for (size_t i = 0; i < m_endpoints.size(); ++i)
        if (fds[1 + i].revents & POLLIN) receive_udp(*m_endpoints[i]);
      if (m_pty_master >= 0) {
        const short ev = fds.back().revents;
        if (ev & POLLIN) receive_serial();
        if (ev & POLLOUT) {
          std::lock_guard<std::mutex> lock(m_mutex);
          flush_serial();
        }
      }
    }
    const auto now = Clock::now();
    std::vector<SerialAssembler::Unit> stale;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      run_due(now);
      flood(now);
      stale = m_assembler.expire(now);
    }
    for (auto& u : stale)
      handle_unit(m_serial_device, Transport::Serial, std::move(u.bytes), u.text, u.problem,
                  nullptr, 0, m_pty_name, false, -1);
  }
}

void Simulator::receive_udp(Endpoint& ep) {
  uint8_t buffer[2048];
  for (int k = 0; k < 64; ++k) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n =
        ::recvfrom(ep.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return;
    std::vector<uint8_t> bytes(buffer, buffer + n);
    const bool text = n > 0 && buffer[0] != kStart0;
    std::string problem;
    if (n == 0) problem = "empty datagram";
    handle_unit(ep.device, Transport::Udp, std::move(bytes), text, problem, &from, ep.local_port,
                address_text(from), ep.device < 0, ep.fd);
  }
}

void Simulator::receive_serial() {
  uint8_t buffer[1024];
  for (;;) {
    const ssize_t n = ::read(m_pty_master, buffer, sizeof buffer);
    if (n <= 0) return;
    std::vector<SerialAssembler::Unit> units;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      units =
          m_assembler.feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)), Clock::now());
    }
    for (auto& u : units)
      handle_unit(m_serial_device, Transport::Serial, std::move(u.bytes), u.text, u.problem,
                  nullptr, 0, m_pty_name, false, -1);
  }
}

void Simulator::handle_unit(int device, Transport transport, std::vector<uint8_t> bytes, bool text,
                            std::string problem, const sockaddr_in* from, uint16_t local_port,
                            const std::string& sender, bool broadcast, int reply_fd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReceivedFrame r;
  r.time = Clock::now();
  r.device = device;
  r.transport = transport;
  r.sender = sender;
  r.local_port = local_port;
  r.text = text;
  if (problem.empty()) {
    if (text) {
      MatrixCommand c;
      const std::string t(bytes.begin(), bytes.end());
      problem = parse_matrix_text(t, c);
      if (!problem.empty()) problem = "text command: " + problem;
    } else {
      problem = check_frame(bytes, transport == Transport::Udp ? kLinkUdp : kLinkSerial);
    }
  }
  r.bad = !problem.empty();
  r.problem = problem;
  if (!r.bad) {
    if (broadcast) {
      // Every device on the LAN hears a broadcast.
      bool any_match = false;
      for (auto& slot : m_devices) {
        if (slot->info.transport != Transport::Udp) continue;
        ReceivedFrame each = r;
        each.misaddressed = false;
        dispatch(slot->info.index, transport, bytes, text, each, from, slot->command_fd);
        if (each.rejected && !r.rejected) {
          r.rejected = true;
          r.problem = each.problem;
        }
        if (!each.misaddressed) any_match = true;
      }
      r.misaddressed = !any_match;
    } else if (device >= 0) {
      dispatch(device, transport, bytes, text, r, from, reply_fd);
    }
  }
  r.bytes = std::move(bytes);
  record(std::move(r));
}

void Simulator::dispatch(int device, Transport transport, const std::vector<uint8_t>& bytes,
                         bool text, ReceivedFrame& r, const sockaddr_in* from, int reply_fd) {
  DeviceSlot& slot = *m_devices[device];
  if (from) {
    slot.panel = *from;
    slot.panel_known = true;
  }
  Handled h;
  if (text) {
    h = slot.device->handle_text(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } else {
    FrameView f{bytes};
    const bool search =
        f.command() == kSearchCommand && f.type() == kSearchType && f.id() == kSearchId;
    r.misaddressed = !search && (f.type() != slot.info.type || f.id() != slot.info.id);
    ReplyStyle style;
    style.label_length = slot.faults.label_length;
    h = slot.device->handle_frame(f, transport == Transport::Udp ? kLinkUdp : kLinkSerial, style);
  }
  if (!h.rejected.empty()) {
    r.rejected = true;
    r.problem = h.rejected;
  }
  if (h.replies.empty()) return;
  if (transport == Transport::Serial) {
    queue_replies(device, transport, std::move(h.replies), nullptr, -1);
  } else if (from) {
    // A reply leaves from the socket the request reached (the device's own
    // address); broadcasts are answered from the command socket.
    sockaddr_in to = *from;
    if (m_options.bind_port) to.sin_port = htons(m_options.bind_port);
    queue_replies(device, transport, std::move(h.replies), &to, reply_fd);
  }
}

void Simulator::queue_replies(int device, Transport transport,
                              std::vector<std::vector<uint8_t>> replies, const sockaddr_in* to,
                              int fd) {
  DeviceSlot& slot = *m_devices[device];
  Faults& f = slot.faults;
  const sockaddr_in dest = to ? *to : sockaddr_in{};
  const auto due = Clock::now() + std::chrono::milliseconds(std::max(0, f.reply_delay_ms));
  for (auto& reply : replies) {
    if (f.drop_replies != 0) {
      if (f.drop_replies > 0) --f.drop_replies;
      continue;
    }
    if (f.wrong_command && reply.size() > 16) {
      ++reply[16];
      reseal(reply);
    }
    if (f.truncate_to && f.truncate_to < reply.size()) reply.resize(f.truncate_to);
    if (f.garbage_bytes) {
      std::vector<uint8_t> junk(f.garbage_bytes);
      for (size_t i = 0; i < junk.size(); ++i) junk[i] = kGarbage[i % sizeof kGarbage];
      queue_send(due, device, transport, fd, dest, std::move(junk));
    }
    for (int copy = 0; copy <= std::max(0, f.duplicates); ++copy)
      queue_send(due, device, transport, fd, dest, reply);
  }
  run_due(Clock::now());
}

void Simulator::queue_send(Clock::time_point due, int device, Transport transport, int fd,
                           const sockaddr_in& to, std::vector<uint8_t> bytes) {
  auto p = std::make_unique<Pending>();
  p->type = Pending::Type::Send;
  p->due = due;
  p->sequence = m_sequence++;
  p->device = device;
  p->transport = transport;
  p->fd = fd;
  p->to = to;
  p->bytes = std::move(bytes);
  m_pending.push_back(std::move(p));
}

void Simulator::queue_report_locked(int device, Report report, Clock::time_point due) {
  auto p = std::make_unique<Pending>();
  p->type = Pending::Type::Report;
  p->due = due;
  p->sequence = m_sequence++;
  p->device = device;
  p->transport = m_devices[device]->info.transport;
  p->report = std::move(report);
  m_pending.push_back(std::move(p));
}

void Simulator::run_due(Clock::time_point now) {
  for (;;) {
    auto it =
        std::min_element(m_pending.begin(), m_pending.end(), [](const auto& a, const auto& b) {
          return a->due != b->due ? a->due < b->due : a->sequence < b->sequence;
        });
    if (it == m_pending.end() || (*it)->due > now) return;
    std::unique_ptr<Pending> p = std::move(*it);
    m_pending.erase(it);
    send_now(*p);
  }
}

void Simulator::send_now(const Pending& p) {
  DeviceSlot& slot = *m_devices[p.device];
  if (p.type == Pending::Type::Send) {
    if (p.transport == Transport::Serial)
      write_serial(p.bytes);
    else if (p.fd >= 0)
      ::sendto(p.fd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&p.to),
               sizeof p.to);
    return;
  }
  auto* sw = dynamic_cast<SwitcherDevice*>(slot.device.get());
  if (!sw) return;
  if (p.transport == Transport::Serial) {
    write_serial(sw->make_report(p.report, kLinkSerial));
    ++slot.reports_sent;
    return;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  if (slot.panel_known) {
    to.sin_addr = slot.panel.sin_addr;
    to.sin_port = slot.panel.sin_port;
  } else {
    inet_pton(AF_INET, m_options.panel_address.c_str(), &to.sin_addr);
  }
  if (m_options.switcher_bind_port) to.sin_port = htons(m_options.switcher_bind_port);
  if (to.sin_port == 0) return;  // nowhere to send it yet
  const std::vector<uint8_t> frame = sw->make_report(p.report, kLinkUdp);
  const int fd = slot.switcher_fd >= 0 ? slot.switcher_fd : slot.command_fd;
  if (fd < 0) return;
  ::sendto(fd, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  ++slot.reports_sent;
}

void Simulator::flood(Clock::time_point now) {
  for (auto& slot : m_devices) {
    const int rate = slot->faults.flood_per_second;
    if (rate <= 0 || slot->info.kind != Kind::Switcher || now < slot->next_flood) continue;
    auto* sw = static_cast<SwitcherDevice*>(slot->device.get());
    const int burst = std::max(1, rate / 100);
    for (int k = 0; k < burst; ++k) {
      // T-bar moves that never reach the far end, so the flood changes no source.
      const uint8_t value = static_cast<uint8_t>(2 + slot->flood_counter++ % 126);
      Pending p;
      p.type = Pending::Type::Report;
      p.device = slot->info.index;
      p.transport = slot->info.transport;
      p.report = Report::tbar(sw->state.tbar_direction, value);
      send_now(p);
    }
    slot->next_flood = now + kFloodTick;
  }
}

void Simulator::write_serial(const std::vector<uint8_t>& bytes) {
  if (m_pty_master < 0) return;
  if (m_serial_out.size() + bytes.size() > kMaxSerialBacklog) return;  // nobody reads the line
  m_serial_out.insert(m_serial_out.end(), bytes.begin(), bytes.end());
  flush_serial();
  if (!m_serial_out.empty()) wake();
}

void Simulator::flush_serial() {
  while (!m_serial_out.empty() && m_pty_master >= 0) {
    const ssize_t n = ::write(m_pty_master, m_serial_out.data(), m_serial_out.size());
    if (n > 0) {
      m_serial_out.erase(m_serial_out.begin(), m_serial_out.begin() + n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    m_serial_out.clear();  // the line is gone
    return;
  }
}

void Simulator::record(ReceivedFrame&& r) {
  if (m_log) m_log(r);
  m_frames.push_back(std::move(r));
  m_cv.notify_all();
}

// ---------------------------------------------------------------- queries

DeviceInfo Simulator::device(int index) const {
  if (index < 0 || index >= device_count()) throw std::out_of_range("no such simulated device");
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_devices[index]->info;
}

std::vector<DeviceInfo> Simulator::devices() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<DeviceInfo> out;
  for (const auto& slot : m_devices) out.push_back(slot->info);
  return out;
}

std::vector<ReceivedFrame> Simulator::frames() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_frames;
}

std::vector<ReceivedFrame> Simulator::frames(const FrameFilter& match) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<ReceivedFrame> out;
  for (const auto& f : m_frames)
    if (!match || match(f)) out.push_back(f);
  return out;
}

size_t Simulator::frame_count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_frames.size();
}

bool Simulator::wait_for_frames(size_t count, std::chrono::milliseconds timeout,
                                const FrameFilter& match) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, timeout, [&] {
    if (!match) return m_frames.size() >= count;
    size_t n = 0;
    for (const auto& f : m_frames)
      if (match(f)) ++n;
    return n >= count;
  });
}

size_t Simulator::bad_frame_count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<size_t>(
      std::count_if(m_frames.begin(), m_frames.end(), [](const auto& f) { return f.bad; }));
}

size_t Simulator::rejected_count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<size_t>(
      std::count_if(m_frames.begin(), m_frames.end(), [](const auto& f) { return f.rejected; }));
}

size_t Simulator::misaddressed_count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<size_t>(std::count_if(m_frames.begin(), m_frames.end(),
                                           [](const auto& f) { return f.misaddressed; }));
}

void Simulator::clear_frames() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_frames.clear();
}

template <class D>
D& Simulator::device_as(int index) const {
  if (index < 0 || index >= static_cast<int>(m_devices.size()))
    throw std::logic_error("no simulated device " + std::to_string(index));
  auto* d = dynamic_cast<D*>(m_devices[index]->device.get());
  if (!d)
    throw std::logic_error("simulated device " + std::to_string(index) + " is a " +
                           kind_name(m_devices[index]->info.kind));
  return *d;
}

#define DEVSIM_STATE_ACCESSORS(Name, Device, State)                    \
  State Simulator::Name##_state(int device) const {                    \
    std::lock_guard<std::mutex> lock(m_mutex);                         \
    return device_as<Device>(device).state;                            \
  }                                                                    \
  void Simulator::set_##Name##_state(int device, const State& state) { \
    std::lock_guard<std::mutex> lock(m_mutex);                         \
    device_as<Device>(device).state = state;                           \
  }

DEVSIM_STATE_ACCESSORS(multiviewer, MultiviewerDevice, MultiviewerState)
DEVSIM_STATE_ACCESSORS(matrix, MatrixDevice, MatrixState)
DEVSIM_STATE_ACCESSORS(switcher, SwitcherDevice, SwitcherState)
DEVSIM_STATE_ACCESSORS(rk5502, Rk5502Device, Rk5502State)
DEVSIM_STATE_ACCESSORS(tm3306, Tm3306Device, Tm3306State)
#undef DEVSIM_STATE_ACCESSORS

void Simulator::set_faults(int device, const Faults& faults) {
  if (device < 0 || device >= device_count()) throw std::out_of_range("no such simulated device");
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices[device]->faults = faults;
    m_devices[device]->next_flood = Clock::now();
  }
  wake();
}

Faults Simulator::faults(int device) const {
  if (device < 0 || device >= device_count()) throw std::out_of_range("no such simulated device");
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_devices[device]->faults;
}

void Simulator::send_report(int device, const Report& report) {
  send_reports(device, {report}, std::chrono::milliseconds(0));
}

void Simulator::send_reports(int device, const std::vector<Report>& reports,
                             std::chrono::milliseconds gap) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    device_as<SwitcherDevice>(device);
    const auto now = Clock::now();
    for (size_t i = 0; i < reports.size(); ++i)
      queue_report_locked(device, reports[i], now + gap * static_cast<int>(i));
    if (!running()) run_due(now);
  }
  wake();
}

size_t Simulator::reports_sent(int device) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  device_as<SwitcherDevice>(device);
  return m_devices[device]->reports_sent;
}

void Simulator::set_log(std::function<void(const ReceivedFrame&)> log) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_log = std::move(log);
}

}  // namespace devsim
