// The devsim tool's command line.
#include "devsim/cli.h"

#include <gtest/gtest.h>

using namespace devsim;

TEST(DevsimCli, BuildsTheDeviceListAndPortsFromTheOptions) {
  const CliConfig c = parse_cli({"--multiviewer",
                                 "2",
                                 "--matrix",
                                 "1",
                                 "--matrix-type",
                                 "0x82",
                                 "--switcher",
                                 "1",
                                 "--rk5502",
                                 "1",
                                 "--tm3306",
                                 "1",
                                 "--serial",
                                 "0xA1",
                                 "--bind-port",
                                 "21000",
                                 "--device-port",
                                 "21001",
                                 "--switcher-bind-port",
                                 "21002",
                                 "--switcher-device-port",
                                 "21003",
                                 "--name",
                                 "LAB_",
                                 "--delay",
                                 "50",
                                 "--drop",
                                 "-1",
                                 "--garbage",
                                 "3",
                                 "--truncate",
                                 "30",
                                 "--wrong-command",
                                 "--duplicate",
                                 "2",
                                 "--label-length",
                                 "40",
                                 "--flood",
                                 "100"});
  ASSERT_EQ(c.action, CliConfig::Action::Run) << c.message;
  const auto& d = c.options.devices;
  ASSERT_EQ(d.size(), 7u);
  EXPECT_EQ(d[0].type, 0xA1);
  EXPECT_EQ(d[1].id, 2);
  EXPECT_EQ(d[1].name, "LAB_MV16_2");
  EXPECT_EQ(d[2].type, 0x82);
  EXPECT_EQ(d[3].type, 0xA5);
  EXPECT_EQ(d[4].type, 0x60);
  EXPECT_EQ(d[5].type, 0xA3);
  EXPECT_EQ(d[6].type, 0xA1);
  EXPECT_EQ(d[6].transport, Transport::Serial);
  EXPECT_EQ(d[6].id, 3);
  EXPECT_EQ(c.options.bind_port, 21000);
  EXPECT_EQ(c.options.device_port, 21001);
  EXPECT_EQ(c.options.switcher_bind_port, 21002);
  EXPECT_EQ(c.options.switcher_device_port, 21003);
  EXPECT_EQ(c.options.search_address, "127.255.255.255");
  EXPECT_EQ(c.faults.reply_delay_ms, 50);
  EXPECT_EQ(c.faults.drop_replies, -1);
  EXPECT_EQ(c.faults.garbage_bytes, 3u);
  EXPECT_EQ(c.faults.truncate_to, 30u);
  EXPECT_TRUE(c.faults.wrong_command);
  EXPECT_EQ(c.faults.duplicates, 2);
  EXPECT_EQ(c.faults.label_length, 40);
  EXPECT_EQ(c.faults.flood_per_second, 100);
}

TEST(DevsimCli, ScriptsAndErrors) {
  CliConfig c = parse_cli({"--switcher", "1", "--script", "0x80:5,0x82:1:64,131",
                           "--script-interval", "250", "--script-repeat", "--quiet"});
  ASSERT_EQ(c.action, CliConfig::Action::Run) << c.message;
  ASSERT_EQ(c.script.size(), 3u);
  EXPECT_EQ(c.script[0].command, 0x80);
  EXPECT_EQ(c.script[0].payload, (std::vector<uint8_t>{5}));
  EXPECT_EQ(c.script[1].payload, (std::vector<uint8_t>{1, 64}));
  EXPECT_EQ(c.script[2].command, 0x83);
  EXPECT_EQ(c.script_interval_ms, 250);
  EXPECT_TRUE(c.script_repeat);
  EXPECT_TRUE(c.quiet);

  EXPECT_EQ(parse_cli({"--help"}).action, CliConfig::Action::Help);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{},
        {"--multiviewer"},
        {"--multiviewer", "x"},
        {"--matrix", "1", "--matrix-type", "0x83"},
        {"--multiviewer", "1", "--search-address", "255.255.255.255"},
        {"--multiviewer", "1", "--device-port", "0"},
        {"--switcher", "1", "--script", "0x80:300"},
        {"--multiviewer", "1", "--bogus"}})
    EXPECT_EQ(parse_cli(bad).action, CliConfig::Action::Error) << ::testing::PrintToString(bad);
}
