#include "MessageBox.h"

#include "mod_MsgBoxEx.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace {
QMessageBox::Icon iconFor(qint32 style)
{
    switch (style & 0x70) {
    case MsgStyle::Critical:
        return QMessageBox::Critical;
    case MsgStyle::Question:
        return QMessageBox::Question;
    case MsgStyle::Exclamation:
        return QMessageBox::Warning;
    case MsgStyle::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

bool isYesNo(qint32 style)
{
    return (style & 0x0f) == MsgStyle::YesNo;
}

// The wanted corner in pixels of the primary screen's logical resolution.
QPoint pixelsOf(QPoint twips)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
    const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    return {twipsToPixels(twips.x(), dpiX), twipsToPixels(twips.y(), dpiY)};
}

void place(QMessageBox &box, QPoint target)
{
    QScreen *screen = QGuiApplication::screenAt(target);
    if (!screen)
        screen = box.screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QPoint local =
        clampBoxPosition(target - area.topLeft(), box.frameGeometry().size(), area.size());
    box.move(local + area.topLeft());
}
} // namespace

qint32 MessageBoxAnswerer::answer(const MessageRequest &request)
{
    QMessageBox box(iconFor(request.style), request.titleShown(),
                    request.textShown().replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    isYesNo(request.style) ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    // Texts may carry what a unit sent: never taken as markup.
    box.setTextFormat(Qt::PlainText);
    if (request.topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (request.positionTwips) {
        const QPoint target = pixelsOf(*request.positionTwips);
        // Placed once the box is on the screen and its frame is known.
        QTimer::singleShot(0, &box, [&box, target] { place(box, target); });
    }
    box.raise();
    box.activateWindow();
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return isYesNo(request.style) ? MsgAnswer::No : MsgAnswer::Ok;
    }
}
