#pragma once
// Where the panel keeps the user's settings: organisation "kelvaro",
// application "kelvaro_multiview", so on Linux the file is
// ~/.config/kelvaro/kelvaro_multiview.conf and XDG_CONFIG_HOME moves it.
//
// Earlier versions kept it under the framework wizard's placeholder key
// (kWizardRegistryKey), which is still the application's registry key but
// holds nothing of ours any more: a file found there is moved to the new
// place once, at start.
#include <QString>

// The application's registry key, as the framework's wizard named it.
extern const char16_t kWizardRegistryKey[];

// Sets the organisation and application names QSettings files are found by.
void set_settings_location();

// Moves the settings file from the wizard's folder to the current place when
// the current place has none, and removes the old folder once empty. Returns
// what it did, for the trace ("" when there was nothing to move).
QString move_old_settings();
