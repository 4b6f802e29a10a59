#pragma once
// A pseudo-terminal standing in for a serial line. The panel opens
// slave_name() with CSerialComm::open_port; the test plays the device on the
// master side, device_fd().
//
// The pair keeps a descriptor of its own on the slave side, so the device end
// never sees a hang-up while the panel's port is closed between two opens;
// the line is in raw mode from the start (no echo, no translation).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return m_master != -1 && m_hold != -1; }
  int device_fd() const { return m_master; }
  const std::string& slave_name() const { return m_slave_name; }
  // The pair's own descriptor on the slave side (-1 once released): reads the
  // line settings the panel made.
  int line_fd() const { return m_hold; }

  // Writes every byte from the device side within timeout_ms.
  bool device_write(std::span<const uint8_t> bytes, int timeout_ms = 2000);
  // Reads from the device side until n bytes have come or timeout_ms passed.
  std::vector<uint8_t> device_read(size_t n, int timeout_ms = 2000);
  // Bytes that come to the device side within timeout_ms (all of them).
  std::vector<uint8_t> device_read_all(int timeout_ms);

  // The device disappears: the panel's side sees a hang-up from now on.
  void close_device();
  // Drops the pair's own hold on the slave side.
  void release_line();

 private:
  int m_master = -1;
  int m_hold = -1;
  std::string m_slave_name;
};
