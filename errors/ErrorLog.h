#pragma once

#include <QString>

// The program-wide error log: one entry per line, appended, never emptied.
// When the chosen file cannot be written the entries go to the per-user
// application data folder under the same name, and failing that to the
// standard error stream, so that no entry is lost.
namespace ErrorLog {

// Switches the log on. Mode 2 appends to the file; other modes are refused
// (the log stays as it was) and the function returns false.
bool start(const QString &target, int mode);
bool isActive();

// The file the log is meant to go to, and the one used when that fails.
QString target();
QString fallbackTarget();

// Appends one entry. Control characters are written as \xNN, so that no text
// from a unit or a file name can split a line or forge another entry.
// Returns the file the entry went to, or an empty string for standard error.
QString append(const QString &entry);

// The entry as it is written: every control character escaped.
QString escaped(const QString &entry);

// Switches the log off (tests).
void stop();

} // namespace ErrorLog
