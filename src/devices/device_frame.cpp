#include "devices/device_frame.h"

std::vector<uint8_t> device_frame(const Target& target, Link link, uint8_t command,
                                  std::span<const uint8_t> payload) {
  return build_frame(target.dev_type, target.dev_id, link, command, payload);
}

Outcome send_command(const Transports& t, const Target& target, uint8_t command,
                     std::span<const uint8_t> payload) {
  if (target.medium == Medium::Serial)
    return t.serial.send(target, device_frame(target, Link::Serial, command, payload), 0);
  return t.of(target).send(target, device_frame(target, Link::Udp, command, payload),
                           kUdpCommandPauseMs);
}

Outcome send_command_lan(const Transports& t, const Target& target, uint8_t command,
                         std::span<const uint8_t> payload) {
  return t.udp.send(target.over(Medium::Lan), device_frame(target, Link::Udp, command, payload),
                    kUdpCommandPauseMs);
}
