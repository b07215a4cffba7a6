#include "VqSimulator.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr long long InLoaderAnnounceMs = 50;
// After a power-on a loader with whole firmware to start waits this long for "U".
constexpr long long LoaderWindowMs = 500;

using Nanos = qint64; // CLOCK_MONOTONIC, in nanoseconds

constexpr Nanos NanosPerMs = 1000000;
constexpr Nanos NanosPerSecond = 1000000000;
constexpr int BlockSize = 32;
constexpr int TailSize = 16; // longer than the longest thing recognised outside the block phase
// While nobody has the pseudo-terminal open the master reports a hang-up at
// once, so it cannot be waited on; look again this often instead.
constexpr Nanos PtyIdleLook = 5 * NanosPerMs;
// Waits longer than this go through ppoll so that stop() cuts them short;
// the last stretch is slept on the clock for precision.
constexpr Nanos CoarseWaitMargin = 2 * NanosPerMs;

Nanos now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(ts.tv_sec) * NanosPerSecond + ts.tv_nsec;
}

timespec toTimespec(Nanos t)
{
    timespec ts;
    ts.tv_sec = time_t(t / NanosPerSecond);
    ts.tv_nsec = long(t % NanosPerSecond);
    return ts;
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Printable form of protocol bytes for the event lines.
QByteArray shown(const QByteArray &bytes)
{
    QByteArray out;
    for (char ch : bytes) {
        const auto c = uchar(ch);
        if (c == '\r')
            out += "\\r";
        else if (c >= 0x20 && c < 0x7f)
            out += char(c);
        else
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
    }
    return out;
}

const QByteArray LongVersionQuery = QByteArrayLiteral("F84004100D2??\r");
const QByteArray ShortVersionQuery = QByteArrayLiteral("F8000D2??\r");

} // namespace

struct VqSimulator::Impl
{
    enum class State
    {
        Running,
        Booting,
        AwaitU,
        AwaitY,
        Blocks
    };
    enum class End
    {
        Closed,
        Dropped,
        Stopping
    };

    explicit Impl(VqSimOptions options)
        : m_opt(std::move(options)), m_script(m_opt.script),
          m_state(m_opt.inLoader ? State::AwaitU : State::Running), m_runningName(m_opt.fwName),
          m_runningLevel(m_opt.level)
    {}

    bool prepare(QString *error);
    // Stops what served before and prepares a new start; false, with why,
    // when the simulator is serving already or cannot be prepared.
    bool prepareStart(QString *error);
    void launch();
    void join();

