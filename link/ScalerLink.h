#pragma once

#include "ScalerLinkInterface.h"
#include "ScalerSettings.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QSerialPort;
class QTcpSocket;

// The link to a unit over a serial port (CommsType 1) or TCP (any other
// type), on the calling thread with the blocking waits of QIODevice.
//
// The settings are read from the record at every open, so new values take
// effect at the next open. On a closed link every operation returns at once
// with False and an empty reply. A link that fails while open is closed and
// the operation throws RunError with one of the numbers below, its reply
// cleared.
//
// An operation that sends something first discards the input held so far,
// so that a late or doubled answer to an earlier exchange is never taken
// for the answer to this one. An operation that sends nothing keeps it: the
// identification line that follows the reset acknowledgement is read by the
// next listen.
class ScalerLink : public ScalerLinkInterface
{
public:
    enum Error : qint32
    {
        LinkLost = 8019,    // the unit closed the connection, or the line went away
        WriteFailed = 8020, // bytes could not be written to the unit
        BadHexText = 8021,  // a hexadecimal text to send is not digit pairs
    };

    explicit ScalerLink(const ScalerSettings &settings);
    ~ScalerLink() override;

    VBool OpenChannel(qint16 &channel) override;
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

    // Called with 0 as each wait for the unit begins, and with
    // WaitingHookAfterMs once it has lasted that long: the window paints then
    // what it was given before the wait, while the unit works. One for the
    // whole program; an empty one removes it.
    static void setWaitingHook(std::function<void(int waitedMs)> hook);
    static constexpr int WaitingHookAfterMs = 16;

private:
    bool openSerial();
    bool openTcp();
    void writeAll(const QByteArray &bytes);
    // Waits up to ms for input and moves what came into m_pending; false when
    // nothing came. Throws LinkLost when the line has gone.
    bool receive(int ms);
    bool receiveWithin(int ms);
    void drainDevice();
    void discardInput();
    [[noreturn]] void lost(const QString &why);
    int quietGapMs() const;

    const ScalerSettings &m_settings;
    std::unique_ptr<QIODevice> m_device;
    QSerialPort *m_serial = nullptr;
    QTcpSocket *m_socket = nullptr;
    QByteArray m_pending;
    qint32 m_speed = 0;
};
