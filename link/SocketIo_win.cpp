#include "SocketIo.h"

#include <QDeadlineTimer>

#include <winsock2.h>

namespace SocketIo {

namespace {
QString reason()
{
    return qt_error_string(::WSAGetLastError());
}

// WSAPoll for the events within ms; 1 ready, 0 timed out, -1 failed.
int pollFor(qintptr socket, short events, int ms)
{
    WSAPOLLFD p{static_cast<SOCKET>(socket), events, 0};
    return ::WSAPoll(&p, 1, ms);
}

// Whether the socket has nothing to give now; Windows' sockets here are
// non-blocking, as the socket class leaves them.
bool wouldBlock()
{
    return ::WSAGetLastError() == WSAEWOULDBLOCK;
}
} // namespace

Readable waitReadable(qintptr socket, int ms, QString *why)
{
    const int n = pollFor(socket, POLLRDNORM, ms);
    if (n > 0)
        return Readable::Yes;
    if (n == 0)
        return Readable::TimedOut;
    *why = reason();
    return Readable::Failed;
}

qint64 receiveNow(qintptr socket, char *buffer, qint64 size, QString *why)
{
    const int n = ::recv(static_cast<SOCKET>(socket), buffer, static_cast<int>(size), 0);
    if (n >= 0)
        return n;
    if (wouldBlock())
        return -1;
    *why = reason();
    return -2;
}

bool sendAll(qintptr socket, const char *data, qint64 size, int ms, QString *why, bool *timedOut)
{
    *timedOut = false;
    const QDeadlineTimer deadline(ms);
    while (size > 0) {
        const int n = ::send(static_cast<SOCKET>(socket), data, static_cast<int>(size), 0);
        if (n > 0) {
            data += n;
            size -= n;
            continue;
        }
        if (n < 0 && !wouldBlock()) {
            *why = reason();
            return false;
        }
        const int left = static_cast<int>(deadline.remainingTime());
        if (left <= 0 || pollFor(socket, POLLWRNORM, left) == 0) {
            *timedOut = true;
            *why = QStringLiteral("the unit took nothing for %1 ms").arg(ms);
            return false;
        }
    }
    return true;
}

} // namespace SocketIo
