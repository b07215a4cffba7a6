#include "ErrorControl.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "SerialLine.h"
#include "TestEnvironment.h"
#include "VqSimulator.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {
// A peer on loopback that answers the first bytes it gets with pieces of
// text, pausing between them, so that a test controls how replies are split.
class PacedPeer
{
public:
    struct Piece
    {
        QByteArray bytes;
        int pauseBeforeMs;
    };

    explicit PacedPeer(QList<Piece> pieces) : m_pieces(std::move(pieces))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(m_listener, 1);
        socklen_t len = sizeof addr;
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~PacedPeer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        const int client = m_client.load();
        if (client >= 0)
            ::shutdown(client, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    void serve()
    {
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0)
            return;
        m_client = fd;
        char buf[64];
        if (::recv(fd, buf, sizeof buf, 0) > 0) {
            for (const Piece &p : m_pieces) {
                QThread::msleep(p.pauseBeforeMs);
                ::send(fd, p.bytes.constData(), p.bytes.size(), MSG_NOSIGNAL);
            }
        }
        ::recv(fd, buf, sizeof buf, 0); // until the link closes
        ::close(fd);
    }

    QList<Piece> m_pieces;
    int m_listener = -1;
    std::atomic<int> m_client{-1};
    quint16 m_port = 0;
    std::thread m_thread;
};

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        env = std::make_unique<TestEnvironment>();
        settings = ScalerSettings();
        link = std::make_unique<ScalerLink>(settings);
    }
    void cleanup()
    {
        link.reset();
        sim.reset();
        env.reset();
    }

    void serialParameters_data();
    void serialParameters();
    void portNames_data();
    void portNames();
    void openFailuresAreLogged_data();
    void openFailuresAreLogged();
    void closedLinkReturnsAtOnce();
    void pseudoTerminal();
    void awaitedTextSplitAnywhere_data();
    void awaitedTextSplitAnywhere();
    void quietGap_data();
    void quietGap();

private:
    void open(qint32 type, const QString &port, const QString &parameters = {})
    {
        settings.CommsType = type;
        settings.SerialPort = port;
        settings.SerialParameters = parameters;
        settings.EthernetAddress = QStringLiteral("127.0.0.1");
        settings.EthernetPort = port;
        qint16 channel = 0;
        link->OpenChannel(channel);
    }

    std::unique_ptr<TestEnvironment> env;
    ScalerSettings settings;
    std::unique_ptr<ScalerLink> link;
    std::unique_ptr<VqSimulator> sim;
};

void TestLink::serialParameters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line"); // speed and parity; empty when refused
    QTest::newRow("default") << "57600,n,8,1"
                             << "57600 N";
    QTest::newRow("upper case even, 7 data, 2 stop") << "9600,E,7,2"
                                                     << "9600 E";
    QTest::newRow("blanks around fields") << " 4800 , o , 8 , 1 "
                                          << "4800 O";
    for (const char *bad : {"fast,n,8,1", "0,n,8,1", "57600,x,8,1", "57600,ne,8,1", "57600,n,6,1",
                            "57600,n,8,1.5", "57600,n,8", "57600,n,8,1,x", ""})
        QTest::newRow(bad) << bad << "";
}

void TestLink::serialParameters()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    QString why;
    const std::optional<SerialLine> parsed = parseSerialParameters(text, &why);
    QCOMPARE(parsed ? QStringLiteral("%1 %2").arg(parsed->speed).arg(QLatin1Char(parsed->parity))
                    : QString(),
             line);
    QCOMPARE(why.isEmpty(), bool(parsed));
}

void TestLink::portNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1 is the first serial device") << "COM1:"
                                                     << "/dev/ttyS0";
    QTest::newRow("COM10 without colon") << "COM10"
                                         << "/dev/ttyS9";
    QTest::newRow("lower case") << "com2:"
                                << "/dev/ttyS1";
    QTest::newRow("mapped in the store") << "COM4:"
                                         << "/dev/ttyUSB0";
    QTest::newRow("a device path") << "/dev/ttyACM0"
                                   << "/dev/ttyACM0";
    QTest::newRow("COM0 is no port") << "COM0:"
                                     << "";
    QTest::newRow("no number") << "COM:"
                               << "";
    QTest::newRow("garbage") << "printer"
                             << "";
}

void TestLink::portNames()
{
    QFETCH(QString, name);
    QFETCH(QString, device);
    env->mapPort(QStringLiteral("COM4"), QStringLiteral("/dev/ttyUSB0"));
    QString why;
    QCOMPARE(serialDeviceFor(name, &why), device);
    QCOMPARE(why.isEmpty(), !device.isEmpty());
}

void TestLink::openFailuresAreLogged_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("inLog");
    QTest::newRow("speed not a number") << 1 << "COM1:"
                                        << "fast,n,8,1"
                                        << "fast";
    QTest::newRow("unknown parity") << 1 << "COM1:"
                                    << "57600,q,8,1"
                                    << "parity";
    QTest::newRow("port without a number") << 1 << "COMX:"
                                           << "57600,n,8,1"
                                           << "COMX:";
    QTest::newRow("missing device") << 1 << "/dev/fw-none"
                                    << "57600,n,8,1"
                                    << "/dev/fw-none";
    QTest::newRow("ethernet port not a number") << 0 << "x"
                                                << ""
                                                << "not a TCP port";
}

