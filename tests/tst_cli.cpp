// The console programmer as it is built, against simulated units in this
// process: each exit code, its JSON stream, two units at once, SIGINT in the
// block loop and the ports it lists, with what goes to the error log.
#include "TestEnvironment.h"
#include "VqSimulator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <functional>

namespace {
constexpr int kBlocks = 40;

VqSimOptions unit(const std::function<void(VqSimOptions &)> &set = [](VqSimOptions &) {})
{
    VqSimOptions o;
    o.inLoader = true;
    o.size = kBlocks * 32;
    set(o);
    return o;
}
} // namespace

Q_DECLARE_METATYPE(VqSimOptions)

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }
    void run_data();
    void run();

private:
    std::unique_ptr<TestEnvironment> env;
};

void TestCli::run_data()
{
    // %1, %2: the units' TCP ports; for ports, %1 is the first unit's
    // pseudo-terminal, mapped to COM7. The store names the first unit.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QList<VqSimOptions>>("units");
    QTest::addColumn<QByteArray>("interruptAt"); // SIGINT once the output holds it
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output"); // found in the output, in this order
    QTest::addColumn<QStringList>("logged"); // found in the error log, in this order; none: empty
    QTest::addColumn<int>("whole");          // the first units programmed with the whole image

    const QByteArray none;
    QTest::newRow("stored link: stages, progress and result as JSON")
        << "program --json" << QList{unit()} << none << 0
        << QStringList{R"("text":"Checking Unit....")", R"("text":"id=vq200_s70_1\r")",
                       R"("event":"progress")", R"("text":"Programing Complete....")",
                       R"("bytes":1280,"command":"program","ending":"Complete")"}
        << QStringList() << 1;
    QTest::newRow("block 3 refused: 6, as JSON")
        << "program --json --tcp 127.0.0.1:%1" << QList{unit([](auto &o) { o.nakAt = 3; })} << none
        << 6
        << QStringList{R"("text":"Programming ...")", R"("text":"Error 9001\r\nScaler upload)",
                       R"("ending":"BlockRefused")",
                       R"("reason":"the unit did not accept block 3")"}
        << QStringList{"Error: 9001", "program 127.0.0.1:%1: failed (exit 6)"} << 0;
    QTest::newRow("no S: 4") << "program" << QList{unit([](auto &o) { o.noS = true; })} << none << 4
                             << QStringList{"Unit did not reply with S id=vq200_s70_1"}
                             << QStringList{"failed (exit 4): the unit did not answer \"U\""} << 0;
    QTest::newRow("no file for the unit: 5")
        << "program" << QList{unit([](auto &o) { o.ident = "vq999_x_1"; })} << none << 5
        << QStringList{"File does not exist", "failed (exit 5): no firmware file"}
        << QStringList{"failed (exit 5)"} << 0;
    QTest::newRow("last answer not E: 8")
        << "program" << QList{unit([](auto &o) { o.size += 32; })} << none << 8
        << QStringList{"Scaler upload NOT successful"} << QStringList{"failed (exit 8)"} << 0;
    QTest::newRow("port that is not there: 3")
        << "program --port /dev/no-such-port" << QList<VqSimOptions>() << none << 3
        << QStringList{"Can't Open default communications port",
                       "/dev/no-such-port  failed (exit 3): /dev/no-such-port stands for "
                       "/dev/no-such-port, and there is no such device"}
        << QStringList{"Link: serial port /dev/no-such-port", "failed (exit 3)"} << 0;
    QTest::newRow("wrong usage: 2")
        << "program --jobs 0" << QList<VqSimOptions>() << none << 2
        << QStringList{"--jobs wants a whole number"} << QStringList() << 0;
    QTest::newRow("SIGINT in the block loop: 7")
        << "program --json" << QList{unit([](auto &o) { o.baud = 2400; })}
        << QByteArray(R"("event":"progress")") << 7
        << QStringList{R"("text":"Scaler upload Aborted\r\n\r\nPlease power cycle the VQ unit")",
                       R"("ending":"Aborted")"}
        << QStringList{"failed (exit 7)"} << 0;
    QTest::newRow("two units, the second refuses block 3: one summary line each, 6")
        << "program --tcp 127.0.0.1:%1 --tcp 127.0.0.1:%2"
        << QList{unit(), unit([](auto &o) { o.nakAt = 3; })} << none << 6
        << QStringList{"127.0.0.1:%1  ok: 1280 bytes",
                       "127.0.0.1:%2  failed (exit 6): the unit did not accept block 3"}
        << QStringList{"Error: 9001", "program 127.0.0.1:%2: failed (exit 6)"} << 1;
    QTest::newRow("version") << "version" << QList{unit([](auto &o) { o.inLoader = false; })}
                             << none << 0 << QStringList{"ok: software version 291"}
                             << QStringList() << 0;
    QTest::newRow("ports: a pseudo-terminal mapped to COM7")
        << "ports --json" << QList{unit()} << none << 0
        << QStringList{R"("com":["COM7:"],"description":"","device":"%1")"} << QStringList() << 0;
}

