#include "SocketIo.h"

#include <QDeadlineTimer>

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace SocketIo {

namespace {
QString reason()
{
    return qt_error_string(errno);
}

// poll for the events within ms; 1 ready, 0 timed out, -1 failed.
int pollFor(qintptr socket, short events, int ms)
{
    pollfd p{static_cast<int>(socket), events, 0};
    int n;
    do
        n = ::poll(&p, 1, ms);
    while (n < 0 && errno == EINTR);
    return n;
}
} // namespace

Readable waitReadable(qintptr socket, int ms, QString *why)
{
    const int n = pollFor(socket, POLLIN, ms);
    if (n > 0)
        return Readable::Yes;
    if (n == 0)
        return Readable::TimedOut;
    *why = reason();
    return Readable::Failed;
}

qint64 receiveNow(qintptr socket, char *buffer, qint64 size, QString *why)
{
    ssize_t n;
    do
        n = ::recv(static_cast<int>(socket), buffer, static_cast<size_t>(size), MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return -1;
    *why = reason();
    return -2;
}

bool sendAll(qintptr socket, const char *data, qint64 size, int ms, QString *why, bool *timedOut)
{
    *timedOut = false;
    const QDeadlineTimer deadline(ms);
    while (size > 0) {
        const ssize_t n = ::send(static_cast<int>(socket), data, static_cast<size_t>(size),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data += n;
            size -= n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            *why = reason();
            return false;
        }
        const int left = static_cast<int>(deadline.remainingTime());
        if (left <= 0 || pollFor(socket, POLLOUT, left) == 0) {
            *timedOut = true;
            *why = QStringLiteral("the unit took nothing for %1 ms").arg(ms);
            return false;
        }
    }
    return true;
}

} // namespace SocketIo
