// kelvaro-ctl's whole run (ctl::run) in this process, with string streams
// for its output, against simulated devices on loopback: argument checks,
// exit statuses and the bytes each device receives, compared with the
// device layer's builders' output for the same action.
#include "ctl/ctl.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "devices/matrix/matrix_commands.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/umd_label_csv.h"
#include "devices/processor/processor_frames.h"
#include "devices/switcher/switcher_commands.h"
#include "link/control_frame.h"
#include "devsim/sim_device.h"
#include "support/ctl_args.h"
#include "support/devsim_fixture.h"
#include "support/foreign_sender.h"
#include "support/taken_port.h"

namespace {
struct CtlRun {
  int exit_code = -1;
  QString out, err;
  qint64 elapsed_ms = 0;
};

CtlRun run_ctl(const QStringList& args) {
  std::vector<std::string> argv = {"kelvaro-ctl"};
  for (const QString& a : args) argv.push_back(a.toStdString());
  std::ostringstream out, err;
  QElapsedTimer timer;
  timer.start();
  CtlRun r;
  r.exit_code = ctl::run(argv, out, err);
  r.elapsed_ms = timer.elapsed();
  r.out = QString::fromStdString(out.str());
  r.err = QString::fromStdString(err.str());
  return r;
}

template <size_t N>
std::vector<uint8_t> bytes(const std::array<uint8_t, N>& a) {
  return {a.begin(), a.end()};
}

// Each bad command line exits 2 with one line on stderr naming `name`.
void expect_usage_errors(const std::vector<std::pair<QStringList, QString>>& cases) {
  for (const auto& [args, name] : cases) {
    const CtlRun r = run_ctl(args);
    EXPECT_EQ(r.exit_code, 2) << args.join(' ').toStdString() << "\n" << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(name))
        << args.join(' ').toStdString() << ": " << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
  }
}

