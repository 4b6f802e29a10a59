#pragma once
// The main window as the panel starts it from its command line.
#include "app/command_line.h"

class CKELVARO_16_VIEWDlg;

// Makes and shows the main window: the remembered setup is kept and, unless
// --no-restore, restored (not for the demo, whose simulated devices are not
// the operator's setup); the --device rows are listed and the first opened;
// with --scan a search starts once the event loop runs. The caller owns it.
CKELVARO_16_VIEWDlg* open_main_window(const CommandLine& cl);
