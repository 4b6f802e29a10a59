#pragma once
// The device-link half of the main window's shared state: connection mode,
// UDP sockets and destination, device table and selected row, the serial port
// and its receive accumulation, and the transports over them. The main
// window derives from it, so every field keeps its name there; kelvaro-ctl
// uses one without a window. Only this class, its transports
// (link/transport.h) and the searches (link/search.h) touch sockets and the
// port; device operations (src/devices) go through the transports.
#include <netinet/in.h>

#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "link/control_frame.h"
#include "link/device_table.h"
#include "link/link_health.h"
#include "link/report_feed.h"
#include "link/serial_comm.h"
#include "link/transport.h"

constexpr size_t kPageReplyBufferSize = 1024;
constexpr size_t kSearchReplyBufferSize = 128;
constexpr size_t kComRecvBufSize = 1024;

class DeviceLink {
 public:
  DeviceLink();
  virtual ~DeviceLink();

  // ---- shared state (names as every page uses them) ----
  int32_t m_eState = 0;        // 0 = LAN (UDP), 1 = serial port
  int m_udpSockfd = -1;        // command socket, -1 when closed
  int m_udpSockfd2 = -1;       // switcher's report socket, -1 when closed
  sockaddr_in m_dev_addr{};    // destination of every send on the held sockets
  int8_t m_device_index = -1;  // selected row; negative = none
  DeviceTable m_device_table;  // rows and list items, one to one
  // What each device's link really did (the main window's link light).
  // Declared before m_comm, which reports its opening and closing here until
  // it is destroyed.
  LinkHealth m_link_health;
  CSerialComm m_comm;
  uint8_t m_com_recv_buf[kComRecvBufSize]{};
  uint32_t m_com_recv_len = 0;
  uint8_t m_main_com_dev_type = 0;  // device type learned by the serial search
  QString m_com_dev_name;           // device name learned by the serial search

  // ---- network stack and the page-held sockets ----
  // m_udpSockfd with m_dev_addr belongs to a page that keeps its socket for
  // its whole life (the switcher); m_udpSockfd2 to the switcher's report
  // feed. Every other exchange owns a socket and destination of its own
  // (link/exchange.h) and never touches these.
  bool net_start();
  bool open_command_socket();
  bool close_command_socket();

  // One datagram of exactly these bytes to m_dev_addr on m_udpSockfd.
  // Empty when it went out, otherwise why not.
  std::string send_datagram(std::span<const uint8_t> bytes);
  // Same on another socket.
  std::string send_datagram_on(int fd, std::span<const uint8_t> bytes);

  // The selected row's address on the given device port. With no row
  // selected the operator is told "Please choose a device".
  std::optional<sockaddr_in> selected_destination(uint16_t device_port) const;

  // Sender of the datagram the last query took.
  sockaddr_in m_last_reply_addr{};

  // Serial reply reader over the accumulated bytes (see serial_reply.cpp).
  int parse_serial_reply(const uint8_t* buffer, uint32_t count);
  // Appends bytes to m_com_recv_buf with the 1024-byte rule: when they would
  // overflow, the buffer is cleared first and holds only the new bytes.
  void accumulate_serial_bytes(const uint8_t* bytes, uint32_t n);
  // One polling pass: reads at most 256 waiting bytes and accumulates them.
  void poll_serial_input();
  // A serial exchange as it started: when, and on which opening of the port.
  struct SerialExchange {
    uint32_t t0;
    uint64_t generation;
  };
  // The sending half of a serial exchange: empties the accumulation buffer
  // and the port's input (bytes kept from an earlier exchange would be found
  // again by the reader, which rescans the whole buffer), then writes the
  // request.
  SerialExchange start_serial_exchange(std::span<const uint8_t> request);
  // The polling half: passes over the input until the reader finds a reply
  // (answered, the frame in m_serial_reply) or more than bound_ms have passed
  // since the start (unanswered), sleeping at most step_ms between passes;
  // `on_pass` sees the elapsed time after each empty pass. Ends at once,
  // failed, when the port has been closed or reopened since the request was
  // written (also during a pause between the two halves), so a reply on
  // another line is never taken for this one.
  Outcome poll_serial_reply(const SerialExchange& exchange, uint32_t bound_ms, uint32_t step_ms,
                            const std::function<void(uint32_t elapsed)>& on_pass = {});
  // The frame the serial reply reader took last (a search or state reply).
  std::vector<uint8_t> m_serial_reply;

