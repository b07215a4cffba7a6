#include "TerminalAnswerer.h"

#include "Interrupt.h"
#include "Terminal.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
QString answerName(qint32 answer)
{
    switch (answer) {
    case MsgAnswer::Yes:
        return QStringLiteral("yes");
    case MsgAnswer::No:
        return QStringLiteral("no");
    default:
        return QStringLiteral("ok");
    }
}
} // namespace

const QString TerminalAnswerer::TurnUnitOff =
    QStringLiteral("Turn unit off, click OK, then turn unit on.");

TerminalAnswerer::TerminalAnswerer(ConsoleOutput &output, const QString &unit, bool ask)
    : m_output(output), m_unit(unit), m_ask(ask), m_previous(setMessageAnswerer(this))
{}

TerminalAnswerer::~TerminalAnswerer()
{
    setMessageAnswerer(m_previous);
}

bool TerminalAnswerer::terminalInput()
{
    return Terminal::inputIsTerminal();
}

qint32 TerminalAnswerer::answer(const MessageRequest &request)
{
    const bool json = m_output.mode() == ConsoleOutput::Mode::Json;
    if (!json)
        m_output.message(m_unit, request, QString());
    const qint32 given = ask(request);
    if (json)
        m_output.message(m_unit, request, answerName(given));
    return given;
}

bool TerminalAnswerer::asks(const MessageRequest &request) const
{
    return m_ask && ((request.style & 0x0f) == MsgStyle::YesNo || request.text == TurnUnitOff);
}

qint32 TerminalAnswerer::ask(const MessageRequest &request)
{
    const bool yesNo = (request.style & 0x0f) == MsgStyle::YesNo;
    const qint32 byDefault = yesNo ? MsgAnswer::No : MsgAnswer::Ok;
    if (!asks(request))
        return byDefault;
    // The JSON goes to standard output once answered; the person reads the
    // question here first.
    if (m_output.mode() == ConsoleOutput::Mode::Json)
        m_output.question(request);
    m_output.prompt(yesNo ? QCoreApplication::translate("TerminalAnswerer", "[y/N] ")
                          : QCoreApplication::translate("TerminalAnswerer", "[press Enter] "));
    const std::optional<QString> line = readLine();
    if (!line) {
        // Ctrl-C at the power-cycle question has cancelled the run: the
        // cycle's next abort test follows the box at once.
        m_output.prompt(QStringLiteral("\n"));
        return byDefault;
    }
    if (!yesNo)
        return MsgAnswer::Ok;
    // y and yes in English, and the words of the run's language.
    const QString word = line->trimmed().toLower();
    const QStringList yes{QStringLiteral("y"), QStringLiteral("yes"),
                          QCoreApplication::translate("TerminalAnswerer", "y"),
                          QCoreApplication::translate("TerminalAnswerer", "yes")};
    return yes.contains(word) ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<QString> TerminalAnswerer::readLine()
{
    const int interruptsBefore = Interrupt::count();
    const std::optional<QByteArray> line =
        Terminal::readLine([&] { return Interrupt::count() != interruptsBefore; });
    if (!line)
        return std::nullopt;
    return QString::fromLocal8Bit(*line);
}