// The state JSON against the simulator's state, field for field.
void expect_state_json(const QString& out, const devsim::MultiviewerState& s) {
  QJsonParseError error{};
  const QJsonObject o = QJsonDocument::fromJson(out.toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
  EXPECT_EQ(o["window_count"].toInt(), s.window_count);
  EXPECT_EQ(o["resolution"].toString(), "720p60");
  EXPECT_EQ(o["umd"].toBool(), s.umd_enable != 0);
  EXPECT_EQ(o["audio"].toBool(), s.audio_enable != 0);
  EXPECT_EQ(o["audio_source"].toInt(), s.audio_source);
  EXPECT_EQ(o["resolution_captions"].toBool(), s.resolution_enable != 0);
  EXPECT_EQ(o["border"].toBool(), s.border_enable != 0);
  EXPECT_EQ(o["lock"].toBool(), s.lock_state != 0);
  const QJsonArray windows = o["windows"].toArray();
  ASSERT_EQ(windows.size(), 16);
  for (int w = 0; w < 16; ++w) {
    const QJsonObject win = windows[w].toObject();
    EXPECT_EQ(win["window"].toInt(), w + 1);
    EXPECT_EQ(win["source"].toInt(), s.sources[w] + 1) << "window " << w + 1;
    EXPECT_EQ(win["label"].toString(), QString::fromStdU16String(s.label(w + 1)));
    EXPECT_EQ(win["umd_text_colour"].toInt(), s.umd_text_color[w]);
    EXPECT_EQ(win["umd_back_colour"].toInt(), s.umd_back_color[w]);
    EXPECT_EQ(win["resolution_text_colour"].toInt(), s.resolution_text_color[w]);
    EXPECT_EQ(win["resolution_back_colour"].toInt(), s.resolution_back_color[w]);
  }
}

// A state unlike the power-on one in every field the JSON carries.
devsim::MultiviewerState sample_state() {
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 9;
  s.resolution_code = 14;  // 720p60
  s.umd_enable = 0;
  s.audio_source = 5;
  s.lock_state = 1;
  for (int w = 0; w < 16; ++w) {
    s.sources[w] = static_cast<uint8_t>(15 - w);
    s.umd_text_color[w] = static_cast<uint8_t>(w);
    s.umd_back_color[w] = static_cast<uint8_t>((w + 3) % 16);
    s.resolution_text_color[w] = static_cast<uint8_t>((w + 7) % 16);
    s.resolution_back_color[w] = static_cast<uint8_t>(15 - w);
  }
  s.set_label(2, u"Studio \"B\"");
  s.set_label(7, u"Überblick");
  return s;
}

// The multiviewer commands and the frames the page's builders make for them.
struct MvCase {
  QStringList args;
  uint8_t command;
  std::vector<uint8_t> payload;
};
std::vector<MvCase> mv_cases() {
  return {
      {{"mv", "mode", "4"}, mv_cmd::kScreenMode, {4}},
      {{"mv", "source", "3", "5"}, mv_cmd::kWindowSource, bytes(window_source_payload(4, 3))},
      {{"mv", "label", "4", "CAM 1"}, mv_cmd::kUmdText, umd_text_payload(4, "CAM 1")},
      {{"mv", "label", "16", ""}, mv_cmd::kUmdText, umd_text_payload(16, "")},
      {{"mv", "umd", "off"}, mv_cmd::kUmdEnable, {0}},
      {{"mv", "colour", "umd-text", "2", "Red"}, mv_cmd::kUmdTextColour, {2, 2}},
      {{"mv", "colour", "res-back", "all", "green"}, mv_cmd::kResoBackColour, {0, 4}},
      {{"mv", "colour", "umd-back", "16", "15"}, mv_cmd::kUmdBackColour, {16, 15}},
      {{"mv", "resolution", "720p60"}, mv_cmd::kResolution, bytes(*resolution_payload(7))},
  };
}

TEST(CtlProcess, HelpVersionAndBadUsageSendNothing) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 3)});
  ASSERT_TRUE(sim.started());
  const CtlRun help = run_ctl({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* group : {"discover", "mv", "matrix", "switcher", "rk5502", "tm3306"})
    EXPECT_TRUE(help.out.contains(group)) << group;
  const CtlRun mv_help = run_ctl({"mv", "--help"});
  EXPECT_EQ(mv_help.exit_code, 0);
  EXPECT_TRUE(mv_help.out.contains("resolution NAME"));
  const CtlRun version = run_ctl({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_TRUE(version.out.contains("1.0.1.5"));

  const QStringList dev = ctl_lan(sim, 0, 3);
  expect_usage_errors({
      {dev + QStringList{"mv", "mode", "5"}, "mode"},
      {dev + QStringList{"mv", "source", "17", "1"}, "WINDOW"},
      {dev + QStringList{"mv", "source", "1", "0"}, "INPUT"},
      {dev + QStringList{"mv", "label", "0", "A"}, "WINDOW"},
      {dev + QStringList{"mv", "label", "1", "seventeen chars!!"}, "TEXT"},
      {dev + QStringList{"mv", "umd", "maybe"}, "umd"},
      {dev + QStringList{"mv", "colour", "umd-mid", "1", "Red"}, "PART"},
      {dev + QStringList{"mv", "colour", "umd-text", "17", "Red"}, "WINDOW"},
      {dev + QStringList{"mv", "colour", "umd-text", "all", "Pink"}, "COLOUR"},
      {dev + QStringList{"mv", "resolution", "4k"}, "resolution"},
      {dev + QStringList{"mv", "mode"}, "mode"},
      {dev + QStringList{"mv", "frobnicate"}, "frobnicate"},
      {dev + QStringList{"mv", "umd", "on", "--direction", "1"}, "--direction"},
      {dev + QStringList{"--baud", "9600", "mv", "umd", "on"}, "--baud"},
      {dev + QStringList{"discover"}, "--device"},
      {ctl_ports(sim) + QStringList{"mv", "umd", "on"}, "--device"},
      {ctl_ports(sim) + QStringList{"--device", "300.1.1.1", "mv", "umd", "on"}, "--device"},
      {ctl_ports(sim) + QStringList{"--device", "127.0.0.2,256", "mv", "umd", "on"}, "--device"},
      {QStringList{"--bind-port", "0"} + dev + QStringList{"mv", "umd", "on"}, "--bind-port"},
      {dev + QStringList{"--serial-port", "/dev/null", "mv", "umd", "on"}, "--serial-port"},
      {dev + QStringList{"--no-such-option"}, "--no-such-option"},
      {dev + QStringList{"nothing"}, "nothing"},
  });
  EXPECT_TRUE(sim.nothing_more(0));
}

// A one-way command whose exchange fails exits 1 with the reason on one
// line: the local port taken by another program, a send the system refuses.
TEST(CtlProcess, AFailedSendExitsOneWithItsReason) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 3)});
  ASSERT_TRUE(sim.started());
  TakenPort taker(sim.options().bind_port);
  ASSERT_TRUE(taker.ok());
  const CtlRun taken = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "umd", "on"});
  taker.release();
  EXPECT_EQ(taken.exit_code, 1);
  EXPECT_EQ(taken.err, "kelvaro-ctl: cannot bind local port " +
                           QString::number(sim.options().bind_port) + ": address already in use\n");

  // The loopback net's broadcast address takes no datagram without
  // SO_BROADCAST, which a device command never asks for.
  const CtlRun refused =
      run_ctl(ctl_ports(sim) + QStringList{"--device", "127.255.255.255,3", "mv", "umd", "on"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(refused.err.startsWith("kelvaro-ctl: send to 127.255.255.255 refused: "))
      << refused.err.toStdString();
  EXPECT_EQ(refused.err.count('\n'), 1);
}

TEST(CtlMv, LanCommandsAreThePagesFramesAndStateMatchesTheDevice) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 3)});
  ASSERT_TRUE(sim.started());
  for (const MvCase& c : mv_cases()) {
    const CtlRun r = run_ctl(ctl_lan(sim, 0, 3) + c.args);
    EXPECT_EQ(r.exit_code, 0) << c.args.join(' ').toStdString() << r.err.toStdString();
    EXPECT_TRUE(sim.received(build_frame(0xA1, 3, Link::Udp, c.command, c.payload)))
        << c.args.join(' ').toStdString();
  }
  EXPECT_EQ(sim.sim().multiviewer_state(0).label(4), u"CAM 1");

  // A label file: one frame per window it names, in window order.
  QTemporaryDir dir;
  const QString good = dir.filePath("labels.csv"), bad = dir.filePath("bad.csv");
  {
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("window,label\n9,\"Left, wide\"\n2,Studio\n");
    QFile g(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("1,fine\n17,no such window\n");
  }
  const size_t before = sim.frames_with_command(0, mv_cmd::kUmdText).size();
  const CtlRun labels = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "labels", good});
  EXPECT_EQ(labels.exit_code, 0) << labels.err.toStdString();
  const auto label_frames = sim.wait_frames(
      before + 2, [](const devsim::ReceivedFrame& f) { return f.command() == mv_cmd::kUmdText; });
  ASSERT_GE(label_frames.size(), 2u);
  EXPECT_EQ(label_frames[label_frames.size() - 2].bytes,
            build_frame(0xA1, 3, Link::Udp, mv_cmd::kUmdText, umd_text_payload(2, "Studio")));
  EXPECT_EQ(label_frames.back().bytes,
            build_frame(0xA1, 3, Link::Udp, mv_cmd::kUmdText, umd_text_payload(9, "Left, wide")));
  const size_t after = sim.sim().frame_count();
  expect_usage_errors({{ctl_lan(sim, 0, 3) + QStringList{"mv", "labels", bad}, "line 2"}});
  // A file that cannot be taken fails the run before anything is opened.
  const QString large = dir.filePath("large.csv");
  {
    QFile f(large);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1,A\n" + QByteArray(kUmdCsvMaxBytes, '\n'));
  }
  for (const auto& [path, why] : {std::pair{dir.path(), "a directory, not a file"},
                                  {large, "65540 bytes"},
                                  {dir.filePath("none"), "no such file"}}) {
    const CtlRun r = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "labels", path});
    EXPECT_EQ(r.exit_code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("kelvaro-ctl: Cannot read " + path + ": " + why))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  }
  EXPECT_TRUE(sim.nothing_more(after));

  const devsim::MultiviewerState state = sample_state();
  sim.sim().set_multiviewer_state(0, state);
  const CtlRun json = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "state", "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err.toStdString();
  expect_state_json(json.out, state);
  EXPECT_TRUE(sim.received(build_frame(0xA1, 3, Link::Udp, mv_cmd::kStateQuery, {})));
  const CtlRun text = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "state"});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_TRUE(text.out.contains("windows 9")) << text.out.toStdString();
  EXPECT_TRUE(sim.no_bad_frames());

  // A silent device: exit 1 with one line, after the query's 200 ms bound.
  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.sim().set_faults(0, silent);
  const CtlRun none = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "state", "--json"});
  EXPECT_EQ(none.exit_code, 1) << none.err.toStdString();
  EXPECT_TRUE(none.err.contains("200 ms")) << none.err.toStdString();
  EXPECT_EQ(none.err.trimmed().count('\n'), 0);
  EXPECT_TRUE(none.out.isEmpty());
  EXPECT_GE(none.elapsed_ms, 200);

  // Another host answers for the silent device with a well-formed state
  // reply, and keeps answering through the wait: not taken.
  devsim::MultiviewerDevice impostor(0xA1, 3, "MV");
  impostor.state.set_label(1, u"FORGED");
  const std::vector<uint8_t> forged = impostor.state_reply(0x01, {});
  ForeignSender forger;
  std::atomic<bool> querying{true};
  std::thread flood([&] {
    while (querying) {
      forger.send_to("127.0.0.1", sim.options().bind_port, forged);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const CtlRun fooled = run_ctl(ctl_lan(sim, 0, 3) + QStringList{"mv", "state"});
  querying = false;
  flood.join();
  EXPECT_EQ(fooled.exit_code, 1) << fooled.out.toStdString();
  EXPECT_FALSE(fooled.out.contains("FORGED"));
}

TEST(CtlMv, SerialCommandsAndStateQuery) {
  SimulatorFixture sim({devsim::DeviceSpec::serial(0xA1, 2)});
  ASSERT_TRUE(sim.started());
  for (const MvCase& c : mv_cases()) {
    const CtlRun r = run_ctl(ctl_serial(sim, 2) + c.args);
    EXPECT_EQ(r.exit_code, 0) << c.args.join(' ').toStdString() << r.err.toStdString();
    EXPECT_TRUE(sim.received(build_frame(0xA1, 2, Link::Serial, c.command, c.payload)))
        << c.args.join(' ').toStdString();
  }
  const devsim::MultiviewerState state = sample_state();
  sim.sim().set_multiviewer_state(0, state);
  const CtlRun json = run_ctl(ctl_serial(sim, 2) + QStringList{"mv", "state", "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err.toStdString();
  expect_state_json(json.out, state);

  const CtlRun found = run_ctl(ctl_serial(sim, 2) + QStringList{"discover", "--json"});
  EXPECT_EQ(found.exit_code, 0) << found.err.toStdString();
  const QJsonArray devices = QJsonDocument::fromJson(found.out.toUtf8())["devices"].toArray();
  ASSERT_EQ(devices.size(), 1) << found.out.toStdString();
  EXPECT_EQ(devices[0]["type"].toInt(), 0xA1);
  EXPECT_EQ(devices[0]["id"].toInt(), 2);
  EXPECT_TRUE(sim.received(build_search_request(Link::Serial)));
  EXPECT_TRUE(sim.no_bad_frames());
}

TEST(CtlDiscover, ListsTheMultiviewersThatAnswerAndFailsWithoutOne) {
  SimulatorFixture sim(
      {devsim::DeviceSpec::lan(0xA1, 6, "MV_CTL"), devsim::DeviceSpec::lan(0x81, 1, "MATRIX_CTL")});
  ASSERT_TRUE(sim.started());
  const CtlRun r = run_ctl(ctl_ports(sim) + QStringList{"discover", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_TRUE(sim.received(build_search_request(Link::Udp)));
  const QJsonArray devices = QJsonDocument::fromJson(r.out.toUtf8())["devices"].toArray();
  ASSERT_EQ(devices.size(), 1) << r.out.toStdString();  // the search takes type A1 only
  EXPECT_EQ(devices[0]["name"].toString(), "MV_CTL");
  EXPECT_EQ(devices[0]["address"].toString(), QString::fromStdString(sim.address(0)));
  EXPECT_EQ(devices[0]["kind"].toString(), "multiviewer");
  EXPECT_EQ(devices[0]["id"].toInt(), 6);
  const CtlRun text = run_ctl(ctl_ports(sim) + QStringList{"discover"});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out, "MV_CTL\t" + QString::fromStdString(sim.address(0)) + "\t0xA1\t6\n");

  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.sim().set_faults(0, silent);
  const CtlRun none = run_ctl(ctl_ports(sim) + QStringList{"discover"});
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_TRUE(none.err.contains("2000 ms")) << none.err.toStdString();
  EXPECT_GE(none.elapsed_ms, 2000);
}

TEST(CtlDiscover, ANameCannotForgeALineOrSteerTheTerminal) {
  // Tab, line end, carriage return, an escape sequence, DEL, a C1 control
  // (0x9B, a terminal's one-byte CSI) and a backslash; é stays as it is.
  const std::string name = "Cam\t1\nfake\t127.0.0.9\r\x1b[2J\x7f\x9b\\x41\xe9";
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 6, name)});
  ASSERT_TRUE(sim.started());
  const CtlRun text = run_ctl(ctl_ports(sim) + QStringList{"discover"});
  ASSERT_EQ(text.exit_code, 0) << text.err.toStdString();
  EXPECT_EQ(text.out, QStringLiteral("Cam\\t1\\nfake\\t127.0.0.9\\r\\x1b[2J\\x7f\\x9b\\\\x41é\t") +
                          QString::fromStdString(sim.address(0)) + "\t0xA1\t6\n");
  const CtlRun json = run_ctl(ctl_ports(sim) + QStringList{"discover", "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err.toStdString();
  EXPECT_FALSE(json.out.contains(QChar(0x1B))) << "escaped in JSON too";
  const QJsonArray devices = QJsonDocument::fromJson(json.out.toUtf8())["devices"].toArray();
  ASSERT_EQ(devices.size(), 1) << json.out.toStdString();
  EXPECT_EQ(devices[0]["name"].toString(), QString::fromLatin1(name));
}

TEST(CtlMatrix, TextCommandsLockFramesAndLockQuery) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0x81, 4), devsim::DeviceSpec::serial(0x81, 1)});
  ASSERT_TRUE(sim.started());
  std::array<uint8_t, kMatrixPorts> route{};
  route[0] = route[1] = route[4] = 3;
  const std::vector<std::pair<QStringList, std::vector<uint8_t>>> cases = {
      {{"matrix", "route", "3", "1,2,5"}, build_matrix_apply(3, route)},
      {{"matrix", "all", "5"}, build_matrix_one_to_all(5)},
      {{"matrix", "one-to-one"}, build_matrix_one_to_one()},
  };
  for (const auto& [args, text] : cases) {
    for (int device : {0, 1}) {
      const CtlRun r = run_ctl((device == 0 ? ctl_lan(sim, 0, 4) : ctl_serial(sim, 1)) + args);
      EXPECT_EQ(r.exit_code, 0) << args.join(' ').toStdString() << r.err.toStdString();
      EXPECT_TRUE(sim.received(text)) << args.join(' ').toStdString() << " device " << device;
    }
  }
  EXPECT_EQ(sim.sim().matrix_state(0).last_text, "All#.");
  EXPECT_EQ(sim.sim().matrix_state(1).text_commands, 3);

  // The lock: 0x51 with the new state, then the 0x50 query reads it back.
  const CtlRun lock = run_ctl(ctl_lan(sim, 0, 4) + QStringList{"matrix", "lock", "on"});
  EXPECT_EQ(lock.exit_code, 0);
  EXPECT_TRUE(sim.received(
      build_frame(0x81, 4, Link::Udp, matrix_cmd::kLockChange, std::vector<uint8_t>{1})));
  const CtlRun query = run_ctl(ctl_lan(sim, 0, 4) + QStringList{"matrix", "lock", "--json"});
  EXPECT_EQ(query.exit_code, 0) << query.err.toStdString();
  EXPECT_EQ(query.out, "{\"lock\": true, \"value\": 1}\n");
  EXPECT_TRUE(sim.received(build_frame(0x81, 4, Link::Udp, matrix_cmd::kLockQuery, {})));
  run_ctl(ctl_lan(sim, 0, 4) + QStringList{"matrix", "lock", "off"});
  EXPECT_EQ(run_ctl(ctl_lan(sim, 0, 4) + QStringList{"matrix", "lock"}).out, "unlocked\n");
  EXPECT_TRUE(sim.no_bad_frames());

  const size_t before = sim.sim().frame_count();
  const QStringList dev = ctl_lan(sim, 0, 4);
  expect_usage_errors({
      {dev + QStringList{"matrix", "route", "9", "1"}, "INPUT"},
      {dev + QStringList{"matrix", "route", "3", "1,9"}, "OUTPUTS"},
      {dev + QStringList{"matrix", "route", "3", ""}, "OUTPUTS"},
      {dev + QStringList{"matrix", "route", "3"}, "route"},
      {dev + QStringList{"matrix", "all", "0"}, "INPUT"},
      {dev + QStringList{"matrix", "one-to-one", "2"}, "one-to-one"},
      {dev + QStringList{"matrix", "lock", "maybe"}, "lock"},
      {ctl_serial(sim, 1) + QStringList{"matrix", "lock", "on"}, "--serial-port"},
      {dev + QStringList{"matrix", "cross"}, "cross"},
  });
  EXPECT_TRUE(sim.nothing_more(before));

  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.sim().set_faults(0, silent);
  const CtlRun none = run_ctl(ctl_lan(sim, 0, 4) + QStringList{"matrix", "lock"});
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_TRUE(none.err.contains("200 ms")) << none.err.toStdString();
  EXPECT_GE(none.elapsed_ms, 200);
}

