#pragma once

#include "ConsoleOutput.h"
#include "UserMessage.h"

#include <optional>

// The person at the console: every message is printed; with a terminal on
// standard input a Yes or No question is asked there, and "Turn unit off,
// click OK, then turn unit on." waits for Enter. Otherwise each takes its
// default at once: No, and going on.
class TerminalAnswerer : public MessageAnswerer
{
public:
    TerminalAnswerer(ConsoleOutput &output, const QString &unit, bool ask);
    ~TerminalAnswerer() override;

    qint32 answer(const MessageRequest &request) override;

    // Whether questions can be asked: standard input is a terminal.
    static bool terminalInput();
    // Whether request is asked of the person rather than answered by default.
    bool asks(const MessageRequest &request) const;

    static const QString TurnUnitOff;

private:
    qint32 ask(const MessageRequest &request);
    // A line typed on standard input; nothing at its end or when Ctrl-C is pressed.
    std::optional<QString> readLine();

    ConsoleOutput &m_output;
    const QString m_unit;
    const bool m_ask;
    MessageAnswerer *m_previous;
};
