#pragma once
// The main window as the panel starts it from its command line.
#include <optional>

#include "app/command_line.h"
#include "show/show_file.h"

class CKELVARO_16_VIEWDlg;

// Makes and shows the main window: the remembered setup is kept and, unless
// --no-restore, restored (not for the demo, whose simulated devices are not
// the operator's setup); the --device rows are listed and the first opened;
// with --scan a search starts once the event loop runs. The show of --show
// (read by the caller, so a bad file ends the program before any window) is
// started; without one, the show last started is, when the setup is
// restored. The caller owns the window.
CKELVARO_16_VIEWDlg* open_main_window(const CommandLine& cl,
                                      const std::optional<Show>& show = std::nullopt);