    // Serving thread.
    void serve();
    void serveTcp();
    void servePty();
    bool openPty(QString *error);
    bool slaveOpen() const;
    void forgetPtyLeftovers();
    End serveConnection(int fd);
    // When the next timed step of the unit is due; 0 when none is.
    Nanos nextDue() const;
    // Takes the timed steps that are due, and the power cycles asked for.
    void tick();
    void takePowerCycles();
    void restart(Nanos at, bool fromPowerOn);
    // Waits up to the given time, or until a timed step or a power cycle is
    // due; false when stopping.
    bool idle(Nanos until);
    void processChunk(const char *data, int size, Nanos readTime);
    void controlByte(char c);
    void blockByte(char c);
    void reset();
    void announce(Nanos due);
    void startUpload();
    void endUpload();
    void flushCapture();
    bool send(const QByteArray &bytes, Nanos due);
    bool writeAll(const char *data, qsizetype size);
    bool waitUntil(Nanos due);
    void event(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void problem(const char *format, ...) __attribute__((format(printf, 2, 3)));

    const VqSimOptions m_opt;
    QList<VqSimOptions::Piece> m_script; // what is left to play
    qint64 m_imageSize = -1;             // -1: the upload never completes on its own
    Nanos m_byteTime = 0;                // wire time of one byte; 0 without pacing
    Nanos m_started = 0;

    // Shared with the accessors.
    std::atomic<quint16> m_port{0};
    std::atomic<int> m_blocks{0};
    std::atomic<int> m_afterUpload{0}; // bytes received since an upload ended with "E"
    bool m_uploadEnded = false;
    std::atomic<int> m_connections{0};
    std::atomic<int> m_resets{0};
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_dataMutex; // m_devicePath, m_upload, m_timeline
    QString m_devicePath;
    QByteArray m_upload;
    QList<VqSimulator::Event> m_timeline;
    std::mutex m_runMutex; // m_running and its condition
    std::condition_variable m_stoppedCondition;
    bool m_running = false;
    std::atomic<bool> m_runningFlag{false};

    std::mutex m_controlMutex; // start and stop
    std::thread m_thread;
    int m_wakeFd = -1;  // eventfd; readable once stop() is called
    int m_cycleFd = -1; // eventfd; readable while a power cycle is asked for
    bool m_tcp = false;
    int m_listenFd = -1;
    int m_masterFd = -1;

    // Power cycles asked for and done, under m_runMutex.
    int m_cyclesAsked = 0;
    int m_cyclesDone = 0;
    std::condition_variable m_cycleCondition;
    std::atomic<int> m_overruns{0};

    // The unit (serving thread only once it runs); it outlives connections.
    State m_state = State::Running;
    bool m_firmwareWhole = true; // false while an upload is unfinished
    int m_uploads = 0;           // uploads started since the simulator began
    Nanos m_preambleDue = 0;     // 0 once sent, or when there is none
    Nanos m_bootDue = 0;
    Nanos m_loaderWindowEnd = 0; // 0: the loader waits for "U" for good
    QByteArray m_runningName;    // what the name and level queries report
    bool m_newImage = false;     // it runs an image it was sent
    int m_runningLevel = 0;
    Nanos m_firmwareStartDue = 0; // the new image answers those queries from then on

    // The connection being served (serving thread only).
    int m_fd = -1;
    bool m_ended = false;
    bool m_dropped = false;
    bool m_answerOwed = false;  // a block came in and its answer has not gone out
    bool m_moreInChunk = false; // bytes after the one being handled came with it
    QByteArray m_tail;
    Nanos m_rxClock = 0;
    Nanos m_txClock = 0;
    Nanos m_rxDue = 0; // when the byte being handled finished arriving
    qint64 m_received = 0;
    qint64 m_accepted = 0;
    int m_captureFd = -1;
    QByteArray m_pendingCapture;
};

bool VqSimulator::Impl::prepare(QString *error)
{
    m_imageSize = m_opt.size;
    if (!m_opt.imageFile.isEmpty()) {
        const QFileInfo image(m_opt.imageFile);
        if (!image.isFile() || !image.isReadable())
            return fail(error,
                        QStringLiteral("cannot read the image file %1").arg(m_opt.imageFile));
        m_imageSize = image.size();
    }
    if (!m_opt.captureFile.isEmpty()) {
        // Only find out now whether it can be written; it is emptied when an upload starts.
        const QByteArray name = QFile::encodeName(m_opt.captureFile);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return fail(error,
                        QStringLiteral("cannot write the capture file %1: %2")
                            .arg(m_opt.captureFile, QString::fromLocal8Bit(strerror(errno))));
        ::close(fd);
    }
    if (m_opt.baud < 0)
        return fail(error, QStringLiteral("the line rate cannot be negative"));
    m_byteTime = m_opt.baud > 0 ? 10 * NanosPerSecond / m_opt.baud : 0;
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_cycleFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0 || m_cycleFd < 0) {
        closeFd(m_wakeFd);
        closeFd(m_cycleFd);
        return fail(error, errnoText("eventfd"));
    }
    return true;
}

bool VqSimulator::Impl::prepareStart(QString *error)
{
    if (m_runningFlag)
        return fail(error, QStringLiteral("the simulator is already serving"));
    join();
    return prepare(error);
}

void VqSimulator::Impl::launch()
{
    m_stopping = false;
    {
        std::lock_guard<std::mutex> lock(m_runMutex);
        m_running = true;
        m_runningFlag = true;
    }
    m_started = now();
    m_thread = std::thread([this] { serve(); });
}

void VqSimulator::Impl::join()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        const quint64 one = 1;
        if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0 && errno != EAGAIN)
            problem("cannot wake the serving thread: %s", strerror(errno));
        m_thread.join();
    }
    // The thread closes its own descriptors; these are left when it never ran.
    closeFd(m_listenFd);
    closeFd(m_masterFd);
    closeFd(m_wakeFd);
    closeFd(m_cycleFd);
}

