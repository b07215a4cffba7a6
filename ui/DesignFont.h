#pragma once

#include <QFont>
#include <QWidget>

#include <algorithm>

// The face the windows were laid out for: 8 point sans serif. Where a
// caption still needs more room than its place gives, the control grows.
inline QFont designFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

// Places a control at its pixel rectangle, wide enough for its caption.
inline void placeControl(QWidget *w, const QRect &r)
{
    w->setGeometry(r.x(), r.y(), std::max(r.width(), w->sizeHint().width()), r.height());
}
