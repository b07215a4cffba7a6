#pragma once

#include "ScalerLinkInterface.h"
#include "ScalerSettings.h"

#include <QByteArray>
#include <QString>

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

private:
    bool openSerial();
    bool openTcp();
    void writeAll(const QByteArray &bytes);
    // Waits up to ms for input and moves what came into m_pending; false when
    // nothing came. Throws LinkLost when the line has gone.
    bool receive(int ms);
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