void VqSimulator::Impl::event(const char *format, ...)
{
    if (!m_opt.verbose && !m_opt.timeline)
        return;
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const Nanos t = now();
    if (m_opt.timeline) {
        std::lock_guard<std::mutex> lock(m_dataMutex);
        m_timeline.append({t / NanosPerMs, QByteArray(text)});
    }
    if (!m_opt.verbose)
        return;
    // One call per line keeps the lines whole when several simulators share stderr.
    std::fprintf(stderr, "vqsim %9.3f %s\n", double(t - m_started) / NanosPerSecond, text);
}

void VqSimulator::Impl::problem(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "vqsim: %s\n", text);
}

void VqSimulator::Impl::serve()
{
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    prctl(PR_SET_NAME, "vqsim", 0UL, 0UL, 0UL);
    if (m_tcp)
        serveTcp();
    else
        servePty();
    closeFd(m_listenFd);
    closeFd(m_masterFd);
    closeFd(m_captureFd);
    std::lock_guard<std::mutex> lock(m_runMutex);
    m_running = false;
    m_runningFlag = false;
    m_stoppedCondition.notify_all();
}

void VqSimulator::Impl::serveTcp()
{
    while (!m_stopping) {
        tick();
        const Nanos due = nextDue();
        const int waitMs = due > 0 ? int(std::max<Nanos>(0, due - now()) / NanosPerMs + 1) : -1;
        pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_cycleFd, POLLIN, 0}, {m_listenFd, POLLIN, 0}};
        if (::poll(fds, 3, waitMs) < 0) {
            if (errno == EINTR)
                continue;
            problem("poll: %s", strerror(errno));
            return;
        }
        if (fds[0].revents)
            return;
        if (!fds[2].revents)
            continue;
        sockaddr_in peer{};
        socklen_t peerSize = sizeof peer;
        const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr *>(&peer), &peerSize,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ||
                errno == ECONNABORTED || errno == EPROTO)
                continue;
            problem("accept: %s", strerror(errno));
            // Out of descriptors or memory: give it a moment rather than spin.
            if (!waitUntil(now() + 100 * NanosPerMs))
                return;
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        event("connection %d from port %u", m_connections.load() + 1, ntohs(peer.sin_port));
        const End end = serveConnection(fd);
        ::close(fd);
        if (end == End::Stopping || m_opt.once)
            return;
    }
}

bool VqSimulator::Impl::openPty(QString *error)
{
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errnoText("posix_openpt"));
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        const QString text = errnoText("preparing the pseudo-terminal");
        ::close(fd);
        return fail(error, text);
    }
    // The program opens the line and expects it raw already, with no echo.
    // Closing the slave again also leaves the master reporting a hang-up,
    // which is how an idle line is told from a connected one.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings;
    if (slave < 0 || ::tcgetattr(slave, &settings) != 0) {
        const QString text = errnoText(name);
        if (slave >= 0)
            ::close(slave);
        ::close(fd);
        return fail(error, text);
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(slave, TCSANOW, &settings) != 0) {
        const QString text = errnoText("tcsetattr");
        ::close(slave);
        ::close(fd);
        return fail(error, text);
    }
    ::close(slave);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_masterFd = fd;
    std::lock_guard<std::mutex> lock(m_dataMutex);
    m_devicePath = QString::fromLocal8Bit(name);
    return true;
}

