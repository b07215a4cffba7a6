#include "ScalerLink.h"

#include "ErrorControl.h"
#include "RunError.h"
#include "SerialLine.h"
#include "SerialPort.h"
#include "SocketIo.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTcpSocket>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#endif

namespace {
constexpr int ConnectTimeoutMs = 2000;
// Once the identification line is whole, a pause this long ends the listen:
// long enough for a line end split by a USB adapter's latency timer.
constexpr int MinimumQuietGapMs = 20;
constexpr int QuietGapCharacters = 4;

void note(const QString &text)
{
    ErrorCtl().Adddebug(QStringLiteral("Link: ") + text);
}

QSerialPort::Parity parityOf(char letter)
{
    switch (letter) {
    case 'O':
        return QSerialPort::OddParity;
    case 'E':
        return QSerialPort::EvenParity;
    default:
        return QSerialPort::NoParity;
    }
}

#if defined(Q_OS_LINUX)
// USB serial adapters hold received bytes for their latency timer unless the
// driver is asked for low latency; without it every block waits for its answer.
// Says so once a device, not at every open.
void requestLowLatency(QSerialPort &port, const QString &device, QSet<QString> &noted)
{
    serial_struct serial{};
    if (::ioctl(port.handle(), TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(port.handle(), TIOCSSERIAL, &serial) == 0)
            return;
    }
    if (noted.contains(device))
        return;
    noted.insert(device);
    note(QStringLiteral("%1 does not offer low latency (%2); answers may be delayed by the "
                        "adapter's latency timer")
             .arg(device, QString::fromLocal8Bit(std::strerror(errno))));
}
#endif
} // namespace

ScalerLink::ScalerLink() = default;

ScalerLink::~ScalerLink()
{
    CloseChannel();
}

bool ScalerLink::hasIdentificationLine(const QByteArray &received)
{
    const qsizetype id = received.indexOf("id=");
    if (id < 0)
        return false;
    const qsizetype from = id + 3;
    return received.indexOf('\r', from) >= 0 || received.indexOf('\n', from) >= 0;
}

void ScalerLink::setWaitObserver(LinkWaitObserver *observer)
{
    m_waitObserver = observer;
}

void ScalerLink::note(const QString &text, QString *why)
{
    ::note(text);
    if (why)
        *why = text;
}

bool ScalerLink::isOpen() const
{
    return m_device && m_device->isOpen();
}

QByteArray ScalerLink::decodeHex(const QByteArray &digits)
{
    if (digits.size() % 2 != 0)
        throw RunError(RunError::BadHexText,
                       QStringLiteral("Hexadecimal text for the unit has an odd "
                                      "number of digits"));
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    for (int i = 0; i < digits.size(); i += 2) {
        const int high = hexDigitValue(digits[i]);
        const int low = hexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0)
            throw RunError(RunError::BadHexText,
                           QStringLiteral("Hexadecimal text for the unit holds a "
                                          "character that is not a digit"));
        bytes.append(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

VBool ScalerLink::OpenChannel(const ScalerSettings &settings, qint16 &channel, QString *why)
{
    Q_UNUSED(channel)
    CloseChannel();
    m_settings = settings;
    return toVBool(m_settings.CommsType == 1 ? openSerial(why) : openTcp(why));
}

bool ScalerLink::openSerial(QString *why)
{
    QString reason;
    const QString portName = m_settings.SerialPort;
    const QString device = serialDeviceFor(portName, m_settings.Ports, &reason);
    if (device.isEmpty()) {
        note(QStringLiteral("serial port not opened: %1").arg(reason), why);
        return false;
    }
    const std::optional<SerialLine> line =
        parseSerialParameters(m_settings.SerialParameters, &reason);
    if (!line) {
        note(QStringLiteral("serial port %1 not opened: the parameters \"%2\" are wrong: %3")
                 .arg(portName, m_settings.SerialParameters, reason),
             why);
        return false;
    }

    auto port = std::make_unique<SerialPort>();
    port->setPortName(device);
    // What the unit sends beyond this waits in the driver, not in memory.
    port->setReadBufferSize(64 * 1024);
    if (!port->open(QIODevice::ReadWrite)) {
        QString failed = QStringLiteral("serial port %1 (%2) cannot be opened: %3")
                             .arg(portName, device, port->errorString());
        const QString permission = serialPermissionProblem(device);
        if (!permission.isEmpty())
            failed += QStringLiteral("; ") + permission;
        note(failed, why);
        return false;
    }
    const bool configured =
        port->setBaudRate(line->speed) && port->setParity(parityOf(line->parity)) &&
        port->setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits)) &&
        port->setStopBits(line->stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        note(QStringLiteral("serial port %1 (%2) does not take the parameters \"%3\": %4")
                 .arg(portName, device, m_settings.SerialParameters, port->errorString()),
             why);
        return false;
    }
#if defined(Q_OS_LINUX)
    requestLowLatency(*port, device, m_lowLatencyNoted);
#endif
    m_speed = line->speed;
    m_serial = port.get();
    m_device = std::move(port);
    return true;
}

