#include "UserMessage.h"

#include "ErrorState.h"

#include <cstdio>
#include <utility>

MessageAnswerer *setMessageAnswerer(MessageAnswerer *answerer)
{
    return std::exchange(errorState().answerer, answerer);
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
    if (MessageAnswerer *answerer = errorState().answerer)
        return answerer->answer(request);
    // Nobody to ask: the message still reaches a person, and the answer is the
    // one that changes nothing.
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.titleShown()),
                 qPrintable(request.textShown()));
    return (request.style & 0x0f) == MsgStyle::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}
