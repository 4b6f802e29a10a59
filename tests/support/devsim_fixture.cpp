#include "support/devsim_fixture.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "devsim/cli.h"
#include "devsim/wire.h"
#include "link/transport.h"
#include "support/ports.h"

namespace {
devsim::Options test_options(std::vector<devsim::DeviceSpec> devices) {
  devsim::Options o;
  o.bind_port = next_test_port();
  o.device_port = next_test_port();
  o.switcher_bind_port = next_test_port();
  o.switcher_device_port = next_test_port();
  o.search_address = "127.255.255.255";
  o.devices = std::move(devices);
  return o;
}
}  // namespace

SimulatorFixture::SimulatorFixture(std::vector<devsim::DeviceSpec> devices)
    : SimulatorFixture(test_options(std::move(devices))) {}

SimulatorFixture::SimulatorFixture(devsim::Options options) {
  m_sim = std::make_unique<devsim::Simulator>(std::move(options));
  std::string error;
  m_started = m_sim->start(&error);
  EXPECT_TRUE(m_started) << "simulator did not start: " << error;
}

SimulatorFixture::~SimulatorFixture() {
  m_sim->stop();
  m_panel_restore.reset();
}

std::vector<devsim::ReceivedFrame> SimulatorFixture::wait_frames(size_t count,
                                                                 const devsim::FrameFilter& match,
                                                                 ms timeout) const {
  m_sim->wait_for_frames(count, timeout, match);
  return m_sim->frames(match);
}

std::vector<devsim::ReceivedFrame> SimulatorFixture::frames_with_command(int device,
                                                                         uint8_t command) const {
  return m_sim->frames([&](const devsim::ReceivedFrame& f) {
    return f.device == device && !f.text && !f.bad && f.command() == command;
  });
}

::testing::AssertionResult SimulatorFixture::received(const std::vector<uint8_t>& bytes,
                                                      ms timeout) const {
  auto match = [&](const devsim::ReceivedFrame& f) { return f.bytes == bytes; };
  if (m_sim->wait_for_frames(1, timeout, match)) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure()
           << "never received " << devsim::hex(bytes) << "\nreceived:";
  for (const auto& f : m_sim->frames()) r << "\n  " << devsim::describe(f);
  return r;
}

::testing::AssertionResult SimulatorFixture::received_command(int device, uint8_t command,
                                                              const std::vector<uint8_t>& payload,
                                                              ms timeout) const {
  auto match = [&](const devsim::ReceivedFrame& f) {
    if (f.device != device || f.text || f.bad || f.command() != command) return false;
    const auto p = devsim::FrameView{f.bytes}.payload();
    return std::equal(p.begin(), p.end(), payload.begin(), payload.end());
  };
  if (m_sim->wait_for_frames(1, timeout, match)) return ::testing::AssertionSuccess();
  // Each value streamed into an AssertionResult goes through a stream of its
  // own, so a std::hex would not reach the number: the code is formatted here.
  char code[8];
  std::snprintf(code, sizeof code, "0x%02x", command);
  auto r = ::testing::AssertionFailure()
           << "device " << device << " never received command " << code << " with payload "
           << devsim::hex(payload) << "\nreceived:";
  for (const auto& f : m_sim->frames()) r << "\n  " << devsim::describe(f);
  return r;
}

::testing::AssertionResult SimulatorFixture::received_text(int device, const std::string& text,
                                                           ms timeout) const {
  auto match = [&](const devsim::ReceivedFrame& f) {
    return f.device == device && f.text && f.text_command() == text;
  };
  if (m_sim->wait_for_frames(1, timeout, match)) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure()
           << "device " << device << " never received \"" << text << "\"\nreceived:";
  for (const auto& f : m_sim->frames()) r << "\n  " << devsim::describe(f);
  return r;
}

::testing::AssertionResult SimulatorFixture::no_bad_frames() const {
  const auto wrong = m_sim->frames(
      [](const devsim::ReceivedFrame& f) { return f.bad || f.rejected || f.misaddressed; });
  if (wrong.empty()) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure()
           << wrong.size() << " unit(s) bad, rejected or misaddressed:";
  for (const auto& f : wrong) r << "\n  " << devsim::describe(f);
  return r;
}

::testing::AssertionResult SimulatorFixture::nothing_more(size_t already, ms quiet) const {
  if (!m_sim->wait_for_frames(already + 1, quiet)) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure()
           << "expected nothing more after " << already << " unit(s); received:";
  for (const auto& f : m_sim->frames()) r << "\n  " << devsim::describe(f);
  return r;
}

Target SimulatorFixture::target(int device, Medium medium) const {
  const devsim::DeviceInfo info = m_sim->device(device);
  const bool serial_device = info.transport == devsim::Transport::Serial;
  return Target{medium,
                serial_device ? std::string() : info.address,
                options().device_port,
                options().bind_port,
                info.type,
                info.id};
}