void TestLink::openFailuresAreLogged()
{
    QFETCH(qint32, type);
    QFETCH(QString, port);
    QFETCH(QString, parameters);
    QFETCH(QString, inLog);
    open(type, port, parameters);
    QVERIFY(!link->isOpen());
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Link: ")) && lines[0].contains(inLog),
             qPrintable(lines[0]));
}

void TestLink::closedLinkReturnsAtOnce()
{
    QElapsedTimer timer;
    timer.start();
    QByteArray replies[3] = {"stale", "stale", "stale"};
    QCOMPARE(link->Transact("x", "\r", replies[0], 5000, VFalse), VFalse);
    QCOMPARE(link->Query(VqSimulator::nameQuery(), replies[1], 5000, VFalse), VFalse);
    QCOMPARE(link->SendBlock({}, replies[2], 1, 9999, VFalse), VFalse);
    QCOMPARE(link->SendText("U", VFalse), VFalse);
    link->ReadInput();
    link->SetMode(2);
    link->CloseChannel();
    QVERIFY(replies[0].isEmpty() && replies[1].isEmpty() && replies[2].isEmpty());
    QVERIFY(timer.elapsed() < 100);
}

void TestLink::pseudoTerminal()
{
    // An upload over a serial line, whose bytes include a zero and an "A",
    // until the line goes away under it.
    QByteArray image = VqSimulator::randomImage(20 * 32, 7);
    image[5] = '\0';
    image[6] = 'A';
    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size() * 2;
    o.dropAt = 20;
    sim = std::make_unique<VqSimulator>(o);
    QVERIFY(sim->startPty());
    env->mapPort(QStringLiteral("COM7"), sim->devicePath());
    open(1, QStringLiteral("COM7:"), QStringLiteral("115200,n,8,1"));
    QByteArray reply;
    link->SetMode(2);
    QCOMPARE(link->Transact({}, {}, reply, 1000, VFalse), VTrue);
    QCOMPARE(reply, QByteArray("id=vq200_s70_1\r"));
    link->ReadInput();
    QCOMPARE(link->SendText("U", VFalse), VTrue);
    QCOMPARE(link->Transact({}, "S", reply, 2000, VFalse), VTrue);
    QCOMPARE(link->Transact("Y", "A", reply, 9999, VFalse), VTrue);
    std::array<quint8, 32> block;
    for (int k = 0; k < 20; ++k) {
        std::memcpy(block.data(), image.constData() + k * 32, 32);
        QCOMPARE(link->SendBlock(block, reply, 1, 9999, VFalse), VTrue);
        QCOMPARE(reply, QByteArray("A"));
    }
    QCOMPARE(sim->lastUpload(), image);

    QElapsedTimer timer;
    timer.start();
    try {
        link->SendBlock(block, reply, 1, 9999, VFalse);
        QFAIL("a line that went away raised nothing");
    } catch (const RunError &e) {
        QCOMPARE(e.number(), qint32(ScalerLink::LinkLost));
    }
    QVERIFY2(timer.elapsed() < 2000, "a dropped line waited for its timeout");
    QVERIFY(reply.isEmpty() && !link->isOpen());
}

void TestLink::awaitedTextSplitAnywhere_data()
{
    QTest::addColumn<int>("split");
    const QByteArray answer = VqSimulator::acknowledgeFrame();
    for (int at = 0; at <= answer.size(); ++at)
        QTest::addRow("split after %d bytes", at) << at;
}

void TestLink::awaitedTextSplitAnywhere()
{
    QFETCH(int, split);
    const QByteArray ack = VqSimulator::acknowledgeFrame();
    // Noise first; the awaited frame arrives in two pieces.
    const QByteArray answer = QByteArray("xy") + ack;
    PacedPeer peer({{answer.left(2 + split), 0}, {answer.mid(2 + split), 30}});
    open(0, QString::number(peer.port()));
    QByteArray reply;
    QCOMPARE(link->Transact(VqSimulator::resetFrame(), ack, reply, 1000, VFalse), VTrue);
    QCOMPARE(reply, answer);
}

void TestLink::quietGap_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // the first at once, the others pauseMs apart
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QByteArray>("expected");
    // The gap is 20 ms on a socket; only a whole identification line lets it end the listen.
    QTest::newRow("stray byte, then the line: both kept")
        << QByteArrayList{"\xff", "id=ab\r"} << 280 << QByteArray("\xffid=ab\r");
    QTest::newRow("loader banner, then the line: both kept")
        << QByteArrayList{"VQ boot 2.1\r\n", "id=ab\r"} << 280
        << QByteArray("VQ boot 2.1\r\nid=ab\r");
    QTest::newRow("a pause inside the line keeps gathering")
        << QByteArrayList{"id=a", "b\r"} << 90 << QByteArray("id=ab\r");
    QTest::newRow("a pause after the line ends the reply")
        << QByteArrayList{"id=ab\r", "late"} << 90 << QByteArray("id=ab\r");
    QTest::newRow("no line: everything until the timeout")
        << QByteArrayList{"xx", "yy", "zz"} << 250 << QByteArray("xxyyzz");
}

void TestLink::quietGap()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(int, pauseMs);
    QFETCH(QByteArray, expected);
    QList<PacedPeer::Piece> script;
    for (const QByteArray &piece : pieces)
        script.append({piece, script.isEmpty() ? 0 : pauseMs});
    PacedPeer peer(script);
    open(0, QString::number(peer.port()));
    QByteArray reply;
    QCOMPARE(link->Transact("?", QByteArray(), reply, 1000, VFalse), VTrue);
    QCOMPARE(reply, expected);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
