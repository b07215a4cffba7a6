#pragma once

#include "Phrase.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// Message box styles (icon and buttons) and answers, numbered as the
// platform's standard message box numbers them.
namespace MsgStyle {
enum : qint32
{
    OkOnly = 0,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};
}

namespace MsgAnswer {
enum : qint32
{
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};
}

// One message shown to the user.
struct MessageRequest
{
    QString text; // lines joined by CR LF, in English for logs and scripts
    qint32 style = MsgStyle::OkOnly;
    QString title;
    // What the person is shown: the text and title in the language of the
    // run; empty where they are the English ones.
    QString shownText;
    QString shownTitle;
    // What the message is about, for scripts that read the console program's
    // output, such as "turn_unit_off" or "error"; and the error's number.
    QString id;
    qint32 error = 0;
    std::optional<QPoint> positionTwips; // wanted top-left corner, in twips of the screen
    bool topmost = true;

    void setText(const Phrase &phrase)
    {
        text = phrase.english;
        shownText = phrase.shown;
    }
    void setTitle(const Phrase &phrase)
    {
        title = phrase.english;
        shownTitle = phrase.shown;
    }
    QString textShown() const { return shownText.isEmpty() ? text : shownText; }
    QString titleShown() const { return shownTitle.isEmpty() ? title : shownTitle; }
};

// Whoever answers the program's messages. The window program installs one
// that shows a real message box; tests install a scripted one.
class MessageAnswerer
{
public:
    virtual ~MessageAnswerer() = default;
    virtual qint32 answer(const MessageRequest &request) = 0;
};

// Shows a message and returns the answer code. Every message of the program
// goes through here. With no answerer installed the message goes to the
// standard error stream and the answer is OK, or No for a question.
qint32 showUserMessage(const MessageRequest &request);

// Replaces the answerer (nullptr removes it); returns the previous one.
MessageAnswerer *setMessageAnswerer(MessageAnswerer *answerer);

// Where a box of the given size goes when its top-left corner is wanted at
// target: kept 1 pixel inside the right and bottom edges of the screen and
// never left of or above pixel 1 of it.
QPoint clampBoxPosition(QPoint target, QSize box, QSize screen);