bool ScalerLink::openTcp(QString *why)
{
    const QString address = m_settings.EthernetAddress;
    bool ok = false;
    const uint port = m_settings.EthernetPort.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        note(QStringLiteral("%1 not reached: the port \"%2\" is not a TCP port number")
                 .arg(address, m_settings.EthernetPort),
             why);
        return false;
    }
    auto socket = std::make_unique<QTcpSocket>();
    // Unbuffered: a block goes to the socket in the write call itself, with no
    // extra wait for the socket to become writable.
    socket->connectToHost(address.trimmed(), static_cast<quint16>(port),
                          QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!socket->waitForConnected(ConnectTimeoutMs)) {
        note(QStringLiteral("%1:%2 not reached: %3")
                 .arg(address)
                 .arg(port)
                 .arg(socket->errorString()),
             why);
        return false;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_speed = 0;
    m_descriptor = socket->socketDescriptor();
    m_receiver.prepare(m_descriptor);
    m_socket = socket.get();
    m_device = std::move(socket);
    return true;
}

void ScalerLink::CloseChannel()
{
    if (m_socket) {
        m_socket->abort();
    } else if (m_serial) {
        m_serial->close();
    }
    m_device.reset();
    m_serial = nullptr;
    m_socket = nullptr;
    m_descriptor = -1;
    m_pending.clear();
}

void ScalerLink::lost(const QString &why)
{
    CloseChannel();
    throw RunError(RunError::LinkLost, QStringLiteral("The link to the unit was lost: ") + why);
}

int ScalerLink::quietGapMs() const
{
    if (m_speed <= 0)
        return MinimumQuietGapMs;
    const int characters =
        static_cast<int>((QuietGapCharacters * 10LL * 1000 + m_speed - 1) / m_speed);
    return std::max(MinimumQuietGapMs, characters);
}

void ScalerLink::writeAll(const QByteArray &bytes)
{
    // One write for the whole text: a block split over two writes meets
    // Nagle's algorithm and delayed acknowledgement.
    const int lineMs = m_speed > 0 ? static_cast<int>(bytes.size() * 10LL * 1000 / m_speed) : 0;
    const int limitMs = 2000 + 2 * lineMs;
    if (m_socket) {
        QString reason;
        bool timedOut = false;
        if (SocketIo::sendAll(m_descriptor, bytes.constData(), bytes.size(), limitMs, &reason,
                              &timedOut))
            return;
        if (!timedOut)
            lost(reason);
        CloseChannel();
        throw RunError(RunError::WriteFailed,
                       QStringLiteral("Writing to the unit failed: ") + reason);
    }
    if (m_device->write(bytes) != bytes.size())
        lost(m_device->errorString());
    QElapsedTimer timer;
    timer.start();
    while (m_device->bytesToWrite() > 0) {
        const int left = limitMs - static_cast<int>(timer.elapsed());
        if (left <= 0 || !m_device->waitForBytesWritten(left)) {
            if (m_device->bytesToWrite() == 0)
                break;
            const QString reason = m_device->errorString();
            CloseChannel();
            throw RunError(RunError::WriteFailed,
                           QStringLiteral("Writing to the unit failed: ") + reason);
        }
    }
}

