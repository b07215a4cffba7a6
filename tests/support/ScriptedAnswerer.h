#pragma once

#include "UserMessage.h"

#include <QList>

#include <functional>

// Stands in for the person at the message boxes: records every message and
// gives the planned answers in order. A message with no planned answer gets
// OK, or No when it asks Yes or No, and is counted as unplanned.
class ScriptedAnswerer : public MessageAnswerer
{
public:
    ScriptedAnswerer();
    ~ScriptedAnswerer() override;

    void plan(QList<qint32> answers) { m_planned = std::move(answers); }
    // Called with each message before it is answered, as a person would look
    // at the screen before pressing a button.
    void onMessage(std::function<void(const MessageRequest &)> look) { m_look = std::move(look); }
    qint32 answer(const MessageRequest &request) override;

    const QList<MessageRequest> &messages() const { return m_messages; }
    // When each message came, in ms of the monotonic clock.
    const QList<qint64> &times() const { return m_times; }
    QStringList texts() const;
    // Each message as the person saw it: "title|style|text".
    QStringList shown() const;
    static QString shownAs(const QString &title, int style, const QString &text);
    int unplanned() const { return m_unplanned; }
    void clear();

private:
    MessageAnswerer *m_previous;
    QList<qint32> m_planned;
    QList<MessageRequest> m_messages;
    QList<qint64> m_times;
    int m_unplanned = 0;
    std::function<void(const MessageRequest &)> m_look;
};
