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

// Moves right along its row so that it begins gap pixels after left ends,
// where a longer caption made them meet.
void keepRightOf(QWidget *right, const QWidget *left, int gap);

// The size w needs, never below its present one, for each of its shown
// children but those besides to lie inside it with margin to spare on the
// right and below.
QSize sizeToHold(const QWidget *w, int margin, const QList<QWidget *> &besides = {});
