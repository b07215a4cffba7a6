#include "Interrupt.h"

#include "CancelToken.h"
#include "CliOptions.h"

#include <QProcess>
#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Everything the handlers touch: lock-free atomics, and buffers that are
// written only while the signals are held back.
struct LastWords
{
    std::array<char, 4096> before{};
    std::array<char, 512> after{};
    std::array<char, 512> note{};
    size_t beforeSize = 0;
    size_t afterSize = 0;
    size_t noteSize = 0;
    bool withBytes = false;
};

struct State
{
    std::atomic<int> count{0};
    std::atomic<int> mode{0};
    std::atomic<int> lastSignal{0};
    std::atomic<bool> blocksBegun{false};
    std::atomic<bool> question{false};
    std::atomic<long long> bytes{0};
    std::atomic<CancelToken *> token{nullptr};
    int pipe[2] = {-1, -1};
    LastWords words;
};
static_assert(std::atomic<long long>::is_always_lock_free);

State g;

void writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return;
        data += n;
        size -= size_t(n);
    }
}

// Async-signal-safe: nothing but write and _exit.
[[noreturn]] void endAtOnce()
{
    const LastWords &w = g.words;
    writeAll(STDOUT_FILENO, w.before.data(), w.beforeSize);
    if (w.withBytes) {
        char digits[24];
        size_t n = 0;
        long long value = g.bytes.load();
        do {
            digits[sizeof digits - 1 - n++] = char('0' + value % 10);
            value /= 10;
        } while (value > 0 && n < sizeof digits);
        writeAll(STDOUT_FILENO, digits + sizeof digits - n, n);
    }
    writeAll(STDOUT_FILENO, w.after.data(), w.afterSize);
    writeAll(STDERR_FILENO, w.note.data(), w.noteSize);
    ::_exit(ExitCode::Aborted);
}

void onSignal(int number)
{
    const int savedErrno = errno;
    g.lastSignal = number;
    const int received = ++g.count;
    switch (Interrupt::actionFor(static_cast<Interrupt::Mode>(g.mode.load()), received,
                                 number == SIGINT, g.blocksBegun)) {
    case Interrupt::Action::EndAtOnce:
        endAtOnce();
    case Interrupt::Action::Ask:
        g.question = true;
        break;
    case Interrupt::Action::Cancel:
        if (CancelToken *token = g.token)
            token->cancel();
        break;
    case Interrupt::Action::Forward:
        [[maybe_unused]] const ssize_t written = ::write(g.pipe[1], "i", 1);
        break;
    }
    errno = savedErrno;
}

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void copy(const QByteArray &from, char *to, size_t capacity, size_t &size)
{
    size = std::min(size_t(from.size()), capacity);
    std::memcpy(to, from.constData(), size);
}
} // namespace

namespace Interrupt {

void install(Mode mode, CancelToken *token)
{
    if (mode == Mode::Forward && g.pipe[0] < 0 && ::pipe(g.pipe) == 0) {
        for (int fd : g.pipe)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    g.mode = int(mode);
    g.token = token;
    g.count = 0;
    g.question = false;
    g.blocksBegun = false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // A second signal waits until the handler of the first has returned.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    // Reads and writes go on after the handler; the waits of the link start
    // again by themselves.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    const sigset_t held = stopSignals();
    ::sigprocmask(SIG_UNBLOCK, &held, nullptr);
}

int count()
{
    return g.count;
}

void clear()
{
    g.count = 0;
    g.question = false;
}

int lastSignal()
{
    return g.lastSignal;
}

void setBlocksBegun()
{
    g.blocksBegun = true;
}

bool questionPending()
{
    return g.question;
}

void setLastWords(const QByteArray &before, const QByteArray &after, bool withBytes,
                  const QByteArray &note)
{
    const sigset_t held = stopSignals();
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &held, &previous);
    LastWords &w = g.words;
    copy(before, w.before.data(), w.before.size(), w.beforeSize);
    copy(after, w.after.data(), w.after.size(), w.afterSize);
    copy(note, w.note.data(), w.note.size(), w.noteSize);
    w.withBytes = withBytes;
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void setBytesSent(long long bytes)
{
    g.bytes = bytes;
}

void onEach(QObject *context, std::function<void()> handler)
{
    auto *notifier = new QSocketNotifier(g.pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler] {
        char drained[64];
        while (::read(g.pipe[0], drained, sizeof drained) > 0) {
        }
        handler();
    });
}

void prepareChild(QProcess &process)
{
    // A group of its own: Ctrl-C on the terminal reaches this program alone,
    // which passes it on to each unit once.
    process.setChildProcessModifier([] {
        const sigset_t held = stopSignals();
        ::sigprocmask(SIG_BLOCK, &held, nullptr);
        ::setpgid(0, 0);
    });
}

void forwardTo(QProcess &process)
{
    // 0 while it starts: kill() would take that for this program's own group.
    if (const qint64 pid = process.processId(); pid > 0)
        ::kill(pid_t(pid), g.lastSignal);
}

} // namespace Interrupt
