#include "Terminal.h"

#include <cerrno>

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr int LookForStopMs = 100;
}

namespace Terminal {

bool outputIsTerminal()
{
    return ::isatty(STDOUT_FILENO);
}

bool inputIsTerminal()
{
    return ::isatty(STDIN_FILENO);
}

int width()
{
    winsize size = {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

std::optional<QByteArray> readLine(const std::function<bool()> &stop)
{
    QByteArray line;
    for (;;) {
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, LookForStopMs);
        if (stop())
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
            return line;
        line.append(c);
    }
}

} // namespace Terminal
