#include "TerminalAnswerer.h"

#include "Interrupt.h"
#include "ScalerLinkInterface.h"
#include "mod_Scaler_Firmware.h"

#include <cerrno>

#include <poll.h>
#include <unistd.h>

namespace {
constexpr int LookForInterruptMs = 100;

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
    return ::isatty(STDIN_FILENO);
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

qint32 TerminalAnswerer::ask(const MessageRequest &request)
{
    const bool yesNo = (request.style & 0x0f) == MsgStyle::YesNo;
    const qint32 byDefault = yesNo ? MsgAnswer::No : MsgAnswer::Ok;
    if (!m_ask || (!yesNo && request.text != TurnUnitOff))
        return byDefault;
    const int interruptsBefore = Interrupt::count();
    m_output.prompt(yesNo ? QStringLiteral("[y/N] ") : QStringLiteral("[press Enter] "));
    const std::optional<QString> line = readLine();
    if (!line) {
        m_output.prompt(QStringLiteral("\n"));
        // Ctrl-C at the power-cycle question is an abort: the cycle's next
        // abort test follows the box at once.
        if (Interrupt::count() > interruptsBefore && !yesNo)
            AbortFlag = VTrue;
        return byDefault;
    }
    if (!yesNo)
        return MsgAnswer::Ok;
    const QString word = line->trimmed().toLower();
    return word == QLatin1String("y") || word == QLatin1String("yes") ? MsgAnswer::Yes
                                                                      : MsgAnswer::No;
}

std::optional<QString> TerminalAnswerer::readLine()
{
    const int interruptsBefore = Interrupt::count();
    QByteArray line;
    for (;;) {
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, LookForInterruptMs);
        if (Interrupt::count() != interruptsBefore)
            return std::nullopt;
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0)
            continue;
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got <= 0)
            return std::nullopt;
        if (c == '\n')
            return QString::fromLocal8Bit(line);
        line.append(c);
    }
}