TEST(CtlSwitcher, FramesGoToTheSwitcherPortAsThePageSendsThem) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA5, 7)});
  ASSERT_TRUE(sim.started());
  using namespace switcher_cmd;
  const std::vector<std::pair<QStringList, std::pair<uint8_t, std::vector<uint8_t>>>> cases = {
      {{"pgm", "3"}, {kPgmSource, {3}}},
      {{"pvm", "12"}, {kPvmSource, {12}}},
      {{"cut"}, {kCut, {}}},
      {{"auto"}, {kAuto, {}}},
      {{"ftb"}, {kFtb, {}}},
      {{"pip"}, {kPip, {}}},
      {{"mix"}, {kMix, {}}},
      {{"dip"}, {kDip, {}}},
      {{"wipe"}, {kWipe, {}}},
      {{"wipe-style", "5"}, {switcher_sub_cmd::kWipeStyle, {5}}},
      {{"tbar", "64"}, {kTbar, {1, 64}}},
      {{"tbar", "128", "--direction", "0"}, {kTbar, {0, 128}}},
      // The toggles carry the state before the press.
      {{"on-air", "on"}, {kOnAir, {0}}},
      {{"bkgd", "off"}, {kBkgd, {1}}},
      {{"key1", "on"}, {kKey1, {0}}},
      {{"key2", "off"}, {kKey2, {1}}},
  };
  for (const auto& [args, frame] : cases) {
    const CtlRun r = run_ctl(ctl_lan(sim, 0, 7) + QStringList{"switcher"} + args);
    EXPECT_EQ(r.exit_code, 0) << args.join(' ').toStdString() << r.err.toStdString();
    const std::vector<uint8_t> expected =
        build_frame(0xA5, 7, Link::Udp, frame.first, frame.second);
    EXPECT_TRUE(sim.received(expected)) << args.join(' ').toStdString();
    for (const devsim::ReceivedFrame& f : sim.sim().frames()) {
      if (f.bytes == expected) {
        EXPECT_EQ(f.local_port, sim.options().switcher_device_port);
      }
    }
  }
  EXPECT_EQ(sim.sim().switcher_state(0).cuts, 1);
  EXPECT_TRUE(sim.no_bad_frames());

  const size_t before = sim.sim().frame_count();
  const QStringList sw = ctl_lan(sim, 0, 7) + QStringList{"switcher"};
  expect_usage_errors({
      {sw + QStringList{"pgm", "13"}, "SOURCE"},
      {sw + QStringList{"pvm", "0"}, "SOURCE"},
      {sw + QStringList{"tbar", "0"}, "VALUE"},
      {sw + QStringList{"tbar", "129"}, "VALUE"},
      {sw + QStringList{"tbar", "5", "--direction", "2"}, "--direction"},
      {sw + QStringList{"pgm", "1", "--direction", "1"}, "--direction"},
      {sw + QStringList{"cut", "now"}, "cut"},
      {sw + QStringList{"wipe-style", "9"}, "PATTERN"},
      {sw + QStringList{"key1", "maybe"}, "key1"},
      {sw + QStringList{"fade"}, "fade"},
      {ctl_ports(sim) + QStringList{"--serial-port", "/dev/null", "switcher", "cut"},
       "--serial-port"},
  });
  EXPECT_TRUE(sim.nothing_more(before));
}

