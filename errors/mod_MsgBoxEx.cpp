#include "mod_MsgBoxEx.h"

#include "UserMessage.h"

#include <QGuiApplication>
#include <QScreen>

#include <cfenv>
#include <cmath>

namespace {
QScreen *primaryScreen()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}
} // namespace

int twipsToPixels(double twips, double dpi)
{
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(twips * dpi / 1440.0));
}

double pixelsToTwips(int pixels, double dpi)
{
    return pixels * 1440.0 / dpi;
}

double screenLogicalDpiX()
{
    QScreen *s = primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double screenLogicalDpiY()
{
    QScreen *s = primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

qint16 MsgBoxEx(const QString &text, qint32 style, const QString &title, qint32 x, qint32 y)
{
    MessageRequest request;
    request.text = text;
    request.style = style;
    request.title = title.isEmpty() ? QStringLiteral("Message") : title;
    request.position =
        QPoint(twipsToPixels(x, screenLogicalDpiX()), twipsToPixels(y, screenLogicalDpiY()));
    request.topmost = true;
    return static_cast<qint16>(showUserMessage(request));
}
