#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {
CommandLine parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kelvaro_multiview");
  return parse_command_line(args);
}

TEST(CommandLine, DefaultsAreTheRealPortsAndBroadcast) {
  const CommandLine cl = parse({});
  EXPECT_EQ(cl.action, CommandLine::Action::Run);
  EXPECT_EQ(cl.link.bind_port, 7000);
  EXPECT_EQ(cl.link.device_port, 7000);
  EXPECT_EQ(cl.link.switcher_bind_port, 7001);
  EXPECT_EQ(cl.link.switcher_device_port, 7001);
  EXPECT_EQ(cl.link.search_address, "255.255.255.255");
  EXPECT_TRUE(cl.link.serial_ports.empty());
  EXPECT_FALSE(cl.demo);
}

TEST(CommandLine, LinkOptionsInBothSpellings) {
  const CommandLine cl =
      parse({"--bind-port", "17000", "--device-port=17001", "--switcher-bind-port", "17002",
             "--switcher-device-port", "17003", "--search-address", "127.255.255.255",
             "--serial-port", "/dev/pts/3", "--serial-port=/dev/pts/4"});
  ASSERT_EQ(cl.action, CommandLine::Action::Run) << cl.message;
  EXPECT_EQ(cl.link.bind_port, 17000);
  EXPECT_EQ(cl.link.device_port, 17001);
  EXPECT_EQ(cl.link.switcher_bind_port, 17002);
  EXPECT_EQ(cl.link.switcher_device_port, 17003);
  EXPECT_EQ(cl.link.search_address, "127.255.255.255");
  EXPECT_EQ(cl.link.serial_ports, (std::vector<std::string>{"/dev/pts/3", "/dev/pts/4"}));
}

TEST(CommandLine, BadValuesNameTheOptionOnOneLine) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bind-port", "0"},       {"--device-port", "65536"},    {"--switcher-bind-port", "x1"},
      {"--switcher-device-port"}, {"--search-address", "1.2.3"}, {"--search-address", "300.1.1.1"},
      {"--serial-port"},          {"--bind-port", "70 00"},
  };
  for (const auto& args : bad) {
    const CommandLine cl = parse(args);
    EXPECT_EQ(cl.action, CommandLine::Action::Error) << args[0];
    EXPECT_NE(cl.message.find(args[0]), std::string::npos) << cl.message;
    EXPECT_EQ(cl.message.find('\n'), std::string::npos) << cl.message;
  }
  const CommandLine unknown = parse({"--frobnicate"});
  EXPECT_EQ(unknown.action, CommandLine::Action::Error);
  EXPECT_NE(unknown.message.find("--frobnicate"), std::string::npos);
}

TEST(CommandLine, HelpAndVersion) {
  const CommandLine help = parse({"--bind-port", "9", "--help"});
  EXPECT_EQ(help.action, CommandLine::Action::Help);
  for (const char* opt : {"--bind-port", "--device-port", "--switcher-bind-port",
                          "--switcher-device-port", "--search-address", "--serial-port"})
    EXPECT_NE(help.message.find(opt), std::string::npos) << opt;
  const CommandLine version = parse({"--version"});
  EXPECT_EQ(version.action, CommandLine::Action::Version);
  EXPECT_NE(version.message.find("1.0.1.5"), std::string::npos);
}
}  // namespace

namespace {
TEST(CommandLine, ScanAndDemoSearchAtStart) {
  EXPECT_FALSE(parse({}).scan_at_start);
  EXPECT_TRUE(parse({"--scan"}).scan_at_start);
  const CommandLine demo = parse({"--demo"});
  EXPECT_TRUE(demo.demo);
  EXPECT_TRUE(demo.scan_at_start);
  EXPECT_FALSE(parse({}).trace);
  EXPECT_TRUE(parse({"--trace"}).trace);
}
}  // namespace