void TestCli::run()
{
    QFETCH(QString, arguments);
    QFETCH(QList<VqSimOptions>, units);
    QFETCH(QByteArray, interruptAt);
    QFETCH(int, whole);

    const QString folder = env->path(QStringLiteral("fw"));
    const QByteArray image = VqSimulator::randomImage(kBlocks * 32, 7);
    QFile file(QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq")));
    QVERIFY(QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) && file.write(image) > 0);
    file.close();
    std::vector<std::unique_ptr<VqSimulator>> sims;
    QStringList names;
    const bool pty = arguments.startsWith(QLatin1String("ports"));
    for (const VqSimOptions &o : units) {
        sims.push_back(std::make_unique<VqSimulator>(o));
        QString why;
        QVERIFY2(pty ? sims.back()->startPty(&why) : sims.back()->startTcp(0, &why),
                 qPrintable(why));
        names << (pty ? sims.back()->devicePath() : QString::number(sims.back()->port()));
    }
    if (pty)
        env->mapPort(QStringLiteral("COM7"), names.first());
    else if (!sims.empty())
        env->storeLoopbackUnit(sims.front()->port(), folder);
    const auto named = [&](QString text) {
        for (int i = 0; i < names.size(); ++i)
            text.replace(QStringLiteral("%%1").arg(i + 1), names[i]);
        return text;
    };
    const auto inOrder = [&](const QStringList &wanted, const QString &in) {
        qsizetype at = 0;
        for (const QString &text : wanted)
            if ((at = in.indexOf(named(text), at)) < 0)
                return false;
        return true;
    };

    // Run from the test's program folder, where its error log goes.
    const QString cli = QDir(env->programFolder()).filePath(QStringLiteral("flashwright-cli"));
    QVERIFY(QFile::copy(QStringLiteral(FW_CLI), cli));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(cli, QProcess::splitCommand(named(arguments)));
    QVERIFY(process.waitForStarted());
    QByteArray out;
    while (!interruptAt.isEmpty() && !out.contains(interruptAt) && process.waitForReadyRead(10000))
        out += process.readAll();
    if (const qint64 pid = process.processId(); !interruptAt.isEmpty() && pid > 0)
        ::kill(pid_t(pid), SIGINT);
    QVERIFY(process.waitForFinished(30000));
    out += process.readAll();

    QFETCH(int, exitCode);
    QFETCH(QStringList, output);
    QFETCH(QStringList, logged);
    QVERIFY2(process.exitCode() == exitCode && inOrder(output, QString::fromUtf8(out)),
             out.constData());
    const QString log = env->logLines().join(QLatin1Char('\n'));
    QVERIFY2(logged.isEmpty() ? log.isEmpty() : inOrder(logged, log), qPrintable(log));
    for (int i = 0; i < whole; ++i)
        QCOMPARE(sims[i]->lastUpload(), image);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
