#pragma once

#include "ScalerSettings.h"

#include <QString>

#include <optional>

// Reads the nine settings from the store into the record; an absent key
// takes its default. A number that is not a whole number, or does not fit,
// takes the key's default and leaves a line in the error log.
void LoadSettings();

// Writes the nine settings from the record, then the main window's Left and
// Top. Throws RunError SettingsNotSaved, naming the store, when it cannot be
// written.
void SaveSettings();

// The program's folder followed by the platform's separator: where firmware
// is looked for until a folder is chosen.
QString defaultFirmwarePath();
