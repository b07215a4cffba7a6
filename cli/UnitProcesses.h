#pragma once

#include "CliOptions.h"
#include "ConsoleOutput.h"
#include "ProgressMeter.h"
#include "UnitResult.h"

#include <QEventLoop>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

// Several units at once: each in a run of this program of its own, with
// --json, so that a fault on one unit cannot touch another. Their events
// are passed on (--json), drawn as one line a unit (a terminal) or printed
// as they come; one summary line a unit ends the output. Ctrl-C goes on to
// every unit; units not yet started then are not started.
class UnitProcesses : public QObject
{
    Q_OBJECT

public:
    UnitProcesses(const CliOptions &options, ConsoleOutput &output);
    ~UnitProcesses() override;

    // Works on every unit, at most options.jobs at once (all when 0). Returns
    // the exit code of the first unit in the order given that failed, or 0.
    int run();

private:
    struct Unit
    {
        UnitTarget target;
        QString label;
        QProcess process;
        QByteArray pending; // output not yet a whole line
        QByteArray errors;  // the end of its standard error
        QString latest;     // its last stage or message
        std::optional<Progress> progress;
        std::optional<UnitResult> result;
        bool started = false;
        bool done = false;
    };

    void startWaiting();
    void start(Unit &unit);
    void read(Unit &unit);
    void take(Unit &unit, const QByteArray &line);
    void finished(Unit &unit);
    void interrupted();
    void drawSoon();
    void draw();
    QString lineFor(const Unit &unit) const;
    bool allDone() const;

    const CliOptions &m_options;
    ConsoleOutput &m_output;
    std::vector<std::unique_ptr<Unit>> m_units;
    int m_labelWidth = 0;
    int m_running = 0;
    int m_drawnLines = 0;
    QString m_footer;
    QTimer m_drawLater;
    QEventLoop m_loop;
};
