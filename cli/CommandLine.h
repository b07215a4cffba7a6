#pragma once

#include <QStringList>

// The console program: reads the arguments (the program's name first), runs
// the command on each unit, and returns the exit code. A QCoreApplication
// must exist.
int flashwrightCli(const QStringList &arguments);
