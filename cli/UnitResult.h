#pragma once

#include "Phrase.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// How one command ended on one unit: the exit code it gives, how it ended
// in a word, and what a person is told about it.
struct UnitResult
{
    QString unit;
    QString command;
    int exitCode = 0;
    QString ending;         // "Complete", a programming cycle's ending, "LinkNotOpened", ...
    QString reason;         // what went wrong; empty on success
    QString shownReason;    // the reason in the language of the run; empty when the same
    double seconds = 0;     // from the link's opening to its closing
    qint64 bytes = 0;       // program: the bytes sent
    QString identification; // ident: the unit's identification
    std::optional<quint32> version; // version: the unit's software version
    // program: the firmware file sent or looked for, the blocks sent of the
    // whole, and the failure reported last (0 when none) with its text.
    QString firmwareFile;
    int blocksSent = 0;
    int blocksTotal = 0;
    qint32 error = 0;
    QString errorText;
    // program: whether the unit was sent anything that changes it (a check
    // says nothing of it); with --level, the level it ran before and after,
    // where it answered. firmware: the file it runs and its level.
    std::optional<bool> changed;
    std::optional<int> levelBefore;
    std::optional<int> levelAfter;
    QString runningFirmware;
    std::optional<int> level;
    // program: the record added to the unit log, or why none could be.
    QJsonObject record;
    QString recordError;

    bool ok() const { return exitCode == 0; }

    // The result event, and back.
    QJsonObject toJson() const;
    static UnitResult fromJson(const QJsonObject &object);

    // One line for a person, after the unit's name: "ok: ..." or "failed (exit N): ...".
    // In English for the error log and the JSON's readers; shownSummary in
    // the language of the run. The reason stays as it was made.
    QString summary() const { return summaryIn(false); }
    QString shownSummary() const { return summaryIn(true); }

    void setReason(const Phrase &phrase)
    {
        reason = phrase.english;
        shownReason = phrase.shown;
    }

    // A failure's line in the error log: the time, the command, the unit and the summary.
    void log() const;

private:
    QString summaryIn(bool shown) const;
};