bool VqSimulator::Impl::slaveOpen() const
{
    pollfd fd = {m_masterFd, POLLIN, 0};
    while (::poll(&fd, 1, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return !(fd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void VqSimulator::Impl::forgetPtyLeftovers()
{
    // What the program wrote after its last read, and what we wrote after it
    // closed the line, would otherwise greet the next connection.
    char buffer[4096];
    while (::read(m_masterFd, buffer, sizeof buffer) > 0) {
    }
    QByteArray name;
    {
        std::lock_guard<std::mutex> lock(m_dataMutex);
        name = QFile::encodeName(m_devicePath);
    }
    const int slave = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        ::tcflush(slave, TCIOFLUSH);
        ::close(slave);
    }
}

void VqSimulator::Impl::servePty()
{
    while (!m_stopping) {
        if (!slaveOpen()) {
            if (!idle(now() + PtyIdleLook))
                return;
            continue;
        }
        event("connection %d on %s", m_connections.load() + 1, qPrintable(m_devicePath));
        const End end = serveConnection(m_masterFd);
        if (end == End::Stopping)
            return;
        if (end == End::Dropped) {
            // The program sees its line vanish; serving goes on on a new one.
            // It is opened before the old one closes so that it gets another name.
            int old = m_masterFd;
            m_masterFd = -1;
            QString error;
            const bool reopened = !m_opt.once && openPty(&error);
            closeFd(old);
            if (m_opt.once)
                return;
            if (!reopened) {
                problem("cannot open a new pseudo-terminal: %s", qPrintable(error));
                return;
            }
            event("serving on %s", qPrintable(m_devicePath));
            continue;
        }
        forgetPtyLeftovers();
        if (m_opt.once)
            return;
    }
}

bool VqSimulator::Impl::idle(Nanos until)
{
    tick();
    const Nanos due = nextDue();
    if (due > 0)
        until = std::min(until, due);
    const timespec timeout = toTimespec(std::max<Nanos>(0, until - now()));
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_cycleFd, POLLIN, 0}};
    if (::ppoll(fds, 2, &timeout, nullptr) > 0 && fds[0].revents)
        return false;
    tick();
    return !m_stopping;
}

Nanos VqSimulator::Impl::nextDue() const
{
    if (m_state == State::Booting)
        return m_preambleDue > 0 ? std::min(m_preambleDue, m_bootDue) : m_bootDue;
    if (m_state == State::AwaitU && m_loaderWindowEnd > 0)
        return m_loaderWindowEnd;
    return 0;
}

void VqSimulator::Impl::tick()
{
    takePowerCycles();
    const Nanos t = now();
    if (m_state == State::Booting && m_preambleDue > 0 && m_preambleDue <= t) {
        event("preamble %s", shown(m_opt.preamble).constData());
        const Nanos due = m_preambleDue;
        m_preambleDue = 0;
        send(m_opt.preamble, due);
    }
    if (m_state == State::Booting && m_preambleDue == 0 && m_bootDue <= t)
        announce(m_bootDue);
    if (m_state == State::AwaitU && m_loaderWindowEnd > 0 && m_loaderWindowEnd <= t) {
        event("no U: the firmware starts");
        m_loaderWindowEnd = 0;
        m_state = State::Running;
        m_tail.clear();
    }
}

void VqSimulator::Impl::takePowerCycles()
{
    quint64 asked = 0;
    if (::read(m_cycleFd, &asked, sizeof asked) != sizeof asked)
        return;
    for (quint64 i = 0; i < asked; ++i) {
        endUpload();
        event("power cycle%s", m_firmwareWhole ? "" : " (firmware unfinished)");
        restart(now(), true);
    }
    std::lock_guard<std::mutex> lock(m_runMutex);
    m_cyclesDone += int(asked);
    m_cycleCondition.notify_all();
}

void VqSimulator::Impl::restart(Nanos at, bool fromPowerOn)
{
    m_state = State::Booting;
    m_tail.clear();
    m_preambleDue = m_opt.preamble.isEmpty() ? 0 : at + Nanos(m_opt.preambleMs) * NanosPerMs;
    m_bootDue = at + Nanos(m_opt.bootMs) * NanosPerMs;
    // Started on purpose by the reset frame, the loader waits for "U" for
    // good; after a power-on it starts whole firmware when none comes.
    m_loaderWindowEnd = 0;
    if (fromPowerOn && m_firmwareWhole && !m_opt.inLoader)
        m_loaderWindowEnd = m_bootDue + LoaderWindowMs * NanosPerMs;
}

VqSimulator::Impl::End VqSimulator::Impl::serveConnection(int fd)
{
    ++m_connections;
    m_fd = fd;
    m_ended = false;
    m_dropped = false;
    m_answerOwed = false;
    m_rxClock = 0;
    m_txClock = 0;
    tick();
    if (m_opt.inLoader && m_state == State::AwaitU) {
        // A unit on a jig announces itself when its line comes up; the short
        // pause lets the program finish opening and clearing the line.
        m_state = State::Booting;
        m_preambleDue = 0;
        m_bootDue = now() + InLoaderAnnounceMs * NanosPerMs;
    }

    End end = End::Closed;
    char buffer[4096];
    while (true) {
        if (m_stopping) {
            end = End::Stopping;
            break;
        }
        if (m_dropped) {
            end = End::Dropped;
            break;
        }
        if (m_ended)
            break;
        tick();
        timespec timeout;
        timespec *timeoutPointer = nullptr;
        if (const Nanos due = nextDue(); due > 0) {
            timeout = toTimespec(std::max<Nanos>(0, due - now()));
            timeoutPointer = &timeout;
        }
        pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_cycleFd, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::ppoll(fds, 3, timeoutPointer, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            problem("poll: %s", strerror(errno));
            end = End::Stopping;
            break;
        }
        if (fds[0].revents) {
            end = End::Stopping;
            break;
        }
        if (!m_tcp && (fds[2].revents & POLLHUP))
            break; // the program closed the line; what it left is forgotten
        if (fds[2].revents & POLLIN) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                processChunk(buffer, int(n), now());
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (n < 0 && errno != EIO && errno != ECONNRESET)
                problem("read: %s", strerror(errno));
            break; // end of stream, reset by the peer, or the line hung up
        }
        if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL))
            break;
    }
    // The unit itself goes on as it was: only what it had half received of
    // a command is lost with the line.
    flushCapture();
    m_tail.clear();
    if (end == End::Dropped)
        event("connection dropped");
    else if (end == End::Closed)
        event("connection ended");
    m_fd = -1;
    return end;
}

