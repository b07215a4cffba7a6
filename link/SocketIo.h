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

// Waits up to ms (0: not at all) and takes what came, up to size bytes: the
// count (> 0), 0 when the peer has closed, -1 when nothing came in time, -2
// on a failure with the system's reason in why.
qint64 receiveWithin(qintptr socket, char *buffer, qint64 size, int ms, QString *why);

// Waits for an answer that is due at once, as a unit's to a block, and
// takes it in one system call where the system allows it: the descriptor
// is then made to block, and the first part of the wait is the socket's own
// receive time limit, on the system's coarse timer. What is left of the wait
// is then waited as receiveWithin waits, so that no wait is ever shorter.
// Every other call here says not to wait, so they are unchanged by that; the
// socket class never reads or writes an unbuffered socket itself.
class Receiver
{
public:
    // Takes the descriptor over; false where each wait stays a wait and a
    // read (Windows, or a descriptor that would not change).
    bool prepare(qintptr socket);
    // As receiveWithin, for ms of at least 1.
    qint64 answerWithin(char *buffer, qint64 size, int ms, QString *why);
    // The part of a wait taken in the receive itself: a frame of the screen.
    static constexpr int BlockingPartMs = 16;

private:
    qintptr m_socket = -1;
    bool m_blocking = false;
    // The limit last set on the socket: the blocks' waits set it once.
    int m_limitMs = -1;
};

// Sends everything within ms; false with the reason in why (timedOut set when
// the time ran out rather than the socket failing).
bool sendAll(qintptr socket, const char *data, qint64 size, int ms, QString *why, bool *timedOut);

} // namespace SocketIo
