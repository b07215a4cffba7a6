#pragma once

#include "ConsoleOutput.h"

#include <QString>

#include <optional>

// Prints the unit log's records, oldest first: only those of unit, and of
// result (a result such as "failed" or an ending such as "BlockRefused"),
// when given. A table, or each record as it is written with an "event" of
// "record". Lines that are not records are named on standard error. Returns
// the exit code.
int listRecords(ConsoleOutput &output, const QString &file, const std::optional<QString> &unit,
                const std::optional<QString> &result);
