#pragma once

#include "Phrase.h"

#include <QString>

// The positioned message box: shows a standard message box with its top-left
// corner at (x, y), given in twips in screen coordinates, kept wholly on the
// screen and above other windows. An empty title shows "Message".
// Returns the answer code (1 OK, 6 Yes, 7 No).
qint16 MsgBoxEx(const QString &text, qint32 style, const QString &title, qint32 x, qint32 y);
// The same with the text and title in English and as the person is shown them.
qint16 MsgBoxEx(const Phrase &text, qint32 style, const Phrase &title, qint32 x, qint32 y);

// Twips (1/1440 inch) to pixels at a logical resolution of dpi dots per inch,
// rounded to the nearest pixel, halves to even.
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);
