#include "ScriptedAnswerer.h"

#include "TestEnvironment.h"

#include <QStringList>

ScriptedAnswerer::ScriptedAnswerer() : m_previous(setMessageAnswerer(this)) {}

ScriptedAnswerer::~ScriptedAnswerer()
{
    setMessageAnswerer(m_previous);
}

qint32 ScriptedAnswerer::answer(const MessageRequest &request)
{
    m_messages.append(request);
    m_times.append(monotonicMs());
    if (m_look)
        m_look(request);
    if (!m_planned.isEmpty())
        return m_planned.takeFirst();
    ++m_unplanned;
    return (request.style & 0x0f) == MsgStyle::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

QStringList ScriptedAnswerer::texts() const
{
    QStringList out;
    for (const MessageRequest &m : m_messages)
        out.append(m.text);
    return out;
}

QStringList ScriptedAnswerer::shown() const
{
    QStringList out;
    for (const MessageRequest &m : m_messages)
        out.append(shownAs(m.title, m.style, m.text));
    return out;
}

QString ScriptedAnswerer::shownAs(const QString &title, int style, const QString &text)
{
    return QStringLiteral("%1|%2|%3").arg(title).arg(style).arg(text);
}

void ScriptedAnswerer::clear()
{
    m_planned.clear();
    m_messages.clear();
    m_times.clear();
    m_unplanned = 0;
}
