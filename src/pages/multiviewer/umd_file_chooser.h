#pragma once
// The file dialog of the UMD tab's Export… and Import….
#include <QString>
#include <functional>

class QWidget;

// The file the operator picks for an export (`save`) or an import; empty
// when cancelled. A file dialog unless a test has put a chooser in place.
using UmdFileChooser = std::function<QString(QWidget* parent, bool save)>;
QString choose_umd_file(QWidget* parent, bool save);
void set_umd_file_chooser(UmdFileChooser chooser);