void VqSimulator::Impl::processChunk(const char *data, int size, Nanos readTime)
{
    if (!m_opt.script.isEmpty()) {
        for (const VqSimOptions::Piece &piece : std::exchange(m_script, {})) {
            readTime += Nanos(piece.pauseMs) * NanosPerMs;
            if (!send(piece.bytes, readTime))
                return;
            event("script %s", shown(piece.bytes).constData());
        }
        return;
    }
    for (int i = 0; i < size && !m_ended && !m_dropped && !m_stopping; ++i) {
        if (m_byteTime > 0) {
            m_rxClock = std::max(m_rxClock, readTime) + m_byteTime;
            m_rxDue = m_rxClock;
        } else {
            m_rxDue = readTime;
        }
        if (m_state == State::Booting && m_preambleDue == 0 && m_rxDue >= m_bootDue)
            announce(m_bootDue);
        if (m_state == State::Blocks) {
            m_moreInChunk = i + 1 < size;
            blockByte(data[i]);
        } else {
            if (m_uploadEnded)
                ++m_afterUpload;
            controlByte(data[i]);
        }
    }
    flushCapture();
}

void VqSimulator::Impl::controlByte(char c)
{
    m_tail.append(c);
    if (m_tail.size() > TailSize)
        m_tail.remove(0, m_tail.size() - TailSize);
    const QByteArray resetFrame = VqSimulator::resetFrame();
    if (m_tail.endsWith(resetFrame)) {
        m_tail.clear();
        reset();
        return;
    }
    switch (m_state) {
    case State::Running:
        if (m_tail.endsWith(LongVersionQuery)) {
            m_tail.clear();
            const QByteArray answer = m_opt.longAnswer  ? *m_opt.longAnswer
                                      : m_opt.longF0000 ? QByteArrayLiteral("F0000??\r")
                                                        : "F84004100D2" + m_opt.version + "??\r";
            event("long version query -> %s", shown(answer).constData());
            send(answer, m_rxDue);
        } else if (m_tail.endsWith(ShortVersionQuery)) {
            m_tail.clear();
            const QByteArray answer = "F8000D2" + m_opt.version + "??\r";
            event("short version query -> %s", shown(answer).constData());
            send(answer, m_rxDue);
        } else if (m_rxDue < m_firmwareStartDue && (m_tail.endsWith(VqSimulator::nameQuery()) ||
                                                    m_tail.endsWith(VqSimulator::levelQuery()))) {
            m_tail.clear();
            event("query while the new firmware starts -> (nothing)");
        } else if (m_tail.endsWith(VqSimulator::nameQuery())) {
            m_tail.clear();
            QByteArray answer;
            if (m_opt.refuseName && !m_newImage) {
                answer = VqSimulator::refusalFrame();
            } else {
                const QByteArray name = m_runningName.left(16).leftJustified(16, ' ');
                // No zero byte before the name: the first zero ends it.
                answer = VqSimulator::frame(QByteArrayLiteral("\xA4\x07\x01\x01\x01") + name +
                                            QByteArray(1, '\0'));
            }
            event("name query -> %s", shown(answer).constData());
            send(answer, m_rxDue);
        } else if (m_tail.endsWith(VqSimulator::levelQuery())) {
            m_tail.clear();
            QByteArray payload = QByteArrayLiteral("\x81\x1B");
            payload.append(char(m_runningLevel & 0xff));
            const QByteArray answer = VqSimulator::frame(payload);
            event("level query -> %s", shown(answer).constData());
            send(answer, m_rxDue);
        }
        break;
    case State::Booting:
        break; // still starting up: the byte is lost
    case State::AwaitU:
        // 55 is also inside the reset frame; a reset under way is not a "U".
        if (c == 'U' && !m_tail.endsWith(resetFrame.left(5)) &&
            !m_tail.endsWith(resetFrame.left(7))) {
            m_state = State::AwaitY;
            m_loaderWindowEnd = 0;
            event("U -> %s", m_opt.noS ? "(nothing)" : "S");
            if (!m_opt.noS)
                send(QByteArrayLiteral("S"), m_rxDue);
        }
        break;
    case State::AwaitY:
        if (c == 'Y') {
            m_state = State::Blocks;
            startUpload();
            event("Y -> %s, block phase",
                  m_opt.noAAfterY ? "(nothing)" : shown(m_opt.yAnswer).constData());
            if (!m_opt.noAAfterY)
                send(m_opt.yAnswer, m_rxDue);
        }
        break;
    case State::Blocks:
        break;
    }
}

