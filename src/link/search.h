#pragma once
// The device searches, written once for the panel's scan and kelvaro-ctl's
// discover. Both run for two seconds on the calling thread; every wait
// sleeps (on the user-interface thread in a local event loop that keeps the
// window painting while operator input is held back).
//
// LAN: the search request (link byte 01) goes to the search address from
// the command port, with broadcast allowed, on a socket of the search's own.
// Every datagram that arrives within the two seconds is handed over, repeats
// included. A malformed datagram (one that is not a full reply holding a
// device type) and a multiviewer's reply are followed by a 50 ms rest that
// ends early when the next datagram is already queued, so a burst of
// replies from many devices is read in full.
//
// Serial: the input is emptied, the request (link byte 00) written, and the
// serial reply reader takes the first search reply within the two seconds.
#include <netinet/in.h>

#include <QString>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "link/transport.h"

class DeviceLink;

constexpr uint32_t kSearchMs = 2000;
constexpr uint32_t kSearchRestMs = 50;
// The longest sleep between two passes over the serial input, and between
// two moves of the scan's progress bar while nothing arrives.
constexpr uint32_t kSearchStepMs = 100;
// Offsets of the device type and id in a search reply.
constexpr size_t kSearchReplyTypeOffset = 4;
constexpr size_t kSearchReplyIdOffset = 5;

struct SearchCallbacks {
  // The search has its socket (LAN) or port (serial) and is about to send.
  std::function<void()> on_started;
  // LAN: why the socket could not have the command port (empty when it has
  // it), told before the request goes out.
  std::function<void(const std::string& bind_error)> on_bound;
  // LAN: one datagram, its sender and the names it carries (often none).
  std::function<void(const sockaddr_in& from, std::span<const uint8_t> reply,
                     const std::vector<QString>& names)>
      on_reply;
  // The time elapsed since the request, after each pass that found nothing
  // (and on the LAN before each pass).
  std::function<void(uint32_t elapsed_ms)> on_progress;
  // Asked after every wait: false ends the search at once (its owner went
  // away while the wait ran events).
  std::function<bool()> still_wanted;
};

// The devices a LAN search found: each distinct (address, type, id, name)
// once, in the order first heard, and at most `room` of them, so repeated
// or forged replies never list a device twice nor push out rows the
// operator named. Work per reply is bounded by the names it carries.
class SearchFindings {
 public:
  struct Device {
    QString name;
    std::string address;
    uint8_t type = 0;
    uint8_t id = 0;
  };
  explicit SearchFindings(size_t room) : m_room(room) {}
  // Adds the devices of one reply (its sender and the names it carries) not
  // listed yet, while there is room; returns how many it added: they are the
  // last ones of devices().
  size_t add(const sockaddr_in& from, std::span<const uint8_t> reply,
             const std::vector<QString>& names);
  const std::vector<Device>& devices() const { return m_devices; }

 private:
  size_t m_room;
  std::vector<Device> m_devices;
  std::set<std::tuple<std::string, uint8_t, uint8_t, QString>> m_listed;
};

// Answered when at least one datagram named a device, Unanswered when none
// did. Failed before on_started when no socket could be had; failed after
// the whole two seconds when the request was refused or, with nothing
// answering, the command port could not be bound (the request then went out
// from a port the system chose). step_ms bounds each sleep, so progress can
// be shown; 0 sleeps until a datagram or the end.
Outcome search_lan(const SearchCallbacks& callbacks, uint32_t step_ms);

// Answered when the reader found a search reply: its name is then in
// link.m_com_dev_name, its type in link.m_main_com_dev_type and its id in
// row 0 of link.m_device_table, as the reader stores them. Failed when the
// port is not open or went away during the search.
Outcome search_serial(DeviceLink& link, const SearchCallbacks& callbacks, uint32_t step_ms);
