#pragma once

#include <QString>

#include <optional>

// Rules for texts that come from the settings store, a unit or the update
// site, kept in one place for every layer that reads such texts.

// The text as a whole number within [min, max], or nothing. Blanks around it
// and a sign are allowed; with digitsOnly, decimal digits alone.
std::optional<qint64> wholeNumber(const QString &text, qint64 min, qint64 max,
                                  bool digitsOnly = false);

// Whether name can name a file in a folder the program chose: not empty, not
// hidden (no leading "."), no "..", no path separator or drive colon, and no
// control, format or line-separator character.
bool isPlainFileName(const QString &name);

// The text before the first occurrence of ch, or the whole text without one.
QString TruncateAtChar(const QString &text, const QString &ch);
