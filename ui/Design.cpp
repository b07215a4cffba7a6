#include "Design.h"

#include "mod_MsgBoxEx.h"

#include <algorithm>

QFont designFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

int px(const QWidget *w, int twips)
{
    return twipsToPixels(twips, w->logicalDpiX());
}

void place(QWidget *w, const char *name, int left, int top, int width, int height, Fit fit)
{
    w->setObjectName(QString::fromLatin1(name));
    const int pixels = px(w, width);
    w->setGeometry(px(w, left), px(w, top),
                   fit == Fit::FitCaption ? std::max(pixels, w->sizeHint().width()) : pixels,
                   px(w, height));
}

void keepRightOf(QWidget *right, const QWidget *left, int gap)
{
    right->move(std::max(right->x(), left->geometry().right() + 1 + gap), right->y());
}

QSize sizeToHold(const QWidget *w, int margin, const QList<QWidget *> &besides)
{
    QSize size = w->size();
    for (const QWidget *child : w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || child->isWindow() || besides.contains(child))
            continue;
        size = size.expandedTo(
            QSize(child->geometry().right() + 1 + margin, child->geometry().bottom() + 1 + margin));
    }
    return size;
}
