#pragma once
// One place for every message box the operator sees. Tests replace the box
// with a recorder so no test ever blocks on a modal dialog.
#include <QString>
#include <QStringList>
#include <functional>

// "Err" box with OK and Cancel and no owner, as every device-link error uses.
void show_error(const QString& text);
// The application's default box with one OK button and no caption of its own
// (used for the network-stack start failure).
void show_plain_message(const QString& text);

// Connects the device link to these boxes and to the busy cursor. The main
// window does it at start; install_error_recorder does it too.
void install_link_ui_hooks();

// Replaces the boxes by a sink: (text, caption). Passing an empty function
// restores the real boxes.
using ErrorSink = std::function<void(const QString& text, const QString& caption)>;
void set_error_sink(ErrorSink sink);

// Test support: record every message instead of showing it.
void install_error_recorder();
QStringList recorded_errors();
void clear_recorded_errors();
