#include "Interrupt.h"

#include "CancelToken.h"
#include "CliOptions.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QWinEventNotifier>

#include <atomic>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

#include <windows.h>

namespace {
// A child of a run of several units finds the names of its two semaphores
// here: one released for each Ctrl-C, one for each close of the console.
const char *const ChildSemaphores = "FLASHWRIGHT_INTERRUPTS";

// Windows gives a handler of a console close about 5 s before it ends the
// process; the run's cancel gets most of it to end with its result line.
constexpr DWORD CloseGraceMs = 4000;

struct State
{
    std::atomic<int> count{0};
    std::atomic<int> mode{0};
    std::atomic<int> lastSignal{0};
    std::atomic<bool> blocksBegun{false};
    std::atomic<bool> question{false};
    std::atomic<long long> bytes{0};
    std::atomic<CancelToken *> token{nullptr};
    std::atomic<bool> installed{false};
    HANDLE forwarded = nullptr; // set in Forward mode after each signal
    // The handlers run on threads of their own: the last words are guarded.
    std::mutex wordsLock;
    QByteArray before, after, note;
    bool withBytes = false;
};

State g;

void writeAll(DWORD which, const QByteArray &bytes)
{
    const HANDLE handle = ::GetStdHandle(which);
    const char *data = bytes.constData();
    DWORD left = DWORD(bytes.size());
    DWORD written = 0;
    while (left > 0 && ::WriteFile(handle, data, left, &written, nullptr) && written > 0) {
        data += written;
        left -= written;
    }
}

[[noreturn]] void endAtOnce()
{
    {
        std::lock_guard<std::mutex> lock(g.wordsLock);
        QByteArray out = g.before;
        if (g.withBytes)
            out += QByteArray::number(g.bytes.load());
        writeAll(STD_OUTPUT_HANDLE, out + g.after);
        writeAll(STD_ERROR_HANDLE, g.note);
    }
    ::ExitProcess(ExitCode::Aborted);
}

void onSignal(int number)
{
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
        ::SetEvent(g.forwarded);
        break;
    }
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const bool closing = event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT;
    onSignal(closing ? SIGTERM : SIGINT);
    // Returning ends the process at once when the console goes away: the
    // main thread gets its time to end the run, and ends the process itself.
    if (closing) {
        ::Sleep(CloseGraceMs);
        endAtOnce();
    }
    return TRUE;
}

// In a child of a run of several units: each release of a semaphore that the
// parent made is one signal, counted even before the child was ready for it.
void watchParent(const QByteArray &names)
{
    const HANDLE semaphores[2] = {
        ::OpenSemaphoreA(SYNCHRONIZE, FALSE, (names + "-int").constData()),
        ::OpenSemaphoreA(SYNCHRONIZE, FALSE, (names + "-term").constData()),
    };
    if (!semaphores[0] || !semaphores[1])
        return;
    std::thread([semaphores] {
        for (;;) {
            const DWORD which = ::WaitForMultipleObjects(2, semaphores, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0)
                onSignal(SIGINT);
            else if (which == WAIT_OBJECT_0 + 1)
                onSignal(SIGTERM);
            else
                return;
        }
    }).detach();
}

// The semaphores of each child still there, made in the main thread.
struct ChildSignals
{
    HANDLE interrupt;
    HANDLE terminate;
};
std::map<const QProcess *, ChildSignals> children;
} // namespace

namespace Interrupt {

void install(Mode mode, CancelToken *token)
{
    if (mode == Mode::Forward && !g.forwarded)
        g.forwarded = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g.mode = int(mode);
    g.token = token;
    g.count = 0;
    g.question = false;
    g.blocksBegun = false;
    if (!g.installed.exchange(true)) {
        ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
        const QByteArray names = qgetenv(ChildSemaphores);
        if (!names.isEmpty())
            watchParent(names);
    }
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
    std::lock_guard<std::mutex> lock(g.wordsLock);
    g.before = before;
    g.after = after;
    g.note = note;
    g.withBytes = withBytes;
}

void setBytesSent(long long bytes)
{
    g.bytes = bytes;
}

void onEach(QObject *context, std::function<void()> handler)
{
    auto *notifier = new QWinEventNotifier(g.forwarded, context);
    QObject::connect(notifier, &QWinEventNotifier::activated, context, [handler] { handler(); });
}

void prepareChild(QProcess &process)
{
    static int made = 0;
    const QString names = QStringLiteral("Local\\flashwright-%1-%2")
                              .arg(QCoreApplication::applicationPid())
                              .arg(++made);
    const auto semaphore = [&](const char *suffix) {
        const QString name = names + QLatin1String(suffix);
        return ::CreateSemaphoreW(nullptr, 0, 1 << 16, reinterpret_cast<LPCWSTR>(name.utf16()));
    };
    children[&process] = {semaphore("-int"), semaphore("-term")};
    QObject::connect(&process, &QObject::destroyed, [key = &process] {
        const auto found = children.find(key);
        ::CloseHandle(found->second.interrupt);
        ::CloseHandle(found->second.terminate);
        children.erase(found);
    });
    QProcessEnvironment environment = process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildSemaphores), names);
    process.setProcessEnvironment(environment);
    // No console of its own and none shared: Ctrl-C and closing the console
    // reach this program alone, which passes them on.
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *arguments) { arguments->flags |= DETACHED_PROCESS; });
}

void forwardTo(QProcess &process)
{
    const auto found = children.find(&process);
    if (found != children.end())
        ::ReleaseSemaphore(g.lastSignal == SIGTERM ? found->second.terminate
                                                   : found->second.interrupt,
                           1, nullptr);
}

} // namespace Interrupt
