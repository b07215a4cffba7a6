#pragma once

#include <QString>
#include <QtGlobal>

// Blocking exchanges on a connected TCP socket's descriptor, without an event
// loop: the link's path for the blocks, where the socket class's own
// notifications cost a pass through its machinery at every block. The
// descriptor stays owned by whoever connected it.
namespace SocketIo {

enum class Readable
{
    Yes,
    TimedOut,
    Failed,
};

// Waits up to ms (0: not at all) for input or the peer's end; Failed with the
// system's reason in why when the wait itself fails.
Readable waitReadable(qintptr socket, int ms, QString *why);

// What is there now, up to size bytes, without waiting: the count (> 0), 0
// when the peer has closed, -1 when nothing has come, -2 on a failure with
// the system's reason in why.
qint64 receiveNow(qintptr socket, char *buffer, qint64 size, QString *why);

// Sends everything within ms; false with the reason in why (timedOut set when
// the time ran out rather than the socket failing).
bool sendAll(qintptr socket, const char *data, qint64 size, int ms, QString *why, bool *timedOut);

} // namespace SocketIo
