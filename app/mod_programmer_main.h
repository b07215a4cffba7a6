#pragma once

#include "TextRules.h"

#include <QString>

#include <optional>

// The program's start: installs the web fetcher, switches the error log on,
// loads and shows the main window, reads the settings, asks the web fetcher
// about internet support, enables programming when a firmware path is set,
// and sets the caption.
// The main window must have been registered with setMainWindow().
void Main();

// Closes and reopens the link on the stored channel. True when it opened
// (the caption is then set); otherwise tells the user and returns false.
bool OpenScalerLink();

// The main window's caption for a communication type.
QString windowCaption(qint32 commsType, const QString &serialPort, const QString &ethernetAddress);

// Whether "&Check Update" is shown for an answer of the web fetcher's
// internet check; nothing when the button stays as it is.
std::optional<bool> checkUpdateVisibility(qint32 internetSupport);

// The folder the program runs from (tests may point it elsewhere).
QString programFolder();
void setProgramFolder(const QString &folder);

// The error log's file: the program's folder joined with "Programmererror.log".
QString errorLogTarget();
