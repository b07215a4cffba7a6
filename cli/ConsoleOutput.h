#pragma once

#include "ProgressMeter.h"
#include "UnitResult.h"
#include "UnitSession.h"
#include "UserMessage.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

// Where the console program's output goes: JSON lines on standard output, or
// text for a person, with a progress bar redrawn in place on a terminal.
// Messages and questions go to standard error unless the output is JSON.
class ConsoleOutput
{
public:
    enum class Mode
    {
        Json,     // one JSON object a line
        Terminal, // text, with the progress bar redrawn in place
        Plain     // text, without the bar (a pipe or a file)
    };
    explicit ConsoleOutput(Mode mode) : m_mode(mode) {}
    // Json when asked for, else Terminal when standard output is a terminal.
    static Mode modeFor(bool json);
    Mode mode() const { return m_mode; }

    // A new stage, with the text the status line shows for it.
    // The JSON has its English, a person reads it in the language of the run.
    void stage(const QString &unit, Stage stage, const Phrase &text);
    // The progress of an upload: at most ten a second are shown, and always
    // the last one.
    void progress(const QString &unit, const Progress &progress);
    // A message of the program, and the answer it was given ("ok", "yes" or "no").
    void message(const QString &unit, const MessageRequest &request, const QString &answer);
    // A question about to be asked, on standard error.
    void question(const MessageRequest &request);
    // A question's prompt, on standard error without a line end.
    void prompt(const QString &text);
    // The result: an event, or the unit's name and its summary line.
    void result(const UnitResult &result);
    // A note of the program itself, on standard error (an event with --json).
    void note(const QString &unit, const QString &text) { note(unit, Phrase::same(text)); }
    void note(const QString &unit, const Phrase &text);

    // One JSON object as one line.
    static void writeJson(const QJsonObject &object);
    // A unit's run started by a run of several units also writes what a
    // person is shown ("shown", "shown_title", "shown_reason"), which that run
    // displays and leaves out of its own JSON.
    static bool forParent();
    static const char *const ParentVariable;
    static QJsonObject forScripts(QJsonObject event);
    // A line on standard output.
    void writeLine(const QString &line);
    // Ends a progress bar drawn in place, so that other text starts on a line of its own.
    void endProgressLine();

    // Control characters of a text from a unit, written as \xNN so that none
    // reaches the terminal.
    static QString printable(const QString &text);
    // A status text as a person reads it: without its line end, and no
    // control character.
    static QString stageText(const QString &text);
    // A message's lines, each as a person reads it.
    static QStringList messageLines(const QString &text);
    // The terminal's width in characters (80 when it does not say).
    static int terminalWidth();

private:
    Mode m_mode;
    bool m_barShown = false;
    QElapsedTimer m_lastProgress;
};
