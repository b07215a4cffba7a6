#pragma once

#include "Phrase.h"
#include "ScalerSettings.h"

#include <QString>

// What the program's start and its opening of the link need of the main
// window: its loading and showing, the settings it works with, the check
// for internet support, the caption and two buttons, and its place on the
// screen for the messages shown over it.
class ProgrammerWindow
{
public:
    virtual ~ProgrammerWindow() = default;

    virtual void loadWindow() = 0;
    virtual void showWindow() = 0;
    // The settings the window works with from now on.
    virtual void useSettings(const ScalerSettings &settings) = 0;
    // The internet component's answer about the platform's internet support.
    virtual qint32 checkInternetSupport() = 0;
    virtual void setCheckUpdateVisible(bool visible) = 0;
    virtual void setProgrammeEnabled(bool enabled) = 0;
    virtual void setCaption(const QString &caption) = 0;
    // The window's left and top edges in twips.
    virtual qint32 leftTwips() const = 0;
    virtual qint32 topTwips() const = 0;
};

// Shows a positioned message over the window's top-left corner (the
// screen's when there is none) and returns the answer code.
qint16 windowMessage(const ProgrammerWindow *window, const Phrase &text, qint32 style,
                     const Phrase &title);
