#pragma once

#include "ScalerSettings.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct CycleResult;

// The unit as records and the console name it: its serial port, or address:port.
QString unitLabel(const ScalerSettings &settings);

// One unit programmed, or left alone, as the unit log keeps it.
struct UnitRecord
{
    QString tool; // "flashwright" or "flashwright-cli"
    QString unit;
    QString identification; // empty when the unit was not identified
    std::optional<int> levelBefore;
    std::optional<int> levelAfter;
    QString runningFirmware; // the file the unit last said it runs
    QString firmwareFile;    // the file sent or looked for: its name, size and sha256 are kept
    // The SHA-256 and size of what the unit took, when it took the whole file.
    QByteArray sentSha256;
    qint64 sentSize = 0;
    QDateTime start;
    QDateTime end;
    int blocksSent = 0;
    int blocksTotal = 0;
    QString result; // "programmed", "unchanged" or "failed"
    QString ending;
    std::optional<int> exitCode; // the console's; the window has none
    QString reason;              // the console's reason for a failure
    qint32 error = 0;
    QString errorText;

    // A record of tool's work on unit, starting now.
    static UnitRecord begun(const QString &tool, const QString &unit);
    // Takes what a programming cycle did: identification, file, blocks,
    // ending, error, and the result it makes.
    void takeCycle(const CycleResult &cycle);
    // The record as written, with the tool's version, the host, and the
    // firmware file's size and sha256: of the bytes the unit took when it
    // took the whole file, else of the file as it is now.
    QJsonObject toJson() const;
};

namespace UnitLog {
// Appends the record as one line, whole or not at all, under an exclusive
// lock, so that records of several processes never mix; a last line left cut
// by an earlier writer stays a line of its own. Returns what was written.
// Throws RunError 8032 with the file and the reason when it cannot be written.
QJsonObject append(const QString &file, const UnitRecord &record);

struct Contents
{
    QList<QJsonObject> records;
    QStringList problems; // lines that are not records, and a last line cut short
};
// Reads the log. Throws RunError 75 with the reason when it cannot be read.
Contents read(const QString &file);
} // namespace UnitLog