TEST(CtlProcessors, LayoutFramesAndTheRk5502State) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0x60, 2), devsim::DeviceSpec::lan(0xA3, 5),
                        devsim::DeviceSpec::serial(0xA3, 1)});
  ASSERT_TRUE(sim.started());
  const CtlRun rk = run_ctl(ctl_lan(sim, 0, 2) + QStringList{"rk5502", "layout", "17"});
  EXPECT_EQ(rk.exit_code, 0) << rk.err.toStdString();
  EXPECT_TRUE(sim.received(
      build_frame(0x60, 2, Link::Udp, processor_cmd::kLayout, std::vector<uint8_t>{17})));
  const CtlRun tm = run_ctl(ctl_lan(sim, 1, 5) + QStringList{"tm3306", "layout", "15"});
  EXPECT_EQ(tm.exit_code, 0) << tm.err.toStdString();
  EXPECT_TRUE(sim.received(
      build_frame(0xA3, 5, Link::Udp, processor_cmd::kLayout, std::vector<uint8_t>{15})));
  const CtlRun tm_serial = run_ctl(ctl_serial(sim, 1) + QStringList{"tm3306", "layout", "6"});
  EXPECT_EQ(tm_serial.exit_code, 0) << tm_serial.err.toStdString();
  EXPECT_TRUE(sim.received(
      build_frame(0xA3, 1, Link::Serial, processor_cmd::kLayout, std::vector<uint8_t>{6})));
  EXPECT_EQ(sim.sim().tm3306_state(2).show_mode, 6);

  devsim::Rk5502State state = sim.sim().rk5502_state(0);
  state.show_mode = 9;
  state.output_format = 7;
  state.pip_child_ch = {3, 4};
  state.loop_state = 1;
  sim.sim().set_rk5502_state(0, state);
  const CtlRun json = run_ctl(ctl_lan(sim, 0, 2) + QStringList{"rk5502", "state", "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err.toStdString();
  EXPECT_TRUE(sim.received(build_frame(0x60, 2, Link::Udp, processor_cmd::kRk5502StateQuery, {})));
  const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
  EXPECT_EQ(o["layout"].toInt(), 9) << json.out.toStdString();
  EXPECT_EQ(o["output_format"].toInt(), 7);
  EXPECT_EQ(o["pip_channels"].toArray(), (QJsonArray{3, 4}));
  EXPECT_EQ(o["loop"].toBool(), true);
  EXPECT_TRUE(sim.no_bad_frames());

  const size_t before = sim.sim().frame_count();
  expect_usage_errors({
      {ctl_lan(sim, 0, 2) + QStringList{"rk5502", "layout", "18"}, "CODE"},
      {ctl_lan(sim, 0, 2) + QStringList{"rk5502", "layout", "-1"}, "CODE"},
      {ctl_lan(sim, 0, 2) + QStringList{"rk5502", "state", "now"}, "state"},
      {ctl_serial(sim, 1) + QStringList{"rk5502", "layout", "1"}, "--serial-port"},
      {ctl_lan(sim, 1, 5) + QStringList{"tm3306", "layout", "16"}, "CODE"},
      {ctl_lan(sim, 1, 5) + QStringList{"tm3306", "layout"}, "layout"},
      {ctl_lan(sim, 1, 5) + QStringList{"tm3306", "state"}, "state"},
  });
  EXPECT_TRUE(sim.nothing_more(before));

  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.sim().set_faults(0, silent);
  const CtlRun none = run_ctl(ctl_lan(sim, 0, 2) + QStringList{"rk5502", "state"});
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_TRUE(none.err.contains("1000 ms")) << none.err.toStdString();
  EXPECT_GE(none.elapsed_ms, 1000);
}

}  // namespace