  // ---- the transport seam ----
  // UDP, the serial line and "no mode", for the device operations.
  Transports transports() { return {m_udp_transport, m_serial_transport, m_no_transport}; }
  // The switcher page's held sockets, while they are open.
  Transport& held_transport() { return m_held_transport; }
  // The device the pages talk to: the selected row (row 0's type and id when
  // none is selected, as a serial address change before any search needs),
  // over the medium m_eState names, on the command ports. A LAN target
  // without a selected row has no address; its exchanges tell the operator
  // "Please choose a device".
  Target device_target() const;
  // The same device over the LAN on the switcher's ports, whatever the
  // mode. While the switcher link is open, the target as it was when the
  // link opened: safe from the T-bar worker whatever the operator selects.
  Target switcher_target() const;
  // The switcher page's command socket for its life, from the command port
  // and aimed at the selected device's switcher port. `command` says whether
  // it opened. close_switcher_link closes it.
  struct HeldSockets {
    bool command = false;
  };
  HeldSockets open_switcher_link();
  void close_switcher_link();

  // ---- the switcher's reports ----
  // The report socket (m_udpSockfd2, bound to the switcher report port) and
  // the thread that reads it are shared by everyone who follows a switcher's
  // reports: the switcher page while it is open, the show while it names a
  // switcher (see link/report_feed.h for the roles). They open with the
  // first follower and close with the last. `handler` runs on the feed's
  // thread. Reports heard mark the switcher's link as answering (the link
  // light), at most once a second. 0 when the socket cannot be had (the operator is told about a
  // port another program holds). User-interface thread only.
  uint64_t follow_switcher_reports(in_addr from, ReportFeed::Role role,
                                   ReportFeed::Handler handler);
  // After it returns the handler never runs again.
  void unfollow_switcher_reports(uint64_t token);
  bool switcher_reports_open() const { return m_report_feed.running(); }
  // The page-held command socket's descriptor when it is bound to `port`,
  // otherwise -1. A query from that port can only hear its reply there.
  int held_command_socket_on(uint16_t port) const;

  // ---- local ports the operator must hear about ----
  // Every UDP exchange binds a local port (the command port, or the
  // switcher's report port for its second socket); `bind_error` is empty
  // when it got it. A port another program holds is told to the operator
  // once, in the error box, with the command-line option that moves it; it
  // is told again only after a bind on that port has succeeded in between,
  // so a flood of exchanges brings one box, not one each. The box comes
  // after the running exchange (and any wait) has ended, on the user-
  // interface thread; a tool without a window only traces it. Safe from
  // any thread.
  void note_local_port(uint16_t port, const std::string& bind_error);
  // The operator's text for a local port that could not be bound.
  static QString local_port_notice(uint16_t port, const std::string& bind_error);
  // The operator's text for a serial line that hung up.
  static QString serial_lost_notice(const std::string& port_name);

  // The selected row, or nullptr when none is selected.
  const DeviceEntry* selected_row() const;
  // "a.b.c.d" of an address (m_dev_addr by default).
  QString dev_addr_text() const { return address_text(m_dev_addr); }
  static QString address_text(const sockaddr_in& address);

 protected:
  // Told of each multiviewer state reply the serial reader takes (the whole
  // frame as received, also kept in m_serial_reply); the device operation
  // that asked decodes it. The reader's tests and fuzz target watch here.
  virtual void store_serial_state_reply(std::span<const uint8_t> frame);
  // Closes the serial port after its line hung up. The main window closes
  // it the way the settings dialog's Disconnect does.
  virtual void close_lost_serial_port();

 private:
  bool open_udp_socket(int& fd, uint16_t bind_port, uint16_t device_port);
  // A non-blocking socket bound to the local port, or -1 (the operator is
  // told when another program holds the port).
  int bound_udp_socket(uint16_t bind_port);
  bool open_report_socket();
  // The serial line of opening `generation` hung up (user-interface thread):
  // the port is closed and the operator told, once the running exchange
  // and any wait have ended; nothing happens when the port has been closed
  // or reopened since.
  void serial_line_lost(uint64_t generation);
  // Shows `text` in the error box once the running exchange has ended.
  void tell_operator(const QString& text);
  // True when one of the page-held sockets is bound to `port`: a bind that
  // fails on it is this panel's own doing, not another program's.
  bool held_socket_on(uint16_t port) const;
  // True when the open socket `fd` is bound to the local `port`.
  static bool bound_to(int fd, uint16_t port);
  // Stops the report feed's thread and closes its socket.
  void close_report_feed();
  std::mutex m_port_notice_mutex;
  std::set<uint16_t> m_ports_told;  // guarded by m_port_notice_mutex
  UdpTransport m_udp_transport{*this};
  SerialTransport m_serial_transport{*this};
  NoTransport m_no_transport;
  HeldUdpTransport m_held_transport{*this};
  bool m_net_started = false;
  // The switcher link's target, written only on the user-interface thread
  // while no worker runs (before the page starts them, after it has joined
  // them).
  bool m_switcher_link_open = false;
  Target m_switcher_link_target;
  ReportFeed m_report_feed;
};
