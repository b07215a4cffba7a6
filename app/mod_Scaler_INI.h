#pragma once

#include "ScalerSettings.h"

#include <QString>

class ProgrammerWindow;

// Reads the nine settings from the store, and its Ports section; an absent
// key takes its default, defaultFirmwarePath for "Firmware". A number that
// is not a whole number, or does not fit, takes the key's default and leaves
// a line in the error log.
ScalerSettings LoadSettings(const QString &defaultFirmwarePath);

// Writes the nine settings, then the window's Left and Top (none without a
// window). Throws RunError SettingsNotSaved, naming the store, when it cannot
// be written.
void SaveSettings(const ScalerSettings &settings, const ProgrammerWindow *window);
