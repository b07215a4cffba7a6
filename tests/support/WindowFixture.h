#pragma once

#include "ProgramFixture.h"
#include "VqSimulator.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QLabel;
class frm_programme;

// What a person sees of a label: its text each time it is painted, with
// repeats left out.
class PaintedTexts : public QObject
{
public:
    explicit PaintedTexts(QLabel *label);
    QStringList texts() const { return m_texts; }
    void clear() { m_texts.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_label;
    QStringList m_texts;
};

// The program's main window, started as at start-up, against a simulated
// unit on loopback TCP and a firmware folder of the test's own. The person
// at the message boxes answers as planned, and turns the unit off and on
// when asked to.
class WindowFixture : protected ProgramFixture
{
protected:
    static const QString TurnUnitOff;

    void startWindow(const VqSimOptions &unit);
    void stopWindow();

    QString firmwareFolder() const;
    void writeFirmware(const QString &name, const QByteArray &image);
    // Each message as "title|style|text".
    QStringList messages() const;
    static QString message(const QString &title, int style, const QString &text);
    QStringList painted() const { return m_painted->texts(); }
    void clearPainted() { m_painted->clear(); }
    // Runs action in the window's pass over input once the unit has received
    // at least blocks blocks of an upload.
    void atBlock(int blocks, std::function<void()> action);
    // Whether the window is idle again: controls as before a command, the
    // link closed, and the firmware file among no open descriptors.
    bool idle() const;

    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<frm_programme> window;

private:
    std::unique_ptr<PaintedTexts> m_painted;
};
