#include "ErrorControl.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "SerialLine.h"
#include "TestEnvironment.h"
#include "VqSimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
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

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}
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

    void resetAndIdentify_data() { transports(); }
    void resetAndIdentify();
    void hexQueryAndAwaitedText_data() { transports(); }
    void hexQueryAndAwaitedText();
    void silentUnitCostsTheTimeout_data() { transports(); }
    void silentUnitCostsTheTimeout();
    void framesKeepZeroBytes_data() { transports(); }
    void framesKeepZeroBytes();
    void uploadArrivesWhole_data() { transports(); }
    void uploadArrivesWhole();
    void droppedLinkRaises_data() { transports(); }
    void droppedLinkRaises();
    void awaitedTextSplitAnywhere_data();
    void awaitedTextSplitAnywhere();
    void quietGap_data();
    void quietGap();

private:
    void transports()
    {
        QTest::addColumn<bool>("pty");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }
    // Starts the simulated unit and opens the link to it.
    void connectTo(const VqSimOptions &options, bool pty)
    {
        sim = std::make_unique<VqSimulator>(options);
        QString why;
        if (pty) {
            QVERIFY2(sim->startPty(&why), qPrintable(why));
            env->mapPort(QStringLiteral("COM7"), sim->devicePath());
            settings.CommsType = 1;
            settings.SerialPort = QStringLiteral("COM7:");
            settings.SerialParameters = QStringLiteral("115200,n,8,1");
        } else {
            QVERIFY2(sim->startTcp(0, &why), qPrintable(why));
            connectTcp(sim->port());
            return;
        }
        qint16 channel = 0;
        QVERIFY(link->OpenChannel(channel) != VFalse);
    }
    void connectTcp(quint16 port)
    {
        settings.CommsType = 0;
        settings.EthernetAddress = QStringLiteral("127.0.0.1");
        settings.EthernetPort = QString::number(port);
        qint16 channel = 0;
        QVERIFY(link->OpenChannel(channel) != VFalse);
    }

    std::unique_ptr<TestEnvironment> env;
    ScalerSettings settings;
    std::unique_ptr<ScalerLink> link;
    std::unique_ptr<VqSimulator> sim;
};

void TestLink::serialParameters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("parity");
    QTest::newRow("default") << "57600,n,8,1" << true << 57600 << "N";
    QTest::newRow("upper case even, 7 data, 2 stop") << "9600,E,7,2" << true << 9600 << "E";
    QTest::newRow("blanks around fields") << " 4800 , o , 8 , 1 " << true << 4800 << "O";
    QTest::newRow("speed not a number") << "fast,n,8,1" << false << 0 << "";
    QTest::newRow("speed zero") << "0,n,8,1" << false << 0 << "";
    QTest::newRow("unknown parity") << "57600,x,8,1" << false << 0 << "";
    QTest::newRow("two parity letters") << "57600,ne,8,1" << false << 0 << "";
    QTest::newRow("six data bits") << "57600,n,6,1" << false << 0 << "";
    QTest::newRow("1.5 stop bits") << "57600,n,8,1.5" << false << 0 << "";
    QTest::newRow("missing field") << "57600,n,8" << false << 0 << "";
    QTest::newRow("empty") << "" << false << 0 << "";
}

void TestLink::serialParameters()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, speed);
    QFETCH(QString, parity);
    QString why;
    const std::optional<SerialLine> line = parseSerialParameters(text, &why);
    QCOMPARE(line.has_value(), valid);
    if (valid) {
        QCOMPARE(line->speed, speed);
        QCOMPARE(QString(QLatin1Char(line->parity)), parity);
    } else {
        QVERIFY(!why.isEmpty());
    }
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
    QTest::newRow("port name without a number") << 1 << "COMX:"
                                                << "57600,n,8,1"
                                                << "COMX:";
    QTest::newRow("missing device") << 1 << "/dev/flashwright-none"
                                    << "57600,n,8,1"
                                    << "/dev/flashwright-none";
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
    settings.CommsType = type;
    settings.SerialPort = port;
    settings.SerialParameters = parameters;
    settings.EthernetAddress = QStringLiteral("127.0.0.1");
    settings.EthernetPort = port;
    qint16 channel = 0;
    QCOMPARE(link->OpenChannel(channel), VFalse);
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
    QByteArray reply = "stale";
    QCOMPARE(link->Transact("x", "\r", reply, 5000, VFalse), VFalse);
    QVERIFY(reply.isEmpty());
    reply = "stale";
    QCOMPARE(link->Query(VqSimulator::nameQuery(), reply, 5000, VFalse), VFalse);
    QVERIFY(reply.isEmpty());
    reply = "stale";
    QCOMPARE(link->SendBlock({}, reply, 1, 9999, VFalse), VFalse);
    QVERIFY(reply.isEmpty());
    QCOMPARE(link->SendText("U", VFalse), VFalse);
    link->ReadInput();
    link->SetMode(2);
    link->CloseChannel();
    QVERIFY(timer.elapsed() < 100);
}

void TestLink::resetAndIdentify()
{
    QFETCH(bool, pty);
    connectTo(VqSimOptions(), pty);
    QByteArray reply;
    QCOMPARE(link->Transact(VqSimulator::resetFrame(), VqSimulator::acknowledgeFrame(), reply, 400,
                            VFalse),
             VTrue);
    QCOMPARE(reply, VqSimulator::acknowledgeFrame());

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link->Transact(QByteArray(), QByteArray(), reply, 5000, VFalse), VTrue);
    QCOMPARE(reply, QByteArray("id=vq200_s70_1\r"));
    // The announcement comes after the unit's 300 ms boot; the quiet gap
    // follows it, not the whole listen.
    QVERIFY2(timer.elapsed() < 300 + 50 + 150, qPrintable(QString::number(timer.elapsed())));
}

