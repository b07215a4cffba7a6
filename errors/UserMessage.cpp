#include "UserMessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSize>
#include <QTimer>

#include <cstdio>

namespace {
MessageAnswerer *g_answerer = nullptr;

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

MessageAnswerer *setMessageAnswerer(MessageAnswerer *answerer)
{
    MessageAnswerer *previous = g_answerer;
    g_answerer = answerer;
    return previous;
}

QPoint clampBoxPosition(QPoint target, QSize box, QSize screen)
{
    int x = target.x();
    int y = target.y();
    if (screen.width() - box.width() - 1 < x)
        x = screen.width() - box.width() - 1;
    if (screen.height() - box.height() - 1 < y)
        y = screen.height() - box.height() - 1;
    if (x < 1)
        x = 1;
    if (y < 1)
        y = 1;
    return {x, y};
}

qint32 showUserMessage(const MessageRequest &request)
{
    if (g_answerer)
        return g_answerer->answer(request);

    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // No windows to show a box in: the message still reaches a person.
        std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.text));
        return isYesNo(request.style) ? MsgAnswer::No : MsgAnswer::Ok;
    }

    QMessageBox box(iconFor(request.style), request.title,
                    QString(request.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    isYesNo(request.style) ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    // Texts may carry what a unit sent: never taken as markup.
    box.setTextFormat(Qt::PlainText);
    if (request.topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (request.position) {
        const QPoint target = *request.position;
        // Placed once the box is on the screen and its frame is known.
        QTimer::singleShot(0, &box, [&box, target] { place(box, target); });
    }
    box.raise();
    box.activateWindow();
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    switch (pressed) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return isYesNo(request.style) ? MsgAnswer::No : MsgAnswer::Ok;
    }
}
