#include "mod_MsgBoxEx.h"

#include "UserMessage.h"

#include <cmath>

int twipsToPixels(double twips, double dpi)
{
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(twips * dpi / 1440.0));
}

double pixelsToTwips(int pixels, double dpi)
{
    return pixels * 1440.0 / dpi;
}

qint16 MsgBoxEx(const QString &text, qint32 style, const QString &title, qint32 x, qint32 y)
{
    return MsgBoxEx(Phrase::same(text), style, Phrase::same(title), x, y);
}

qint16 MsgBoxEx(const Phrase &text, qint32 style, const Phrase &title, qint32 x, qint32 y)
{
    MessageRequest request;
    request.setText(text);
    request.style = style;
    request.setTitle(title.isEmpty() ? Phrase::translate("MessageBox", "Message") : title);
    request.positionTwips = QPoint(x, y);
    request.topmost = true;
    return static_cast<qint16>(showUserMessage(request));
}
