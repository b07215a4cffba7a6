#pragma once

#include <QString>

// Where the program keeps its files, worked out once at start from the
// folder it runs from and the user's environment.
//
// On Windows the error log and the firmware lie in the program's folder,
// and downloads go there too unless it cannot be written. Elsewhere the
// program's folder belongs to the system (/usr/bin): the error log goes to
// the user's state folder ($XDG_STATE_HOME, ~/.local/state), firmware and
// downloads to the user's data folder ($XDG_DATA_HOME, ~/.local/share),
// each under ORVANT/Flashwright.
struct ProgramPaths
{
    QString programFolder;
    QString errorLog;       // Programmererror.log
    QString firmwareFolder; // the firmware folder until one is chosen, ending in a separator
    QString downloadFolder; // where the update check puts what it downloads
    QString dataFolder;     // the user's own data of the program
    QString unitLog;        // units.jsonl in the data folder: a record of every unit programmed

    static ProgramPaths forProgramIn(const QString &programFolder);
};