void VqSimulator::Impl::reset()
{
    ++m_resets;
    endUpload();
    event("reset frame -> %s", m_opt.noAck ? "(no acknowledgement)" : "acknowledgement");
    Nanos from = m_rxDue;
    if (!m_opt.noAck) {
        send(VqSimulator::acknowledgeFrame(), m_rxDue);
        from = std::max(from, now());
    }
    restart(from, false);
    if (m_opt.bootMs <= 0 && m_opt.preamble.isEmpty())
        announce(m_bootDue);
}

void VqSimulator::Impl::announce(Nanos due)
{
    m_state = State::AwaitU;
    m_preambleDue = 0;
    m_tail.clear();
    if (m_opt.noId) {
        event("in the loader, no announcement");
        return;
    }
    const QByteArray text = m_opt.idText ? *m_opt.idText + '\r' : "id=" + m_opt.ident + '\r';
    event("announce %s", shown(text).constData());
    send(text, due);
}

void VqSimulator::Impl::startUpload()
{
    {
        std::lock_guard<std::mutex> lock(m_dataMutex);
        m_upload.clear();
    }
    m_blocks = 0;
    m_received = 0;
    m_accepted = 0;
    m_afterUpload = 0;
    m_uploadEnded = false;
    m_firmwareWhole = false;
    ++m_uploads;
    m_pendingCapture.clear();
    closeFd(m_captureFd);
    if (m_opt.captureFile.isEmpty())
        return;
    const QByteArray name = QFile::encodeName(m_opt.captureFile);
    m_captureFd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_captureFd < 0)
        problem("cannot write the capture file %s: %s", name.constData(), strerror(errno));
}

void VqSimulator::Impl::endUpload()
{
    flushCapture();
    closeFd(m_captureFd);
}

void VqSimulator::Impl::flushCapture()
{
    if (m_captureFd < 0) {
        m_pendingCapture.clear();
        return;
    }
    const char *p = m_pendingCapture.constData();
    qsizetype left = m_pendingCapture.size();
    while (left > 0) {
        const ssize_t n = ::write(m_captureFd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            problem("writing the capture file: %s", strerror(errno));
            closeFd(m_captureFd);
            break;
        }
        p += n;
        left -= n;
    }
    m_pendingCapture.clear();
}

