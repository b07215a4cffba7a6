#include "TestEnvironment.h"
#include "VqSimOptionsJson.h"
#include "VqSimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

// A bare blocking client, independent of the program's link, so that what
// the simulated unit sends is seen exactly as it went out.
struct Client
{
    QTcpSocket socket;
    bool connectTcp(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(2000);
    }
    bool write(const QByteArray &bytes)
    {
        return socket.write(bytes) == bytes.size() && socket.waitForBytesWritten(2000);
    }
    // Up to count bytes; fewer when the time is up or the peer has gone.
    QByteArray read(int count, int timeoutMs = 2000)
    {
        QElapsedTimer timer;
        timer.start();
        QByteArray bytes;
        while (bytes.size() < count &&
               (socket.bytesAvailable() > 0 ||
                socket.waitForReadyRead(std::max<int>(0, timeoutMs - int(timer.elapsed())))))
            bytes += socket.read(count - bytes.size());
        return bytes;
    }
    bool closedByPeer() const { return socket.state() != QAbstractSocket::ConnectedState; }
};

const QByteArray Announcement = QByteArrayLiteral("id=vq200_s70_1\r");

} // namespace

class TestVqSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frames_data();
    void frames();
    void upload_data();
    void upload();
    void optionsFromWindowsTests_data();
    void optionsFromWindowsTests();
};

void TestVqSim::frames_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("named");
    QTest::addColumn<QByteArray>("wire");
    // The check byte wraps in the reset frame and the level answer.
    const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
    row("reset", hex("040155aa55"), VqSimulator::resetFrame(), hex("5306040155aa55b2"));
    row("acknowledgement", hex("40"), VqSimulator::acknowledgeFrame(), hex("53024095"));
    row("refusal", hex("00"), VqSimulator::refusalFrame(), hex("53020055"));
    row("level query", hex("811b"), VqSimulator::levelQuery(), hex("5303811bf2"));
    row("level answer", hex("811b78"), hex("5304811b786b"), hex("5304811b786b"));
}

void TestVqSim::frames()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, named);
    QFETCH(QByteArray, wire);
    QCOMPARE(VqSimulator::frame(payload).toHex(' '), wire.toHex(' '));
    QCOMPARE(named.toHex(' '), wire.toHex(' '));
}

void TestVqSim::upload_data()
{
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<int>("nakAt");
    QTest::addColumn<int>("earlyEAt");
    QTest::addColumn<int>("dropAt");
    QTest::addColumn<QByteArray>("answers"); // one per block sent; '-' is the connection dropped
    QTest::addColumn<QList<int>>("sent");    // the image blocks, in the order sent

    using Blocks = QList<int>;
    row("whole image", 96, -1, -1, -1, QByteArray("AAE"), Blocks{0, 1, 2});
    row("last block short", 80, -1, -1, -1, QByteArray("AAE"), Blocks{0, 1, 2});
    row("refused block sent again", 96, 1, -1, -1, QByteArray("ANAE"), Blocks{0, 1, 1, 2});
    row("early end", 128, -1, 1, -1, QByteArray("AE"), Blocks{0, 1});
    row("dropped", 128, -1, -1, 2, QByteArray("AA-"), Blocks{0, 1, 2});
}

