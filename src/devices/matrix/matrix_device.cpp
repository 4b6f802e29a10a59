#include "devices/matrix/matrix_device.h"

#include <memory>

#include "devices/device_frame.h"

namespace matrix_device {

namespace {
// The lock frames always go over the LAN, so they always carry link byte 01.
std::vector<uint8_t> lock_frame(const Target& target, uint8_t command,
                                std::span<const uint8_t> payload = {}) {
  return device_frame(target, Link::Udp, command, payload);
}

// A text command by the target's medium: a datagram and its pause on the
// LAN, one write without pause on the serial line.
Outcome send_text(const Transports& t, const Target& target, std::span<const uint8_t> text) {
  const uint32_t pause = target.medium == Medium::Lan ? kMatrixTextPauseMs : 0;
  return t.of(target).send(target, text, pause);
}
}  // namespace

Outcome route(const Transports& t, const Target& target, uint8_t input,
              std::span<const uint8_t, kMatrixPorts> route) {
  const MatrixText text = build_matrix_apply(input, route);
  if (text.empty()) return Outcome::failed("no output carries input " + std::to_string(input));
  return send_text(t, target, text);
}

Outcome one_to_all(const Transports& t, const Target& target, uint8_t input) {
  return send_text(t, target, build_matrix_one_to_all(input));
}

Outcome one_to_one(const Transports& t, const Target& target) {
  return send_text(t, target, build_matrix_one_to_one());
}

bool text_handed_on(const Target& target, const Outcome& outcome) {
  switch (target.medium) {
    case Medium::Lan:
      return true;
    case Medium::Serial:
      return outcome.status == Outcome::Status::Sent || outcome.status == Outcome::Status::Queued;
    case Medium::None:
      break;
  }
  return false;
}

Outcome set_lock(const Transports& t, const Target& target, bool locked) {
  const uint8_t payload[] = {static_cast<uint8_t>(locked ? 1 : 0)};
  return t.udp.send(target.over(Medium::Lan), lock_frame(target, matrix_cmd::kLockChange, payload),
                    kMatrixLockPauseMs);
}

Outcome query_lock(const Transports& t, const Target& target, LockDone done) {
  // The reply is kept here until the exchange ends; a queued exchange runs
  // later, so nothing refers to this call's stack.
  auto lock = std::make_shared<std::optional<uint8_t>>();
  const Accept accept = [lock](const sockaddr_in&, std::span<const uint8_t> datagram) {
    *lock = matrix_lock_from_reply(datagram);
    return lock->has_value();
  };
  const Done finished = [lock, done = std::move(done)](const Outcome& outcome) {
    if (done) done(outcome, outcome.answered_now() ? *lock : std::nullopt);
  };
  const QueryRule rule{kMatrixLockQueryBoundMs, kMatrixLockPauseMs};
  return t.udp.query(target.over(Medium::Lan), lock_frame(target, matrix_cmd::kLockQuery), rule,
                     accept, finished);
}

}  // namespace matrix_device
