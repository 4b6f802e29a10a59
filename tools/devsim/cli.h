#pragma once
// Command line of the devsim tool.
#include <string>
#include <vector>

#include "devsim/simulator.h"

namespace devsim {

struct CliConfig {
  enum class Action { Run, Help, Error };
  Action action = Action::Run;
  Options options;
  Faults faults;               // given to every device
  std::vector<Report> script;  // reports every switcher sends after start
  int script_interval_ms = 1000;
  bool script_repeat = false;
  bool quiet = false;   // no line per received unit
  std::string message;  // help text or the error
};

CliConfig parse_cli(const std::vector<std::string>& args);
std::string cli_help();

// "0x80:5,0x82:1:64,0x83": command, then payload bytes, each number decimal
// or 0x-hex. Returns false on a malformed item.
bool parse_script(const std::string& text, std::vector<Report>& out);

// One log line for a received unit.
std::string describe(const ReceivedFrame& frame);

}  // namespace devsim
