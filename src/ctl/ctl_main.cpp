// kelvaro-ctl: the panel's device commands from the command line. No
// application object and no display: every wait of the link is a plain poll.
#include <iostream>
#include <string>
#include <vector>

#include "ctl/ctl.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  return ctl::run(args, std::cout, std::cerr);
}
