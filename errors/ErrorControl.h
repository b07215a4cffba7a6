#pragma once

#include "Phrase.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <array>

// The one place every failing handler reports to: shows a message chosen by
// the error number, appends a line to the error log, tells the caller whether
// the user chose to go on, and ends the program for the fatal numbers and for
// the fifth report of the same failure.
class ErrorControl
{
public:
    // Appends s_debug to the log unchanged (no time or date); returns false.
    bool Adddebug(const QString &s_debug);

    // Reports one failure of procedure subname in module filename. Returns
    // true only when the user answered Yes; does not return when the failure
    // ends the program. The description is the failure's own text (the log's
    // Desc); an empty one takes the standard text of the number. Where the
    // message names it, the person is shown shownDescription (its
    // translation) when there is one.
    bool Adderror(const QString &filename, const QString &subname, qint32 errorcode,
                  bool followresume = true, const QString &description = QString(),
                  const QString &shownDescription = QString());

    // Does nothing.
    void stophandler();

    // Switches the program-wide log on: mode 2 appends entries to logTarget.
    void starterrorhandler(const QString &logTarget, qint32 logMode = 2);

    // How many times the watched number has been reported.
    qint32 reportCount() const { return m_count; }

    // What happens after a number's message has been answered.
    enum class After
    {
        Answer,
        ForcedNo,
        LogThenEnd,
        EndWithoutLog
    };
    struct Row
    {
        Phrase message; // lines joined by CR LF
        qint32 style;
        After after;
        bool withDescription = false; // the failure's own text ends the message
    };
    // The message, style and consequence for an error number.
    static Row rowFor(qint32 errorcode);

    // One log line as the report writes it.
    static QString logLine(const QTime &time, const QDate &date, const QLocale &locale,
                           const QString &filename, const QString &subname, qint32 errorcode,
                           const QString &description);

    static constexpr qint32 FatalRepeat = 5;

private:
    std::array<qint32, 6> m_recorded{};
    qint32 m_count = 0;
};

// The program-wide instance, created on first use.
ErrorControl &ErrorCtl();
// Releases it; the next use creates a fresh one (the log stays on).
void releaseErrorCtl();