namespace {
TEST(CtlShow, CheckReportsOrRefusesAndLabelsFollowTheFilesRoutes) {
  SimulatorFixture sim({devsim::DeviceSpec::lan(0xA1, 2)});
  ASSERT_TRUE(sim.started());
  QTemporaryDir dir;
  const QString good = dir.filePath("show.json"), bad = dir.filePath("bad.json");
  {
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Window n shows SDI n. SDI 1 hangs on router output 2, which carries
    // input 3 (source 3); SDI 2 carries source 1, named "CAM 2" as the
    // simulator already labels window 2.
    f.write(QStringLiteral(R"({"sources": [{"number": 1, "name": "CAM 2"},
                                        {"number": 3, "name": "Studio 3"}],
        "multiviewer": {"device": "%1,2",
                        "inputs": [{"sdi": 1, "router_output": 2}, {"sdi": 2, "source": 1}]},
        "router": {"device": "10.9.9.9", "routes": [{"output": 2, "input": 3}]}})")
                .arg(QString::fromStdString(sim.address(0)))
                .toUtf8());
    QFile g(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(R"({"sources": [{"number": 0, "name": "X"}]})");
  }
  const CtlRun check = run_ctl({"show", "check", good});
  EXPECT_EQ(check.exit_code, 0) << check.err.toStdString();
  EXPECT_TRUE(check.out.contains("a show of 2 named sources")) << check.out.toStdString();
  const CtlRun refused = run_ctl({"show", "check", bad});
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_EQ(refused.err.trimmed(), bad + ": sources[0].number: 0 is out of range (1 to 64)");

  // Window 2's label is "CAM 2" on the device already: only window 1 is sent.
  const CtlRun labels = run_ctl(ctl_ports(sim) + QStringList{"show", "labels", good});
  EXPECT_EQ(labels.exit_code, 0) << labels.err.toStdString();
  EXPECT_EQ(labels.out, "window 1: \"Studio 3\"\n");
  const auto frames = sim.frames_with_command(0, mv_cmd::kUmdText);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bytes, build_frame(0xA1, 2, Link::Udp, mv_cmd::kUmdText,
                                         umd_text_payload(1, QStringLiteral("Studio 3"))));
}
}  // namespace