void VqSimulator::Impl::blockByte(char c)
{
    {
        std::lock_guard<std::mutex> lock(m_dataMutex);
        m_upload.append(c);
    }
    m_pendingCapture.append(c);
    if (++m_received % BlockSize != 0)
        return;
    const int block = m_blocks.load();
    m_blocks = block + 1;
    // The capture is complete up to this block before it is answered.
    flushCapture();
    // The next block is already here: the program did not wait for this answer.
    m_answerOwed = true;
    if (m_moreInChunk) {
        ++m_overruns;
        event("block %d came before block %d was answered", block + 1, block);
    }
    const bool firstUpload = m_uploads == 1;
    const auto faultAt = [&](int k) { return firstUpload && block == k; };
    if (faultAt(m_opt.dropAt)) {
        // Only drop once the block would have arrived on the wire.
        waitUntil(m_rxDue);
        event("block %d -> drop", block);
        m_dropped = true;
        return;
    }
    if (faultAt(m_opt.nakAt)) {
        event("block %d -> N", block);
        send(QByteArrayLiteral("N"), m_rxDue);
        return;
    }
    if (faultAt(m_opt.silentAt)) {
        event("block %d -> silence", block);
        m_answerOwed = false;
        return;
    }
    if (faultAt(m_opt.wrongAckAt)) {
        // Counted as accepted: the unit took the block but answered it wrongly.
        event("block %d -> wrong answer", block);
        m_accepted += BlockSize;
        send(m_opt.wrongAck, m_rxDue);
        return;
    }
    // A refused block is sent again, so only accepted ones count towards the image.
    m_accepted += BlockSize;
    const bool complete = m_imageSize >= 0 && m_accepted >= m_imageSize;
    if (faultAt(m_opt.earlyEAt) || complete) {
        event("block %d -> E%s", block, complete ? "" : " (early)");
        m_state = m_opt.inLoader ? State::AwaitU : State::Running;
        m_firmwareWhole = true;
        m_tail.clear();
        m_uploadEnded = true;
        if (complete) {
            m_runningName = m_opt.ident;
            m_newImage = true;
            m_runningLevel = m_opt.newLevel >= 0 ? m_opt.newLevel : m_runningLevel;
            m_firmwareStartDue = m_rxDue + Nanos(m_opt.startMs) * NanosPerMs;
        }
        endUpload();
        send(QByteArrayLiteral("E"), m_rxDue);
        return;
    }
    event("block %d -> A", block);
    send(QByteArrayLiteral("A"), m_rxDue);
}

bool VqSimulator::Impl::send(const QByteArray &bytes, Nanos due)
{
    if (m_fd < 0)
        return true; // nobody is on the line: the bytes are lost
    if (m_ended || m_opt.silent)
        return !m_ended;
    const Nanos start = due + Nanos(m_opt.replyDelayMs) * NanosPerMs;
    if (m_answerOwed) {
        m_answerOwed = false;
        if (!waitUntil(start))
            return false;
        pollfd fd = {m_fd, POLLIN, 0};
        if (!m_moreInChunk && ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN)) {
            ++m_overruns;
            event("block %d came before block %d was answered", m_blocks.load(),
                  m_blocks.load() - 1);
        }
    }
    if (m_byteTime <= 0)
        return waitUntil(start) && writeAll(bytes.constData(), bytes.size());
    for (char c : bytes) {
        // Absolute deadlines on the wire clock: the answer goes out when the
        // byte it answers has arrived, so a late wake-up is not added to it.
        m_txClock = std::max(m_txClock, start) + m_byteTime;
        if (!waitUntil(m_txClock) || !writeAll(&c, 1))
            return false;
    }
    return true;
}

bool VqSimulator::Impl::writeAll(const char *data, qsizetype size)
{
    while (size > 0 && !m_ended) {
        const ssize_t n = m_tcp ? ::send(m_fd, data, size_t(size), MSG_NOSIGNAL)
                                : ::write(m_fd, data, size_t(size));
        if (n > 0) {
            data += n;
            size -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLOUT, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                problem("poll: %s", strerror(errno));
                m_ended = true;
            } else if (fds[0].revents) {
                return false;
            } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                m_ended = true;
            }
            continue;
        }
        // EPIPE, ECONNRESET, EIO: the peer has gone, which ends the connection only.
        if (n < 0 && errno != EPIPE && errno != ECONNRESET && errno != EIO)
            problem("write: %s", strerror(errno));
        m_ended = true;
    }
    return !m_ended;
}

