#include "devices/processor/processor_device.h"

#include <memory>

#include "devices/device_frame.h"
#include "link/trace.h"

namespace {
// The layout frame, 21 bytes: the envelope around command 0x94 and the code.
std::vector<uint8_t> layout_frame(const Target& target, Link link, uint8_t code) {
  const uint8_t payload[] = {code};
  return device_frame(target, link, processor_cmd::kLayout, payload);
}
}  // namespace

namespace rk5502_device {

Outcome set_layout(const Transports& t, const Target& target, uint8_t code) {
  const uint8_t payload[] = {code};
  return send_command_lan(t, target, processor_cmd::kLayout, payload);
}

Outcome query_state(const Transports& t, const Target& target, StateDone done) {
  // Kept here until the exchange ends: a queued exchange runs after this
  // call has returned.
  auto state = std::make_shared<std::optional<Rk5502StateReply>>();
  const Accept accept = [state](const sockaddr_in&, std::span<const uint8_t> datagram) {
    *state = decode_rk5502_state(datagram);
    if (!*state) trace(lcProcessor(), "the cmd is not right \n");
    return state->has_value();
  };
  const Done finished = [state, done = std::move(done)](const Outcome& outcome) {
    if (!outcome.answered_now()) {
      trace(lcProcessor(), "wait time over \n");
      if (done) done(outcome, std::nullopt);
      return;
    }
    if (done) done(outcome, *state);
  };
  const std::vector<uint8_t> request =
      device_frame(target, Link::Udp, processor_cmd::kRk5502StateQuery);
  const QueryRule rule{kRk5502QueryBoundMs, kRk5502QueryPauseMs};
  return t.udp.query(target.over(Medium::Lan), request, rule, accept, finished);
}

}  // namespace rk5502_device

namespace tm3306_device {

Outcome set_layout(const Transports& t, const Target& target, uint8_t code) {
  switch (target.medium) {
    case Medium::Lan: {
      const Outcome outcome =
          t.udp.send(target, layout_frame(target, Link::Udp, code), kUdpCommandPauseMs);
      trace(lcProcessor(), "net \n");
      return outcome;
    }
    case Medium::Serial: {
      const Outcome outcome = t.serial.send(target, layout_frame(target, Link::Serial, code), 0);
      if (outcome.status == Outcome::Status::Sent || outcome.status == Outcome::Status::Queued)
        trace(lcProcessor(), "com \n");
      return outcome;
    }
    case Medium::None:
      break;
  }
  return t.none.send(target, layout_frame(target, Link::Udp, code), 0);
}

}  // namespace tm3306_device
