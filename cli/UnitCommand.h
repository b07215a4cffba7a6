#pragma once

#include "CliOptions.h"
#include "ConsoleOutput.h"
#include "ScalerSettings.h"
#include "UnitLog.h"
#include "UnitSession.h"

// The settings for one unit of this run: the stored ones, pointed at the
// unit given, with the serial parameters of the options for a serial port.
// Nothing is saved.
ScalerSettings settingsFor(const UnitTarget &target, const CliOptions &options,
                           ScalerSettings settings);

// Why the link on settings did not open, in the console's words: a port
// name or parameters that cannot be used, a device that is not there or
// that this user may not open, or what the link said (linkWhy).
Phrase linkProblem(const ScalerSettings &settings, const QString &linkWhy);

// The exit code for how a programming cycle ended.
int exitCodeFor(CycleEnding ending);

// What a person is told of a cycle that did not complete.
Phrase endingReason(const CycleResult &result, const QString &folder);

// Runs one command on the unit settings name, in this process: opens the
// link, runs the unit's session with this program's observer and answerer,
// closes the link, adds program's record to unitLog, and prints the result.
// Returns the exit code.
int runUnitCommand(const CliOptions &options, const ScalerSettings &settings,
                   const QString &unitLog, ConsoleOutput &output);