void TestVqSim::upload()
{
    QFETCH(int, imageSize);
    QFETCH(int, nakAt);
    QFETCH(int, earlyEAt);
    QFETCH(int, dropAt);
    QFETCH(QByteArray, answers);
    QFETCH(QList<int>, sent);

    // The image holds the reset frame: in the block phase it is data, nothing more.
    QByteArray image;
    for (int i = 0; i < imageSize; ++i)
        image.append(char(i * 37 + 11));
    image.replace(40, 8, VqSimulator::resetFrame());
    const int blocks = (imageSize + 31) / 32;
    image = image.leftJustified(blocks * 32, char(0xff));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    VqSimOptions options;
    options.bootMs = 10;
    options.size = imageSize;
    options.captureFile = dir.filePath(QStringLiteral("capture.bin"));
    options.nakAt = nakAt;
    options.earlyEAt = earlyEAt;
    options.dropAt = dropAt;
    VqSimulator sim(options);
    QVERIFY(sim.startTcp(0));
    Client client;
    QVERIFY(client.connectTcp(sim.port()));

    // A reset frame is found after other bytes, even one that came in pieces.
    const QByteArray reset = VqSimulator::resetFrame();
    QVERIFY(client.write("xy\x53\x06" + reset.left(3)));
    QThread::msleep(3); // lets the simulator read the piece on its own
    QVERIFY(client.write(reset.mid(3)));
    QCOMPARE(client.read(4 + int(Announcement.size())),
             VqSimulator::acknowledgeFrame() + Announcement);
    QVERIFY(client.write("U"));
    QCOMPARE(client.read(1), QByteArray("S"));
    QVERIFY(client.write("Y"));
    QCOMPARE(client.read(1), QByteArray("A"));

    QByteArray got;
    QByteArray expectedUpload;
    for (int block : sent) {
        const QByteArray bytes = image.mid(block * 32, 32);
        expectedUpload += bytes;
        QVERIFY(client.write(bytes));
        const QByteArray answer = client.read(1);
        if (answer.isEmpty()) {
            QVERIFY(client.closedByPeer());
            got += '-';
            break;
        }
        got += answer;
    }
    QCOMPARE(got, answers);
    QCOMPARE(sim.blocksReceived(), int(sent.size()));
    QCOMPARE(sim.lastUpload().toHex(), expectedUpload.toHex());
    QFile capture(options.captureFile);
    QVERIFY(capture.open(QIODevice::ReadOnly));
    QCOMPARE(capture.readAll().toHex(), expectedUpload.toHex());

    if (answers.endsWith('-')) {
        // The unit does not see its line go: on the next connection it is
        // still in the middle of the upload, and a reset frame is only data.
        Client next;
        QVERIFY(next.connectTcp(sim.port()));
        QVERIFY(next.write(VqSimulator::resetFrame()));
        QCOMPARE(next.read(1, 300), QByteArray());
        // Power-cycled, its loader announces itself and takes a new upload
        // whole: the fault passed with the first one.
        sim.powerCycle();
        QCOMPARE(next.read(int(Announcement.size())), Announcement);
        QVERIFY(next.write("U"));
        QCOMPARE(next.read(1), QByteArray("S"));
        QVERIFY(next.write("Y"));
        QCOMPARE(next.read(1), QByteArray("A"));
        for (int block = 0; block < blocks; ++block) {
            QVERIFY(next.write(image.mid(block * 32, 32)));
            QCOMPARE(next.read(1), QByteArray(block + 1 < blocks ? "A" : "E"));
        }
        QCOMPARE(sim.lastUpload().toHex(), image.toHex());
    } else {
        // Back in the running state: queries are answered again.
        QVERIFY(client.write(VqSimulator::levelQuery()));
        QCOMPARE(client.read(6), QByteArray::fromHex("5304811b786b"));
    }
}

void TestVqSim::optionsFromWindowsTests_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error"); // empty when taken
    row("bytes in hexadecimal", QByteArray(R"({"ident":"6162","level":7})"), QString());
    row("a key that is no option", QByteArray(R"({"idnet":"6162"})"),
        QStringLiteral("\"idnet\" is not an option of the unit"));
    for (const char *json : {R"({"level":"7"})", R"({"level":1.5})", R"({"ident":"vq200"})",
                             R"({"script":[[0]]})", R"({"idText":null})"})
        row(json, QByteArray(json),
            QStringLiteral("\"%1\" has a value of the wrong kind")
                .arg(QJsonDocument::fromJson(json).object().keys().constFirst()));
}

void TestVqSim::optionsFromWindowsTests()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    VqSimOptions o;
    QString why;
    QCOMPARE(fromJson(QJsonDocument::fromJson(json).object(), &o, &why), error.isEmpty());
    QCOMPARE(why, error);
    if (error.isEmpty())
        QVERIFY(o.ident == "ab" && o.level == 7);
}

QTEST_GUILESS_MAIN(TestVqSim)
#include "tst_vqsim.moc"
