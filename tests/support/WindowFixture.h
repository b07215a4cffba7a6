#pragma once

#include "ProgramFixture.h"
#include "VqSimulator.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class frm_programme;

// What a person sees of a widget: what it shows each time it is painted,
// with repeats left out, and when.
class Painted : public QObject
{
public:
    Painted(QWidget *widget, std::function<QString()> shown);
    QStringList texts() const { return m_texts; }
    // When text was first painted, in ms of the monotonic clock; -1 never.
    qint64 timeOf(const QString &text) const;
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    std::function<QString()> m_shown;
    QStringList m_texts;
    QList<qint64> m_times;
};

// A unit on a serial line is a pseudo-terminal, which a Windows program
// cannot open; scripts/windows tries the Windows serial port through COM1.
#ifdef Q_OS_WIN
#define SKIP_SERIAL_UNIT(options)                                                                  \
    if ((options).baud > 0)                                                                        \
    QSKIP("a unit on a serial line is a pseudo-terminal on Linux, which Windows cannot open")
#else
#define SKIP_SERIAL_UNIT(options)
#endif

// The program's main window, started as at start-up, against a simulated
// unit on loopback TCP (on a serial line when the unit has a line rate) and
// a firmware folder of the test's own. The person
// at the message boxes answers as planned, and turns the unit off and on
// when asked to.
class WindowFixture : protected ProgramFixture
{
protected:
    void startWindow(VqSimOptions unit);
    void stopWindow();

    QString firmwareFolder() const;
    void writeFirmware(const QString &name, const QByteArray &image);
    // Each message as "title|style|text".
    QStringList messages() const { return answerer->shown(); }
    static QString message(const QString &title, int style, const QString &text)
    {
        return ScriptedAnswerer::shownAs(title, style, text);
    }
    // Runs action in the window's pass over input once the unit has received
    // at least blocks blocks of an upload.
    void atBlock(int blocks, std::function<void()> action);
    // The blocks the window has sent: during the blocks, those up to the one
    // on its way, which its status line names; else what the unit received.
    int blocksSent() const;
    // Whether the window is idle again: controls as before a command, the
    // link closed, and the firmware file among no open descriptors.
    bool idle() const;
    bool firmwareFileOpen() const;

    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<frm_programme> window;
    std::unique_ptr<Painted> status; // the status line
    std::unique_ptr<Painted> bar;    // the percentage bar's value
};
