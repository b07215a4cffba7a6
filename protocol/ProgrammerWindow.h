#pragma once

#include <QString>

// How a programming cycle ended.
enum class CycleEnding
{
    Complete,         // the unit reported the whole file received
    NoFolder,         // no firmware folder was given
    NoIdentification, // no or too short an identification
    NoFile,           // no firmware file for the unit's identification
    NoReady,          // no "S" after "U"
    NoStart,          // no "A" after "Y"
    BlockRefused,     // a block was answered with something other than "A"
    NotComplete,      // the last answer was not "E"
    Aborted,          // the user aborted
    FileUnreadable,   // the firmware file could not be opened or read whole
};

// What the program's logic needs of the main window: the status line, the
// percentage bar, the two buttons of a programming cycle, one pass over
// pending input, the window's position for messages, and what start-up sets.
class ProgrammerWindow
{
public:
    virtual ~ProgrammerWindow() = default;

    virtual void setStatus(const QString &text) = 0;
    virtual QString status() const = 0;
    // Throws RunError where the percentage bar cannot draw the value.
    virtual void setProgressValue(qint32 value) = 0;
    virtual void setAbortEnabled(bool enabled) = 0;
    virtual void setProgrammeEnabled(bool enabled) = 0;
    virtual void processPendingInput() = 0;

    // The window's left and top edges in twips.
    virtual qint32 leftTwips() const = 0;
    virtual qint32 topTwips() const = 0;

    // Start-up: load (size and set up) the window, then show it.
    virtual void loadWindow() = 0;
    virtual void showWindow() = 0;
    virtual void setCaption(const QString &caption) = 0;
    virtual QString caption() const = 0;
    virtual void setCheckUpdateVisible(bool visible) = 0;

    // Told once, as a programming cycle ends, how it ended. The main window
    // shows each ending through the status line and its messages alone.
    virtual void cycleEnded(CycleEnding ending) { Q_UNUSED(ending) }
};

// The program's main window, once it exists (nullptr before and after).
ProgrammerWindow *mainWindow();
void setMainWindow(ProgrammerWindow *window);

// Shows a positioned message at the main window's top-left corner (at the
// screen's corner when there is no window) and returns the answer code.
qint16 windowMessage(const QString &text, qint32 style, const QString &title);
