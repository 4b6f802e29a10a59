#pragma once
// Command line of the panel. Parsed before any window exists so --help and
// --version work without a display.
#include <string>
#include <vector>

#include "app/manual_devices.h"
#include "link/link_options.h"

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  LinkOptions link;
  bool demo = false;
  bool scan_at_start = false;         // press scan once the window is shown
  bool trace = false;                 // show every trace category
  bool restore = true;                // restore the remembered setup at start
  std::vector<ManualDevice> devices;  // --device rows, in the order given
  std::string show_file;              // --show FILE; empty when not given
  std::string message;                // help text, version line or the one-line error
};

CommandLine parse_command_line(const std::vector<std::string>& args);
std::string command_line_help();