void ScalerLink::drainDevice()
{
    if (m_device->bytesAvailable() > 0)
        m_pending += m_device->readAll();
}

bool ScalerLink::receive(int ms, Answer answer)
{
    // The window shows what it was given before the wait while the unit
    // works, and at the latest once the wait has lasted a frame.
    if (ms <= 0 || !m_waitObserver)
        return receiveWithin(std::max(0, ms), answer);
    struct Ended
    {
        LinkWaitObserver *observer;
        ~Ended() { observer->waitEnded(); }
    } ended{m_waitObserver};
    QElapsedTimer timer;
    timer.start();
    m_waitObserver->waiting(0);
    if (ms <= WaitGoesOnAfterMs)
        return receiveWithin(std::max(0, ms - static_cast<int>(timer.elapsed())), answer);
    if (receiveWithin(std::max(0, WaitGoesOnAfterMs - static_cast<int>(timer.elapsed())), answer))
        return true;
    m_waitObserver->waiting(WaitGoesOnAfterMs);
    return receiveWithin(std::max(0, ms - static_cast<int>(timer.elapsed())), answer);
}

bool ScalerLink::overflowed(const char *awaited)
{
    if (m_pending.size() <= MaximumReply)
        return false;
    ::note(QStringLiteral("the unit sent more than %1 bytes without %2; its answer was "
                          "discarded")
               .arg(MaximumReply)
               .arg(QString::fromLatin1(awaited)));
    m_pending.clear();
    return true;
}

bool ScalerLink::receiveWithin(int ms, Answer answer)
{
    if (m_serial) {
        // The serial port reads into its own buffer, which may hold bytes already.
        const qsizetype before = m_pending.size();
        drainDevice();
        if (m_pending.size() == before) {
            m_serial->waitForReadyRead(std::max(ms, 0));
            drainDevice();
        }
        if (m_pending.size() > before)
            return true;
        const QSerialPort::SerialPortError e = m_serial->error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
            lost(QStringLiteral("%1: %2").arg(m_serial->portName(), m_serial->errorString()));
        m_serial->clearError();
        return false;
    }

    // The socket's descriptor directly: a wait returns at once when bytes are
    // there, and takes them in the same call.
    QString reason;
    char buffer[4096];
    const qint64 got =
        ms > 0 && answer == Answer::Due
            ? m_receiver.answerWithin(buffer, sizeof buffer, ms, &reason)
            : SocketIo::receiveWithin(m_descriptor, buffer, sizeof buffer, ms, &reason);
    if (got == -2)
        lost(reason);
    if (got == 0) // readable with nothing to read: the unit closed the connection
        lost(QStringLiteral("the unit closed the connection"));
    if (got < 0)
        return false;
    m_pending.append(buffer, got);
    return true;
}

VBool ScalerLink::Transact(const QByteArray &send, const QByteArray &terminator, QByteArray &reply,
                           qint32 timeout, VBool hex)
{
    reply.clear();
    if (!isOpen())
        return VFalse;
    const QByteArray bytes = hex ? decodeHex(send) : send;
    if (!bytes.isEmpty()) {
        discardInput();
        writeAll(bytes);
    }

    QElapsedTimer timer;
    timer.start();
    const auto left = [&] { return timeout - static_cast<int>(timer.elapsed()); };

    if (!terminator.isEmpty()) {
        qsizetype searchFrom = 0;
        for (;;) {
            const qsizetype at = m_pending.indexOf(terminator, searchFrom);
            if (at >= 0) {
                reply = m_pending.left(at + terminator.size());
                m_pending.remove(0, at + terminator.size());
                return VTrue;
            }
            searchFrom = std::max<qsizetype>(0, m_pending.size() - terminator.size() + 1);
            if (overflowed("the answer awaited"))
                return VFalse;
            if (left() <= 0)
                break;
            receive(left());
        }
    } else {
        // The unit's identification line is whole once the line then stays
        // quiet for the gap; until then everything the unit sends is kept.
        const int gap = quietGapMs();
        while (left() > 0) {
            if (overflowed("an identification line that ends"))
                return VFalse;
            if (!hasIdentificationLine(m_pending))
                receive(left());
            else if (!receive(std::min(gap, left())))
                break;
        }
    }
    reply = m_pending;
    m_pending.clear();
    return toVBool(terminator.isEmpty() && !reply.isEmpty());
}