bool VqSimulator::Impl::waitUntil(Nanos due)
{
    while (!m_stopping) {
        const Nanos left = due - now();
        if (left <= 0)
            return true;
        if (left > CoarseWaitMargin) {
            const timespec timeout = toTimespec(left - CoarseWaitMargin / 2);
            pollfd fd = {m_wakeFd, POLLIN, 0};
            if (::ppoll(&fd, 1, &timeout, nullptr) > 0)
                return false;
            continue;
        }
        const timespec deadline = toTimespec(due);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
    }
    return false;
}

VqSimulator::VqSimulator(VqSimOptions options) : d(std::make_unique<Impl>(std::move(options))) {}

VqSimulator::~VqSimulator()
{
    stop();
}

bool VqSimulator::startTcp(quint16 port, QString *error)
{
    std::lock_guard<std::mutex> lock(d->m_controlMutex);
    if (!d->prepareStart(error))
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        const QString text = errnoText("socket");
        d->join();
        return fail(error, text);
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        const QString text = errnoText(qPrintable(QStringLiteral("port %1").arg(port)));
        ::close(fd);
        d->join();
        return fail(error, text);
    }
    d->m_listenFd = fd;
    d->m_tcp = true;
    d->m_port = ntohs(address.sin_port);
    d->launch();
    d->event("listening on 127.0.0.1:%u", unsigned(d->m_port));
    return true;
}

bool VqSimulator::startPty(QString *error)
{
    std::lock_guard<std::mutex> lock(d->m_controlMutex);
    if (!d->prepareStart(error))
        return false;
    if (!d->openPty(error)) {
        d->join();
        return false;
    }
    d->m_tcp = false;
    d->launch();
    d->event("serving on %s", qPrintable(devicePath()));
    return true;
}

void VqSimulator::stop()
{
    std::lock_guard<std::mutex> lock(d->m_controlMutex);
    d->join();
}

quint16 VqSimulator::port() const
{
    return d->m_port;
}

QString VqSimulator::devicePath() const
{
    std::lock_guard<std::mutex> lock(d->m_dataMutex);
    return d->m_devicePath;
}

QByteArray VqSimulator::lastUpload() const
{
    std::lock_guard<std::mutex> lock(d->m_dataMutex);
    return d->m_upload;
}

int VqSimulator::blocksReceived() const
{
    return d->m_blocks;
}

int VqSimulator::bytesAfterUpload() const
{
    return d->m_afterUpload;
}

int VqSimulator::connections() const
{
    return d->m_connections;
}

int VqSimulator::resetsAcknowledged() const
{
    return d->m_resets;
}

bool VqSimulator::running() const
{
    return d->m_runningFlag;
}

void VqSimulator::powerCycle()
{
    std::unique_lock<std::mutex> lock(d->m_runMutex);
    if (!d->m_running) {
        // Not serving: the unit restarts at once, with nobody on its line.
        lock.unlock();
        d->endUpload();
        d->restart(now(), true);
        std::lock_guard<std::mutex> relock(d->m_runMutex);
        ++d->m_cyclesAsked;
        ++d->m_cyclesDone;
        return;
    }
    const int asked = ++d->m_cyclesAsked;
    const quint64 one = 1;
    if (::write(d->m_cycleFd, &one, sizeof one) < 0)
        d->problem("cannot ask for a power cycle: %s", strerror(errno));
    d->m_cycleCondition.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return d->m_cyclesDone >= asked || !d->m_running; });
}

int VqSimulator::powerCycles() const
{
    std::lock_guard<std::mutex> lock(d->m_runMutex);
    return d->m_cyclesDone;
}

QList<VqSimulator::Event> VqSimulator::timeline() const
{
    std::lock_guard<std::mutex> lock(d->m_dataMutex);
    return d->m_timeline;
}

int VqSimulator::overruns() const
{
    return d->m_overruns;
}

bool VqSimulator::waitStopped(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(d->m_runMutex);
    return d->m_stoppedCondition.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                          [this] { return !d->m_running; });
}