void TestLink::hexQueryAndAwaitedText()
{
    QFETCH(bool, pty);
    VqSimOptions o;
    o.version = "00ABCD";
    connectTo(o, pty);
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link->Transact("46383430303431303044323F3F0D", "\r", reply, 1000, VTrue), VTrue);
    QCOMPARE(reply, QByteArray("F84004100D200ABCD??\r"));
    QVERIFY(timer.elapsed() < 100); // returns on the awaited text, not at the timeout

    QVERIFY_THROWS_EXCEPTION(RunError, link->Transact("4G", "\r", reply, 1000, VTrue));
}

void TestLink::silentUnitCostsTheTimeout()
{
    QFETCH(bool, pty);
    VqSimOptions o;
    o.silent = true;
    connectTo(o, pty);
    QByteArray reply = "stale";
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link->Transact(VqSimulator::resetFrame(), VqSimulator::acknowledgeFrame(), reply, 400,
                            VFalse),
             VFalse);
    const qint64 awaited = timer.restart();
    QCOMPARE(link->Query(VqSimulator::nameQuery(), reply, 100, VFalse), VFalse);
    const qint64 queried = timer.restart();
    QCOMPARE(link->Transact(QByteArray(), QByteArray(), reply, 300, VFalse), VFalse);
    const qint64 listened = timer.elapsed();
    QVERIFY(reply.isEmpty());
    QVERIFY2(awaited >= 400 && awaited < 500, qPrintable(QString::number(awaited)));
    QVERIFY2(queried >= 100 && queried < 200, qPrintable(QString::number(queried)));
    QVERIFY2(listened >= 300 && listened < 400, qPrintable(QString::number(listened)));
}

void TestLink::framesKeepZeroBytes()
{
    QFETCH(bool, pty);
    VqSimOptions o;
    o.fwName = "FW1";
    o.level = 0;
    connectTo(o, pty);
    QByteArray reply;
    QCOMPARE(link->Query(VqSimulator::nameQuery(), reply, 100, VFalse), VTrue);
    QCOMPARE(reply.left(2), bytes({0x53, int(reply.size()) - 2}));
    QCOMPARE(reply.mid(7, 3), QByteArray("FW1"));
    QCOMPARE(reply.indexOf('\0'), reply.size() - 2); // the name's end, kept
    QCOMPARE(link->Query(VqSimulator::levelQuery(), reply, 100, VFalse), VTrue);
    QCOMPARE(reply.size(), 6);
    QCOMPARE(reply.at(4), '\0'); // a level of 0 is a byte like any other
}

void TestLink::uploadArrivesWhole()
{
    QFETCH(bool, pty);
    QByteArray image(20 * 32, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (char &c : image)
        c = static_cast<char>(gen.bounded(256));
    image[5] = '\0';
    image[6] = 'A';
    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size();
    connectTo(o, pty);

    QByteArray reply;
    link->SetMode(2);
    link->Transact(QByteArray(), QByteArray(), reply, 1000, VFalse);
    QCOMPARE(reply, QByteArray("id=vq200_s70_1\r"));
    link->ReadInput();
    QCOMPARE(link->SendText("U", VFalse), VTrue);
    QCOMPARE(link->Transact(QByteArray(), "S", reply, 2000, VFalse), VTrue);
    QCOMPARE(link->Transact("Y", "A", reply, 9999, VFalse), VTrue);
    QCOMPARE(reply, QByteArray("A"));
    for (int k = 0; k < 20; ++k) {
        std::array<quint8, 32> block;
        std::memcpy(block.data(), image.constData() + k * 32, 32);
        QCOMPARE(link->SendBlock(block, reply, 1, 9999, VFalse), VTrue);
        QCOMPARE(reply, QByteArray(k == 19 ? "E" : "A"));
    }
    QCOMPARE(sim->lastUpload(), image);
}

void TestLink::droppedLinkRaises()
{
    QFETCH(bool, pty);
    VqSimOptions o;
    o.inLoader = true;
    o.size = 10 * 32;
    o.dropAt = 2;
    connectTo(o, pty);
    QByteArray reply;
    link->Transact(QByteArray(), QByteArray(), reply, 1000, VFalse);
    link->SendText("U", VFalse);
    link->Transact(QByteArray(), "S", reply, 2000, VFalse);
    link->Transact("Y", "A", reply, 9999, VFalse);
    const std::array<quint8, 32> block{};
    QCOMPARE(link->SendBlock(block, reply, 1, 9999, VFalse), VTrue);
    QCOMPARE(link->SendBlock(block, reply, 1, 9999, VFalse), VTrue);

    QElapsedTimer timer;
    timer.start();
    reply = "A";
    try {
        link->SendBlock(block, reply, 1, 9999, VFalse);
        QFAIL("a dropped link raised nothing");
    } catch (const RunError &e) {
        QCOMPARE(e.number(), qint32(ScalerLink::LinkLost));
    }
    QVERIFY(reply.isEmpty());
    QVERIFY2(timer.elapsed() < 2000, "a dropped link waited for its timeout");
    // Closed now: the next block returns at once.
    QCOMPARE(link->SendBlock(block, reply, 1, 9999, VFalse), VFalse);
    QVERIFY(!link->isOpen());
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
    connectTcp(peer.port());
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
    connectTcp(peer.port());
    QByteArray reply;
    QCOMPARE(link->Transact("?", QByteArray(), reply, 1000, VFalse), VTrue);
    QCOMPARE(reply, expected);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
