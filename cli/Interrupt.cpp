#include "Interrupt.h"

#include "CliOptions.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_count = 0;
volatile std::sig_atomic_t g_mode = 0;
int g_pipe[2] = {-1, -1};

void endAtOnce()
{
    static const char text[] = "\nflashwright-cli: interrupted; a unit left in the middle of an "
                               "upload must be power-cycled\n";
    // Async-signal-safe: nothing but write and _exit.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, sizeof text - 1);
    ::_exit(ExitCode::Aborted);
}

void onInterrupt(int)
{
    const int savedErrno = errno;
    switch (static_cast<Interrupt::Mode>(g_mode)) {
    case Interrupt::Mode::EndAtOnce:
        endAtOnce();
        break;
    case Interrupt::Mode::AbortFirst:
        g_count = g_count + 1;
        if (g_count >= 2)
            endAtOnce();
        break;
    case Interrupt::Mode::Forward:
        g_count = g_count + 1;
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], "i", 1);
        break;
    }
    errno = savedErrno;
}
} // namespace

namespace Interrupt {

void install(Mode mode)
{
    if (mode == Mode::Forward && g_pipe[0] < 0 && ::pipe(g_pipe) == 0) {
        for (int fd : g_pipe)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    g_mode = static_cast<std::sig_atomic_t>(mode);
    g_count = 0;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the handler; the waits of the link start
    // again by themselves.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

int count()
{
    return g_count;
}

void clear()
{
    g_count = 0;
}

int notifierDescriptor()
{
    return g_pipe[0];
}

} // namespace Interrupt
