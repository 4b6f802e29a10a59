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
TEST(CommandLine, ScanSearchesAtStartAndTheDemoLeavesItToTheOperator) {
  EXPECT_FALSE(parse({}).scan_at_start);
  EXPECT_TRUE(parse({"--scan"}).scan_at_start);
  const CommandLine demo = parse({"--demo"});
  EXPECT_TRUE(demo.demo);
  EXPECT_FALSE(demo.scan_at_start);
  EXPECT_TRUE(parse({"--demo", "--scan"}).scan_at_start);
  EXPECT_FALSE(parse({}).trace);
  EXPECT_TRUE(parse({"--trace"}).trace);
}
}  // namespace

namespace {
TEST(CommandLine, DeviceRowsByKindNameOrTypeCode) {
  const CommandLine cl =
      parse({"--device", "192.168.1.50,switcher", "--device=10.0.0.7,matrix,7", "--device",
             "10.0.0.8, 0x82 ,255", "--device", "10.0.0.9,Multiviewer,0", "--device",
             "10.0.0.10,rk5502", "--device", "10.0.0.11,tm3306,3", "--device", "10.0.0.12,0xa5"});
  ASSERT_EQ(cl.action, CommandLine::Action::Run) << cl.message;
  const std::vector<ManualDevice> expected = {{"192.168.1.50", 0xA5, 1}, {"10.0.0.7", 0x81, 7},
                                              {"10.0.0.8", 0x82, 255},   {"10.0.0.9", 0xA1, 0},
                                              {"10.0.0.10", 0x60, 1},    {"10.0.0.11", 0xA3, 3},
                                              {"10.0.0.12", 0xA5, 1}};
  EXPECT_EQ(cl.devices, expected);
  EXPECT_FALSE(cl.scan_at_start) << "rows given send nothing by themselves";
  EXPECT_TRUE(parse({}).devices.empty());
}

TEST(CommandLine, BadDeviceRowsNameTheOptionOnOneLine) {
  const std::vector<std::string> bad = {
      "192.168.1.50",             // no kind
      "192.168.1.50,",            // empty kind
      "192.168.1.50,router",      // unknown kind
      "192.168.1.50,0x100",       // type code beyond a byte
      "192.168.1.50,0x",          // no digits
      "192.168.1.50,0xG1",        // not hexadecimal
      "192.168.1.50,matrix,256",  // id beyond a byte
      "192.168.1.50,matrix,-1",   // negative id
      "192.168.1.50,matrix,x",    // id not a number
      "192.168.1.50,matrix,1,2",  // too many parts
      "192.168.1,matrix",         // three fields
      "192.168.1.500,matrix",     // field beyond 255
      "host.example,matrix",      // a name, not an address
      ",matrix",                  // no address
      "0.0.0.0,matrix",           // no device's address
      "255.255.255.255,matrix",   // broadcast
      "239.1.2.3,matrix",         // multicast
  };
  for (const std::string& value : bad) {
    const CommandLine cl = parse({"--device", value});
    EXPECT_EQ(cl.action, CommandLine::Action::Error) << value;
    EXPECT_NE(cl.message.find("--device"), std::string::npos) << cl.message;
    EXPECT_EQ(cl.message.find('\n'), std::string::npos) << cl.message;
    EXPECT_TRUE(cl.devices.empty()) << value;
  }
  const CommandLine missing = parse({"--device"});
  EXPECT_EQ(missing.action, CommandLine::Action::Error);
  EXPECT_NE(missing.message.find("ADDRESS,KIND[,ID]"), std::string::npos) << missing.message;
  const CommandLine kind = parse({"--device", "10.0.0.1,router"});
  EXPECT_NE(kind.message.find("router"), std::string::npos) << kind.message;
  EXPECT_NE(kind.message.find("switcher"), std::string::npos) << "names the kinds";
  EXPECT_NE(parse({"--device", "10.0.0.1,matrix", "--help"}).message.find("--device ADDRESS"),
            std::string::npos);
}

TEST(CommandLine, DeviceKindsAndListText) {
  EXPECT_EQ(device_kind_name(0xA1), "multiviewer");
  EXPECT_EQ(device_kind_name(0x81), "matrix");
  EXPECT_EQ(device_kind_name(0xA5), "switcher");
  EXPECT_EQ(device_kind_name(0x60), "rk5502");
  EXPECT_EQ(device_kind_name(0xA3), "tm3306");
  EXPECT_EQ(device_kind_name(0x82), "0x82");
  EXPECT_EQ(device_kind_name(0x05), "0x05");
  for (const std::string& name : device_kind_names())
    EXPECT_EQ(device_kind_name(*parse_device_kind(name)), name);
  EXPECT_EQ(parse_device_kind("0x5"), 0x05);
  EXPECT_EQ(parse_device_kind("0XA3"), 0xA3);
  EXPECT_EQ(parse_device_kind("A5"), std::nullopt) << "codes carry 0x";
  EXPECT_EQ(parse_device_kind("165"), std::nullopt);
  EXPECT_EQ(manual_device_item_text({"192.168.1.50", 0xA5, 2}), "switcher_192.168.1.50");
  EXPECT_EQ(manual_device_item_text({"10.0.0.8", 0x82, 1}), "0x82_10.0.0.8");
  EXPECT_TRUE(check_device_address("192.168.1.255").empty());
  EXPECT_NE(check_device_address("1.2.3.4 ").find("not an IPv4 address"), std::string::npos);
}
}  // namespace
