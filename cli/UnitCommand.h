#pragma once

#include "CliOptions.h"
#include "ConsoleOutput.h"
#include "ProgrammerWindow.h"
#include "ScalerSettings.h"

// Points the program's settings record at the unit for this run, with the
// serial parameters of the options for a serial port. Nothing is saved.
void useTarget(const UnitTarget &target, const CliOptions &options);

// The unit's name for the settings record: its serial port, or address:port.
QString unitLabel(const ScalerSettings &settings);

// Why the link of the settings record did not open, as far as can be told
// from here: a port name or parameters that cannot be used, a device that
// is not there or that this user may not open, else where the reason is logged.
QString linkProblem(const ScalerSettings &settings);

// The exit code for how a programming cycle ended.
int exitCodeFor(CycleEnding ending);
// The ending's name in a result event, such as "BlockRefused".
QString endingName(CycleEnding ending);

// Runs one command on the unit the settings record names, in this process,
// as the window's command does: opens the link, runs the protocol operation
// with this program's window and answerer in place, closes the link, and
// prints the result. Returns the exit code.
int runUnitCommand(const CliOptions &options, ConsoleOutput &output);
