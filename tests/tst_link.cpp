#include "ErrorControl.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "SerialLine.h"
#include "TestEnvironment.h"
#include "VqSimulator.h"
#include "mod_Scaler_INI.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using Script = QList<VqSimOptions::Piece>;
Q_DECLARE_METATYPE(Script)

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        env = std::make_unique<TestEnvironment>();
        settings = ScalerSettings();
        link = std::make_unique<ScalerLink>();
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
    void replies_data();
    void replies();

private:
    // Opens the link; why it did not open, when it did not.
    QString open(qint32 type, const QString &port, const QString &parameters = {})
    {
        settings.CommsType = type;
        settings.SerialPort = port;
        settings.SerialParameters = parameters;
        settings.EthernetAddress = QStringLiteral("127.0.0.1");
        settings.EthernetPort = port;
        qint16 channel = 0;
        QString why;
        link->OpenChannel(settings, channel, &why);
        return why;
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
    row("default", "57600,n,8,1", "57600 N");
    row("upper case even, 7 data, 2 stop", "9600,E,7,2", "9600 E");
    row("blanks around fields", " 4800 , o , 8 , 1 ", "4800 O");
    for (const char *bad : {"fast,n,8,1", "0,n,8,1", "57600,x,8,1", "57600,ne,8,1", "57600,n,6,1",
                            "57600,n,8,1.5", "57600,n,8", "57600,n,8,1,x", ""})
        row(bad, bad, "");
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
    QTest::addColumn<QString>("device"); // empty when refused
    // Windows takes COMn itself, and the store's Ports section is not read there.
#ifdef Q_OS_WIN
    const auto device = [](const char *windows, const char *) { return windows; };
#else
    const auto device = [](const char *, const char *elsewhere) { return elsewhere; };
#endif
    row("COM1 is the first serial device", "COM1:", device("COM1", "/dev/ttyS0"));
    row("COM10 without colon", "COM10", device("COM10", "/dev/ttyS9"));
    row("lower case", "com2:", device("COM2", "/dev/ttyS1"));
    row("mapped in the store", "COM4:", device("COM4", "/dev/ttyUSB0"));
    row("a device path", "/dev/ttyACM0", "/dev/ttyACM0");
    for (const char *bad : {"COM0:", "COM:", "printer"})
        row(bad, bad, "");
}

void TestLink::portNames()
{
    QFETCH(QString, name);
    QFETCH(QString, device);
    env->mapPort(QStringLiteral("COM4"), QStringLiteral("/dev/ttyUSB0"));
    QString why;
    QCOMPARE(serialDeviceFor(name, LoadSettings(QString()).Ports, &why), device);
    QCOMPARE(why.isEmpty(), !device.isEmpty());
}

void TestLink::openFailuresAreLogged_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("inLog");
    row("speed not a number", 1, "COM1:", "fast,n,8,1", "fast");
    row("unknown parity", 1, "COM1:", "57600,q,8,1", "parity");
    row("port without a number", 1, "COMX:", "57600,n,8,1", "COMX:");
    row("missing device", 1, "/dev/fw-none", "57600,n,8,1", "/dev/fw-none");
    row("ethernet port not a number", 0, "x", "", "not a TCP port");
    row("nobody listening", 0, "1", "", "127.0.0.1:1 not reached: Connection refused");
}

void TestLink::openFailuresAreLogged()
{
    QFETCH(qint32, type);
    QFETCH(QString, port);
    QFETCH(QString, parameters);
    QFETCH(QString, inLog);
    const QString why = open(type, port, parameters);
    QVERIFY(!link->isOpen());
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Link: ")) && lines[0].contains(inLog),
             qPrintable(lines[0]));
    QCOMPARE(QStringLiteral("Link: ") + why, lines[0]); // the caller is told what the log says
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
    QVERIFY(timer.elapsed() < 1000); // not the 5 s of a wait
}

void TestLink::replies_data()
{
    QTest::addColumn<QByteArray>("awaited");
    QTest::addColumn<Script>("script");    // what the unit sends, each piece after its pause
    QTest::addColumn<QByteArray>("reply"); // what the exchange gives; empty: it failed
    // An awaited frame, after noise, split anywhere.
    const QByteArray ack = "xy" + VqSimulator::acknowledgeFrame();
    for (int at = 2; at <= ack.size(); ++at)
        QTest::addRow("acknowledgement split after %d bytes", at)
            << ack.mid(2) << Script{{0, ack.left(at)}, {30, ack.mid(at)}} << ack;
    // No answer is kept beyond 4 KiB: what comes is discarded, and it ends there.
    const QByteArray flood(ScalerLink::MaximumReply + 1, 'x');
    row("4 KiB and one without the awaited frame: no answer", ack.mid(2), Script{{0, flood}},
        QByteArray());
    row("4 KiB and one without a line end: no identification", QByteArray(),
        Script{{0, "id=" + flood}}, QByteArray());
    row("4 KiB exactly, then the line end: kept", QByteArray(),
        Script{{0, "id=" + flood.left(ScalerLink::MaximumReply - 4)}, {0, "\r"}},
        "id=" + flood.left(ScalerLink::MaximumReply - 4) + "\r");
    // With nothing awaited the quiet gap (20 ms on a socket) ends the listen,
    // but only after a whole identification line.
    const QByteArray none;
    row("stray byte, then the line: both kept", none, Script{{0, "\xff"}, {280, "id=ab\r"}},
        QByteArray("\xffid=ab\r"));
    row("loader banner, then the line: both kept", none,
        Script{{0, "VQ boot 2.1\r\n"}, {280, "id=ab\r"}}, QByteArray("VQ boot 2.1\r\nid=ab\r"));
    row("a pause inside the line keeps gathering", none, Script{{0, "id=a"}, {90, "b\r"}},
        QByteArray("id=ab\r"));
    row("a pause after the line ends the reply", none, Script{{0, "id=ab\r"}, {90, "late"}},
        QByteArray("id=ab\r"));
    row("no line: everything until the timeout", none, Script{{0, "xx"}, {250, "yy"}, {250, "zz"}},
        QByteArray("xxyyzz"));
}

void TestLink::replies()
{
    QFETCH(QByteArray, awaited);
    QFETCH(Script, script);
    QFETCH(QByteArray, reply);
    VqSimOptions o;
    o.script = script;
    sim = std::make_unique<VqSimulator>(o);
    QVERIFY(sim->startTcp(0));
    open(0, QString::number(sim->port()));
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link->Transact(VqSimulator::resetFrame(), awaited, got, 1000, VFalse),
             toVBool(!reply.isEmpty()));
    QCOMPARE(got, reply);
    if (got.isEmpty()) // a flood ends the wait, rather than being held until the timeout
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
