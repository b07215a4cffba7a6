#pragma once

#include "ScalerLinkInterface.h"
#include "ScalerSettings.h"
#include "SocketIo.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <memory>

class QIODevice;
class SerialPort;
class QTcpSocket;

// The link to a unit over a serial port (CommsType 1) or TCP (any other
// type), on the calling thread with the blocking waits of QIODevice.
//
// It opens on the settings it is given at each open. On a closed link every
// operation returns at once with False and an empty reply. A link that fails
// while open is closed and the operation throws RunError LinkLost or
// WriteFailed, its reply cleared; a hexadecimal text that is not digit pairs
// throws BadHexText.
//
// No answer is kept beyond MaximumReply bytes: a unit that talks on without
// giving what is awaited gets its answer discarded, and the exchange fails.
//
// An operation that sends something first discards the input held so far,
// so that a late or doubled answer to an earlier exchange is never taken
// for the answer to this one. An operation that sends nothing keeps it: the
// identification line that follows the reset acknowledgement is read by the
// next listen. A block over TCP drops what the link holds without asking the
// socket again: the answer to the block before was read a moment earlier
// together with everything that had come by then.
class ScalerLink : public ScalerLinkInterface
{
public:
    ScalerLink();
    ~ScalerLink() override;

    // The longest answer kept, far beyond any identification line or frame.
    static constexpr qsizetype MaximumReply = 4096;

    VBool OpenChannel(const ScalerSettings &settings, qint16 &channel,
                      QString *why = nullptr) override;
    // Discards the input received so far.
    void ReadInput() override;
    void CloseChannel() override;
    VBool SendBlock(const std::array<quint8, 32> &data, QByteArray &reply, qint32 count,
                    qint32 timeout, VBool hex) override;
    // With nothing awaited the unit is listened to for the whole timeout,
    // except that the listen ends early once an identification line is whole
    // (see hasIdentificationLine) and the line then stays quiet for a gap of
    // 20 ms or 4 characters. Stray bytes or a loader's banner before that
    // line never end it.
    VBool Transact(const QByteArray &send, const QByteArray &terminator, QByteArray &reply,
                   qint32 timeout, VBool hex) override;
    // Discards input not yet read, sends, and returns when the reply frame
    // (53, length, that many bytes) is complete, or at the timeout; True when
    // anything came.
    VBool Query(const QByteArray &send, QByteArray &reply, qint32 timeout, VBool hex) override;
    VBool SendText(const QByteArray &text, VBool hex) override;
    // Mode 2 starts a clean exchange: input not yet read is discarded in the
    // link and in the serial driver, and output not yet sent is dropped.
    // Other modes change nothing.
    void SetMode(qint32 value) override;

    bool isOpen() const;

    // Bytes decoded from hexadecimal digit pairs; throws BadHexText.
    static QByteArray decodeHex(const QByteArray &digits);

    // Whether received holds a whole identification line: "id=" and, after
    // it, a line end (CR or LF).
    static bool hasIdentificationLine(const QByteArray &received);

    // The wait observer is told of each wait as it begins, and again once it
    // has lasted WaitGoesOnAfterMs (a frame of the screen).
    void setWaitObserver(LinkWaitObserver *observer) override;
    static constexpr int WaitGoesOnAfterMs = 16;

private:
    bool openSerial(QString *why);
    bool openTcp(QString *why);
    void note(const QString &text, QString *why);
    void writeAll(const QByteArray &bytes);
    // An answer due at once, as a unit's to a block, is waited for in the
    // way that costs the least.
    enum class Answer
    {
        Any,
        Due,
    };
    // Waits up to ms for input and moves what came into m_pending; false when
    // nothing came. Throws LinkLost when the line has gone.
    bool receive(int ms, Answer answer = Answer::Any);
    bool receiveWithin(int ms, Answer answer);
    void drainDevice();
    void discardInput();
    [[noreturn]] void lost(const QString &why);
    int quietGapMs() const;
    // Whether more has come than any answer may hold; the input is then discarded.
    bool overflowed(const char *awaited);

    ScalerSettings m_settings;
    LinkWaitObserver *m_waitObserver = nullptr;
    QSet<QString> m_lowLatencyNoted; // devices already said to refuse low latency
    std::unique_ptr<QIODevice> m_device;
    SerialPort *m_serial = nullptr;
    QTcpSocket *m_socket = nullptr;
    // The connected socket's descriptor: the exchanges go through it directly.
    qintptr m_descriptor = -1;
    SocketIo::Receiver m_receiver;
    QByteArray m_pending;
    qint32 m_speed = 0;
};
