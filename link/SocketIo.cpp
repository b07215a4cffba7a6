#include "SocketIo.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>

#if defined(Q_OS_WIN)
#include <winsock2.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#endif

namespace SocketIo {

namespace {
// What each system calls the same few things. The socket class leaves its
// descriptor non-blocking on both.
#if defined(Q_OS_WIN)
int pollFor(qintptr socket, bool out, int ms)
{
    WSAPOLLFD p{static_cast<SOCKET>(socket), static_cast<short>(out ? POLLWRNORM : POLLRDNORM), 0};
    return ::WSAPoll(&p, 1, ms);
}
qint64 receiveSome(qintptr socket, char *buffer, qint64 size)
{
    return ::recv(static_cast<SOCKET>(socket), buffer, static_cast<int>(size), 0);
}
qint64 sendSome(qintptr socket, const char *data, qint64 size)
{
    return ::send(static_cast<SOCKET>(socket), data, static_cast<int>(size), 0);
}
int lastError()
{
    return ::WSAGetLastError();
}
bool interrupted()
{
    return false;
}
bool wouldBlock()
{
    return lastError() == WSAEWOULDBLOCK;
}
#else
int pollFor(qintptr socket, bool out, int ms)
{
    pollfd p{static_cast<int>(socket), static_cast<short>(out ? POLLOUT : POLLIN), 0};
    return ::poll(&p, 1, ms);
}
qint64 receiveSome(qintptr socket, char *buffer, qint64 size)
{
    return ::recv(static_cast<int>(socket), buffer, static_cast<size_t>(size), MSG_DONTWAIT);
}
qint64 sendSome(qintptr socket, const char *data, qint64 size)
{
    return ::send(static_cast<int>(socket), data, static_cast<size_t>(size),
                  MSG_NOSIGNAL | MSG_DONTWAIT);
}
int lastError()
{
    return errno;
}
bool interrupted()
{
    return errno == EINTR;
}
bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}
#endif

// Waits within ms; 1 ready, 0 timed out, -1 failed.
int waitFor(qintptr socket, bool out, int ms)
{
    int n;
    do
        n = pollFor(socket, out, ms);
    while (n < 0 && interrupted());
    return n;
}
} // namespace

Readable waitReadable(qintptr socket, int ms, QString *why)
{
    const int n = waitFor(socket, false, ms);
    if (n > 0)
        return Readable::Yes;
    if (n == 0)
        return Readable::TimedOut;
    *why = qt_error_string(lastError());
    return Readable::Failed;
}

qint64 receiveNow(qintptr socket, char *buffer, qint64 size, QString *why)
{
    qint64 n;
    do
        n = receiveSome(socket, buffer, size);
    while (n < 0 && interrupted());
    if (n >= 0)
        return n;
    if (wouldBlock())
        return -1;
    *why = qt_error_string(lastError());
    return -2;
}

bool Receiver::prepare(qintptr socket)
{
    m_socket = socket;
    m_limitMs = -1;
    m_blocking = false;
#if !defined(Q_OS_WIN)
    const int flags = ::fcntl(static_cast<int>(socket), F_GETFL);
    m_blocking = flags >= 0 && ::fcntl(static_cast<int>(socket), F_SETFL, flags & ~O_NONBLOCK) == 0;
#endif
    return m_blocking;
}

qint64 receiveWithin(qintptr socket, char *buffer, qint64 size, int ms, QString *why)
{
    const Readable readable = waitReadable(socket, std::max(ms, 0), why);
    if (readable == Readable::Failed)
        return -2;
    if (readable == Readable::TimedOut)
        return -1;
    return receiveNow(socket, buffer, size, why);
}

qint64 Receiver::answerWithin(char *buffer, qint64 size, int ms, QString *why)
{
    QElapsedTimer waited;
    waited.start();
    const auto left = [&](int within) { return within - static_cast<int>(waited.elapsed()); };
#if !defined(Q_OS_WIN)
    const int part = std::min(ms, BlockingPartMs);
    for (int limit = part; m_blocking && limit > 0; limit = left(part)) {
        if (limit != m_limitMs) {
            const timeval t{limit / 1000, (limit % 1000) * 1000};
            if (::setsockopt(static_cast<int>(m_socket), SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t) !=
                0) {
                *why = qt_error_string(errno);
                return -2;
            }
            m_limitMs = limit;
        }
        const qint64 n = ::recv(static_cast<int>(m_socket), buffer, static_cast<size_t>(size), 0);
        if (n >= 0)
            return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        // A signal handled on this thread: the wait goes on for what is left.
        if (errno != EINTR) {
            *why = qt_error_string(errno);
            return -2;
        }
    }
#endif
    const int rest = left(ms);
    if (rest <= 0)
        return -1;
    return receiveWithin(m_socket, buffer, size, rest, why);
}

bool sendAll(qintptr socket, const char *data, qint64 size, int ms, QString *why, bool *timedOut)
{
    *timedOut = false;
    const QDeadlineTimer deadline(ms);
    while (size > 0) {
        const qint64 n = sendSome(socket, data, size);
        if (n > 0) {
            data += n;
            size -= n;
            continue;
        }
        if (n < 0 && !wouldBlock() && !interrupted()) {
            *why = qt_error_string(lastError());
            return false;
        }
        const int left = static_cast<int>(deadline.remainingTime());
        if (left <= 0 || waitFor(socket, true, left) == 0) {
            *timedOut = true;
            *why = QStringLiteral("the unit took nothing for %1 ms").arg(ms);
            return false;
        }
    }
    return true;
}

} // namespace SocketIo
