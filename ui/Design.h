#pragma once

#include <QFont>
#include <QWidget>

// The windows' design: the face they were laid out for, and their places in
// twips (1/1440 inch) turned into pixels at each window's logical resolution.

// 8 point sans serif.
QFont designFont();

// Twips to pixels at w's logical resolution.
int px(const QWidget *w, int twips);

// Names a control and places it at its design rectangle, in twips. With
// FitCaption it is made wide enough for its caption where the design's font
// was narrower than the one used here.
enum class Fit
{
    Exact,
    FitCaption,
};
void place(QWidget *w, const char *name, int left, int top, int width, int height,
           Fit fit = Fit::Exact);
