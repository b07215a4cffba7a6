#pragma once

#include "ProgramPaths.h"
#include "ProgrammerWindow.h"
#include "TextRules.h"

#include <QString>

#include <optional>

class UnitSession;

// The program's start: switches the error log on, loads and shows the main
// window, reads the settings and gives them to the window, asks about
// internet support, enables programming when a firmware path is set, and
// sets the caption.
void Main(ProgrammerWindow &window, const ProgramPaths &paths);

// Closes and reopens the session's link on its settings' channel. True when
// it opened (the caption is then set); otherwise tells the person and
// returns false.
bool OpenScalerLink(UnitSession &session, ProgrammerWindow &window);

// The main window's caption for a communication type.
QString windowCaption(qint32 commsType, const QString &serialPort, const QString &ethernetAddress);

// Whether "&Check Update" is shown for an answer of the web fetcher's
// internet check; nothing when the button stays as it is.
std::optional<bool> checkUpdateVisibility(qint32 internetSupport);
