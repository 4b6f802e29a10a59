// The running show against the simulated multiviewer, router and switcher
// on loopback, without widgets: routes renaming the right windows, tally
// colouring and restoring, TSL UMD out decoded here and TSL in built here
// from the published layout, and a show whose multiviewer is silent.
#include "show/show_runner.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "devices/multiviewer/mv_frames.h"
#include "link/device_link.h"
#include "link/link_options.h"
#include "support/devsim_fixture.h"
#include "support/ports.h"
#include "support/trace_recorder.h"

namespace {
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;
constexpr int kMv = 0;
constexpr int kRouter = 1;
constexpr int kSwitcher = 2;

// A socket on a loopback port of its own: TSL out arrives here, TSL in
// leaves from here.
struct TslPeer {
  int fd = -1;
  uint16_t port = 0;
  TslPeer() {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    timeval tv{0, 50000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~TslPeer() { ::close(fd); }
  // Every packet that arrives while the event loop runs for `wait`.
  std::vector<Bytes> packets(ms wait = ms(300)) {
    std::vector<Bytes> got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < wait.count()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      uint8_t buffer[2100];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) got.emplace_back(buffer, buffer + n);
    }
    return got;
  }
  static sockaddr_in loopback(uint32_t host) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(host);
    return a;
  }
  void send_to(uint16_t to, const Bytes& bytes) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(to);
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
};

class ShowRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = std::make_unique<SimulatorFixture>(
        std::vector{devsim::DeviceSpec::lan(devsim::kTypeMultiviewer),
                    devsim::DeviceSpec::lan(devsim::kTypeMatrix),
                    devsim::DeviceSpec::lan(devsim::kTypeSwitcher)});
    ASSERT_TRUE(sim_->started());
    sim_->configure_panel();
  }
  void TearDown() override { EXPECT_TRUE(sim_->no_bad_frames()); }

  // Sources 1..8 named "SRC n"; SDI n fed by router output n for n = 1..4,
  // SDI 5 by source 8; the switcher's input 1 by router output 1.
  Show show() const {
    Show s;
    for (int n = 1; n <= 8; ++n) s.source_names[n - 1] = QStringLiteral("SRC %1").arg(n);
    s.multiviewer = {sim_->address(kMv), 1};
    s.router = {sim_->address(kRouter), 1};
    s.switcher = {sim_->address(kSwitcher), 1};
    for (int n = 1; n <= 4; ++n)
      s.multiviewer_inputs[n - 1] = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(n)};
    s.multiviewer_inputs[4] = {ShowFeed::Kind::Source, 8};
    s.switcher_inputs[0] = {ShowFeed::Kind::RouterOutput, 1};
    return s;
  }
  Target router() const { return Target::lan(sim_->address(kRouter), 0x81, 1); }
  Target switcher() const { return Target::lan(sim_->address(kSwitcher), 0xA5, 1); }

  // Runs the event loop until the multiviewer has `count` frames of
  // `command`, then a little more to see that no more come.
  std::vector<devsim::ReceivedFrame> mv_frames(uint8_t command, size_t count) {
    const auto match = [command](const devsim::ReceivedFrame& f) {
      return f.device == kMv && f.command() == command;
    };
    QElapsedTimer t;
    t.start();
    while (sim_->sim().frames(match).size() < count && t.elapsed() < 3000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    t.restart();  // a short quiet time for frames that should not come
    while (t.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return sim_->sim().frames(match);
  }
  // The windows the frames name, in order.
  static std::vector<int> windows(const std::vector<devsim::ReceivedFrame>& frames) {
    std::vector<int> w;
    for (const auto& f : frames) w.push_back(f.bytes[17]);
    return w;
  }

  std::unique_ptr<SimulatorFixture> sim_;
  DeviceLink link_;
  ShowRunner runner_{link_};
};

TEST_F(ShowRunnerTest, RoutesNameTheWindowsTheyFeedAndNoOthers) {
  // Window n shows SDI n; the router carries input n on output n at first
  // (the show's routes), so windows 1..4 and 5 are named at start. The
  // simulator's labels are "CAM n", so all five change.
  Show s = show();
  for (int o = 1; o <= 8; ++o) s.router_routes.push_back({uint8_t(o), uint8_t(o)});
  runner_.start(s);
  EXPECT_EQ(windows(mv_frames(0x1E, 5)), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(sim_->sim().multiviewer_state(kMv).label(5), u"SRC 8");
  EXPECT_TRUE(mv_frames(0x3C, 0).empty());  // no tally yet: no colour frame

  // Input 6 to outputs 2 and 3: windows 2 and 3 only.
  sim_->sim().clear_frames();
  runner_.routed(router(), {0, 6, 6, 0, 0, 0, 0, 0});
  EXPECT_EQ(windows(mv_frames(0x1E, 2)), (std::vector<int>{2, 3}));
  EXPECT_EQ(sim_->sim().multiviewer_state(kMv).label(3), u"SRC 6");
  // The same route again changes nothing: no frame.
  sim_->sim().clear_frames();
  runner_.routed(router(), {0, 6, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(mv_frames(0x1E, 0).empty());
  // Another router's routes, and a window moved to an input the show does
  // not list, are left alone.
  runner_.routed(Target::lan("127.0.0.99", 0x81, 1), {1, 1, 1, 1, 1, 1, 1, 1});
  runner_.window_source_changed(runner_.multiviewer_target(), 1, 9);
  EXPECT_TRUE(mv_frames(0x1E, 0).empty());
  // A window moved to SDI 5 takes its fixed source's name.
  runner_.window_source_changed(runner_.multiviewer_target(), 1, 4);
  EXPECT_EQ(windows(mv_frames(0x1E, 1)), (std::vector<int>{1}));
  EXPECT_EQ(sim_->sim().multiviewer_state(kMv).label(1), u"SRC 8");
}

TEST_F(ShowRunnerTest, TallyColoursProgramAndPreviewAndGivesTheOperatorsColourBack) {
  devsim::MultiviewerState mv = sim_->sim().multiviewer_state(kMv);
  mv.umd_back_color.fill(7);  // the operator's White
  sim_->sim().set_multiviewer_state(kMv, mv);
  Show s = show();
  for (int o = 1; o <= 8; ++o) s.router_routes.push_back({uint8_t(o), uint8_t(o)});
  runner_.start(s);
  mv_frames(0x1E, 5);
  auto colour_of = [this](int w) {
    return sim_->sim().multiviewer_state(kMv).umd_back_color[w - 1];
  };

  // Program input 1 (router output 1: source 1, window 1), preview input 2
  // (source 2, window 2).
  sim_->sim().clear_frames();
  runner_.switcher_changed(switcher(), 1, 2, false);
  EXPECT_EQ(windows(mv_frames(0x3C, 2)), (std::vector<int>{1, 2}));
  EXPECT_EQ(colour_of(1), 2);  // Red
  EXPECT_EQ(colour_of(2), 4);  // Green
  // A transition: both on program tally.
  sim_->sim().clear_frames();
  runner_.switcher_changed(switcher(), 1, 2, true);
  EXPECT_EQ(windows(mv_frames(0x3C, 1)), (std::vector<int>{2}));
  EXPECT_EQ(colour_of(2), 2);
  // Its end swaps them; then program 3, preview 2: window 1 gets its White
  // back, window 2 turns green, window 3 red.
  runner_.switcher_changed(switcher(), 2, 1, false);
  mv_frames(0x3C, 2);
  EXPECT_EQ(colour_of(1), 4);
  EXPECT_EQ(colour_of(2), 2);
  sim_->sim().clear_frames();
  runner_.switcher_changed(switcher(), 3, 2, false);
  EXPECT_EQ(windows(mv_frames(0x3C, 3)), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(colour_of(1), 7);
  EXPECT_EQ(colour_of(2), 4);
  EXPECT_EQ(colour_of(3), 2);
  // The router puts input 5 on output 1: window 1 (SDI 1) is renamed, and
  // as neither source 5 nor source 1 is on program or preview, no colour
  // changes.
  sim_->sim().clear_frames();
  runner_.routed(router(), {5, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(windows(mv_frames(0x1E, 1)), (std::vector<int>{1}));
  EXPECT_TRUE(mv_frames(0x3C, 0).empty());
}

TEST_F(ShowRunnerTest, TslOutSendsOneDisplayMessagePerSourceAndTslInDrivesWindows) {
  TslPeer peer;
  Show s = show();
  for (int o = 1; o <= 8; ++o) s.router_routes.push_back({uint8_t(o), uint8_t(o)});
  s.tsl_send = {{"127.0.0.1", peer.port}};
  s.tsl_screen = 4;
  s.tsl_listen = next_test_port();
  runner_.start(s);
  ASSERT_TRUE(runner_.tsl_error().empty()) << runner_.tsl_error();
  // At start: one packet per named source, tally off.
  std::vector<Bytes> got = peer.packets();
  ASSERT_EQ(got.size(), 8u);
  for (size_t i = 0; i < got.size(); ++i) {
    const Bytes& p = got[i];
    ASSERT_GE(p.size(), 12u);
    EXPECT_EQ(p[0] | p[1] << 8, int(p.size() - 2));
    EXPECT_EQ(p[4] | p[5] << 8, 4);           // screen
    EXPECT_EQ(p[6] | p[7] << 8, int(i + 1));  // index = source number
    EXPECT_EQ(p[8] | p[9] << 8, 3 << 6);      // brightness 3, no tally
    EXPECT_EQ(std::string(p.begin() + 12, p.end()), "SRC " + std::to_string(i + 1));
  }
  // Program input 1, preview input 2: sources 1 and 2 are sent again.
  runner_.switcher_changed(switcher(), 1, 2, false);
  got = peer.packets();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0][6], 1);
  EXPECT_EQ(got[0][8] | got[0][9] << 8, 1 | 1 << 2 | 3 << 6);  // right red, text red
  EXPECT_EQ(got[1][6], 2);
  EXPECT_EQ(got[1][8] | got[1][9] << 8, 2 << 2 | 2 << 4 | 3 << 6);  // text green, left green

  // TSL 5.0 in: index 6, text "GFX", red; then 3.1: address 6 (window 7)
  // "VT", tally 2 (preview).
  mv_frames(0x3C, 2);
  sim_->sim().clear_frames();
  Bytes v5 = {0, 0, 0, 0, 4, 0, 6, 0, 1 << 2, 0, 3, 0, 'G', 'F', 'X'};
  v5[0] = static_cast<uint8_t>(v5.size() - 2);
  peer.send_to(s.tsl_listen, v5);
  Bytes v31(18, ' ');
  v31[0] = 0x80 + 6;
  v31[1] = 0x02;
  v31[2] = 'V';
  v31[3] = 'T';
  peer.send_to(s.tsl_listen, v31);
  peer.send_to(s.tsl_listen, Bytes{1, 2, 3});  // malformed: dropped
  EXPECT_EQ(windows(mv_frames(0x1E, 2)), (std::vector<int>{6, 7}));
  EXPECT_EQ(windows(mv_frames(0x3C, 2)), (std::vector<int>{6, 7}));
  const devsim::MultiviewerState mv = sim_->sim().multiviewer_state(kMv);
  EXPECT_EQ(mv.label(6), u"GFX");
  EXPECT_EQ(mv.label(7), u"VT");
  EXPECT_EQ(mv.umd_back_color[5], 2);
  EXPECT_EQ(mv.umd_back_color[6], 4);
}

TEST_F(ShowRunnerTest, TslFromAnotherSenderOrOversizedIsDroppedAndSaysWhy) {
  TslPeer peer;  // sends from 127.0.0.1, which the show does not accept
  Show s = show();
  s.tsl_listen = next_test_port();
  s.tsl_from = {{"127.0.0.9", 0}};
  TraceRecorder traces;
  runner_.start(s);
  ASSERT_TRUE(runner_.tsl_error().empty()) << runner_.tsl_error();
  mv_frames(0x1E, 0);
  sim_->sim().clear_frames();
  Bytes v5 = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 'G', 'F', 'X'};
  v5[0] = static_cast<uint8_t>(v5.size() - 2);
  for (int i = 0; i < 200; ++i) peer.send_to(s.tsl_listen, v5);  // a flood, all forged
  EXPECT_TRUE(mv_frames(0x1E, 0).empty());
  // The same packet from an accepted sender passes; one of 2049 bytes does not.
  runner_.take_tsl_datagram(TslPeer::loopback(0x7F000009), Bytes(2049, 0));
  runner_.take_tsl_datagram(TslPeer::loopback(0x7F000009), v5);
  EXPECT_EQ(windows(mv_frames(0x1E, 1)), (std::vector<int>{1}));
  const std::vector<std::string> lines = traces.lines();
  auto has = [&lines](const char* text) {
    return std::any_of(lines.begin(), lines.end(),
                       [text](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("TSL from 127.0.0.1 dropped: not an accepted sender"));
  EXPECT_TRUE(has("TSL from 127.0.0.9 dropped: longer than 2048 bytes"));
}

TEST_F(ShowRunnerTest, ASilentMultiviewerIsTracedAndNothingIsSentToIt) {
  devsim::Faults f;
  f.drop_replies = -1;
  sim_->sim().set_faults(kMv, f);
  TraceRecorder traces;
  runner_.start(show());
  runner_.routed(router(), {1, 2, 3, 4, 5, 6, 7, 8});
  runner_.switcher_changed(switcher(), 1, 2, false);
  EXPECT_TRUE(mv_frames(0x1E, 0).empty());
  EXPECT_TRUE(mv_frames(0x3C, 0).empty());
  const std::vector<std::string> lines = traces.lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("does not answer") != std::string::npos;
  }));
}

}  // namespace