VBool ScalerLink::Query(const QByteArray &send, QByteArray &reply, qint32 timeout, VBool hex)
{
    reply.clear();
    if (!isOpen())
        return VFalse;
    // The answer is the frame that follows the query: stray input before it
    // would be taken for its start.
    discardInput();
    writeAll(hex ? decodeHex(send) : send);

    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const qsizetype start = m_pending.indexOf('\x53');
        if (start >= 0 && m_pending.size() >= start + 2) {
            const qsizetype end = start + 2 + static_cast<quint8>(m_pending.at(start + 1));
            if (m_pending.size() >= end) {
                reply = m_pending.left(end);
                m_pending.remove(0, end);
                return VTrue;
            }
        }
        if (overflowed("a whole frame"))
            return VFalse;
        const int left = timeout - static_cast<int>(timer.elapsed());
        if (left <= 0)
            break;
        receive(left);
    }
    reply = m_pending;
    m_pending.clear();
    return toVBool(!reply.isEmpty());
}

VBool ScalerLink::SendBlock(const std::array<quint8, 32> &data, QByteArray &reply, qint32 count,
                            qint32 timeout, VBool hex)
{
    Q_UNUSED(hex) // a block is bytes already
    // This runs at every block: the reply and the input keep their storage.
    reply.resize(0);
    if (!isOpen())
        return VFalse;
    // Over TCP the answer to the block before was read together with
    // whatever came with it, so dropping what the link holds is the whole
    // discard, at no cost to the block. On a serial line a doubled answer
    // comes a character's time after the first, so the line is read again.
    if (m_socket)
        m_pending.resize(0);
    else
        discardInput();
    writeAll(QByteArray::fromRawData(reinterpret_cast<const char *>(data.data()), data.size()));

    QElapsedTimer timer;
    timer.start();
    const qsizetype wanted = std::max<qint32>(count, 0);
    while (m_pending.size() < wanted) {
        const int left = timeout - static_cast<int>(timer.elapsed());
        if (left <= 0)
            break;
        receive(left, Answer::Due);
    }
    reply.append(m_pending.constData(), std::min(wanted, m_pending.size()));
    // An answer taken whole leaves the input's storage as it was for the
    // next block's; taking bytes off the front would move its start on.
    if (reply.size() == m_pending.size())
        m_pending.resize(0);
    else
        m_pending.remove(0, reply.size());
    return toVBool(reply.size() == wanted);
}

VBool ScalerLink::SendText(const QByteArray &text, VBool hex)
{
    if (!isOpen())
        return VFalse;
    const QByteArray bytes = hex ? decodeHex(text) : text;
    discardInput();
    writeAll(bytes);
    return VTrue;
}

void ScalerLink::discardInput()
{
    // What has arrived so far, bounded so that a unit that never stops
    // talking cannot hold the program here. The socket says what it holds
    // without a wait; this runs before every block.
    constexpr qsizetype Limit = 1 << 20;
    m_pending.resize(0);
    qsizetype discarded = 0;
    if (m_socket) {
        // A closed connection or a failure is left for the wait that follows.
        char buffer[4096];
        QString reason;
        while (discarded < Limit) {
            const qint64 got = SocketIo::receiveNow(m_descriptor, buffer, sizeof buffer, &reason);
            if (got <= 0)
                break;
            discarded += got;
        }
        return;
    }
    while (discarded < Limit && receive(0)) {
        discarded += m_pending.size();
        m_pending.clear();
    }
}

void ScalerLink::ReadInput()
{
    if (!isOpen())
        return;
    discardInput();
}

void ScalerLink::SetMode(qint32 value)
{
    if (value != 2 || !isOpen())
        return;
    if (m_serial)
        m_serial->clear(QSerialPort::AllDirections);
    discardInput();
}
