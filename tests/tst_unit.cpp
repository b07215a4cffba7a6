// The unit side as the technician meets it: each command of the main window
// against a simulated unit that behaves in one way or another, with what is
// painted, each message, what the unit received and when, and the state the
// window is left in.
#include "ErrorControl.h"
#include "HiResPerc.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "TextRules.h"
#include "UnitSession.h"
#include "WindowFixture.h"
#include "frm_Commsettings.h"
#include "frm_programme.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {
using Set = std::function<void(VqSimOptions &)>;
constexpr int kBlocks = 40;
const QString kIdLine = QStringLiteral("id=vq200_s70_1\r");
const QString kComplete = QStringLiteral("Programing Complete....");
const QString kFailure = QStringLiteral("Failure, Please power cycle unit and try again");
const QString kCheck = QStringLiteral("Checking Unit....");
const QString kWaitId = QStringLiteral("Waiting for ID...");
const QString kIdent = QStringLiteral("vq200_s70_1    Unit is a VQ200_S70 KAVRELL");

VqSimOptions unit(const Set &set = {})
{
    VqSimOptions o;
    o.bootMs = 20;
    o.size = kBlocks * 32;
    if (set)
        set(o);
    return o;
}

QString box(const QString &text, int style = 0,
            const QString &title = QStringLiteral("Firmware Update"))
{
    return QStringLiteral("%1|%2|%3").arg(title).arg(style).arg(text);
}

QString problem(const QString &text)
{
    return box(text, 48, QStringLiteral("Application problem"));
}

const QString kTurnOff = box(QStringLiteral("Turn unit off, click OK, then turn unit on."));
const QString kNoId = box(
    QStringLiteral("Incorrect or no ID received.\r\nEnsure you have the correct firmware file"));
const QString kRefused =
    problem(QStringLiteral("Error 9001\r\nScaler upload problem.\r\n\r\nEnsure "
                           "no other applications are running\r\nduring the "
                           "programming cycle"));
const QString kLost =
    problem(QStringLiteral("Error 8019\r\nThe connection to the unit was lost."
                           "\r\nCheck the cable or the network, then try again."));
const QString kNotComplete = box(QStringLiteral("Scaler upload NOT successful"));
const QString kNoFile = box(QStringLiteral("File does not exist"));

// Whether every text of wanted was painted, in this order.
bool inOrder(const QStringList &wanted, const QStringList &painted)
{
    qsizetype at = 0;
    for (const QString &text : wanted)
        if ((at = painted.indexOf(text, at) + 1) == 0)
            return false;
    return true;
}

// How the cycle after this one, on the same unit, must go.
enum class Next
{
    NotTried,
    Whole,    // programs the unit whole with no message
    Recovery, // power-cycles the unit as asked, then programs it whole
};

enum class During
{
    Nothing,
    AbortYes,
    AbortNo,
    AbortKeys, // with the keyboard alone: Alt+U, then Alt+A and Yes

    ApplySettings, // presses OK of a settings dialog opened before the command
};

// A wait the program made, measured from one event to another: a unit's
// event (a prefix of its timeline), "box N" (the Nth message) or "painted
// TEXT" (the status line first showing TEXT).
struct Wait
{
    QString from;
    QString to;
    int ms;
};
using Waits = QList<Wait>;
} // namespace

Q_DECLARE_METATYPE(VqSimOptions)
Q_DECLARE_METATYPE(During)
Q_DECLARE_METATYPE(Next)
Q_DECLARE_METATYPE(Waits)

class TestUnit : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        stopWindow();
        stopFixture();
    }

    void cycle_data();
    void cycle();
    void waits_data();
    void waits();
    void cutAtAnyBlock();
    void tools_data();
    void tools();
    void runningFirmware_data();
    void runningFirmware();
    void portThatDoesNotOpen();
    void sessionEvents_data();
    void sessionEvents();
    void pureCuts_data();
    void pureCuts();

private:
    void programme();
    qint64 timeOf(const QString &event) const;
    static QByteArray padded(const QByteArray &image)
    {
        return image + QByteArray((32 - image.size() % 32) % 32, '\xFF');
    }
};

void TestUnit::programme()
{
    window->cmd_programme_prog->click();
    // The last text may be painted when the window next gets to it.
    QTRY_COMPARE(status->texts().constLast(), window->status());
}

qint64 TestUnit::timeOf(const QString &event) const
{
    if (event.startsWith(QLatin1String("box ")))
        return answerer->times().value(event.mid(4).toInt(), -1);
    if (event.startsWith(QLatin1String("painted ")))
        return status->timeOf(event.mid(8));
    return sim->timeOf(event.toLatin1());
}

void TestUnit::cycle_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<qint64>("fileSize"); // of vq200_s70_1.vq
    QTest::addColumn<During>("during");
    QTest::addColumn<QStringList>("stages"); // painted in this order; the last stays
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("blocks"); // received by the unit; -1: the whole file
    QTest::addColumn<Next>("next");

    const qint64 size = kBlocks * 32;
    const QStringList whole{kComplete}, cleared{QString()}, no;
    const auto N = During::Nothing;
    const auto pre = [](const char *bytes) {
        return unit([=](auto &o) { o.preamble = bytes, o.bootMs = 300; });
    };
    const auto id = [](const QByteArray &ident) { return unit([=](auto &o) { o.ident = ident; }); };
    const auto fault = [](int VqSimOptions::*at, int block) {
        return unit([=](auto &o) { o.*at = block; });
    };
    const QString abort =
        box(QStringLiteral("Aborting the programming cycle\r\nwill leave the "
                           "Scaler in an unuseable state.\r\n\r\n Are you Sure ?"),
            52, QStringLiteral("Warning"));

    row("every stage painted while it waits", unit([](auto &o) { o.replyDelayMs = 20; }), size, N,
        QStringList{kCheck, QStringLiteral("Resetting Unit...."), kWaitId, kIdLine,
                    QStringLiteral("Programming ..."), QStringLiteral("Programming... 0"),
                    kComplete},
        no, -1, Next::Whole);
    row("over a serial line, every byte through", unit([](auto &o) { o.baud = 115200; }), size, N,
        whole, no, -1, Next::Whole);
    row("unit in its loader is not reset", unit([](auto &o) { o.inLoader = true; }), size, N,
        QStringList{kCheck, kIdLine, kComplete}, no, -1, Next::Whole);
    row("padded last block", unit([](auto &o) { o.size += 32; }), size + 5, N, whole, no,
        kBlocks + 1, Next::NotTried);
    row("stray byte before the id", pre("\xff"), size, N, whole, no, -1, Next::NotTried);
    row("banner and pause before the id", pre("VQ boot 2.1\r\n"), size, N, whole, no, -1,
        Next::NotTried);
    row("reset acknowledged, no id", unit([](auto &o) { o.noId = true; }), size, N,
        QStringList{QStringLiteral("Incorrect or no ID received")}, QStringList{kNoId}, 0,
        Next::NotTried);
    row("no file for the unit", id("vq999_x_1"), size, N, cleared, QStringList{kNoFile}, 0,
        Next::NotTried);
    row("id that is a path", unit([](auto &o) { o.idText = QByteArray("id=../outside"); }), size, N,
        cleared, QStringList{kNoFile}, 0, Next::NotTried);
    row("files differing only in case", id("VQ200_S70_1"), size, N, cleared,
        QStringList{box(QStringLiteral(
            "These firmware files differ only in upper and lower case, so none of them was "
            "used:\r\nVQ200_S70_1.vq\r\nvq200_s70_1.vq\r\nKeep only the right one in the "
            "firmware folder."))},
        0, Next::NotTried);
    row("block 3 refused", fault(&VqSimOptions::nakAt, 3), size, N, cleared, QStringList{kRefused},
        4, Next::Recovery);
    row("early E at block 3", fault(&VqSimOptions::earlyEAt, 3), size, N, cleared,
        QStringList{kRefused}, 4, Next::Whole);
    row("cable pulled at block 3", fault(&VqSimOptions::dropAt, 3), size, N, cleared,
        QStringList{kLost, kRefused}, 4, Next::Recovery);
    row("\"a\" answers block 0", fault(&VqSimOptions::wrongAckAt, 0), size, N, cleared,
        QStringList{kRefused}, 1, Next::NotTried);
    row("zero byte answers the last block",
        unit([](auto &o) { o.wrongAckAt = kBlocks - 1, o.wrongAck = QByteArray(1, '\0'); }), size,
        N, cleared, QStringList{kNotComplete}, kBlocks, Next::NotTried);
    row("\"AA\" answers block 7: one block per answer",
        unit([](auto &o) { o.wrongAckAt = 7, o.wrongAck = "AA", o.replyDelayMs = 2; }), size, N,
        whole, no, -1, Next::NotTried);
    row("last answer not E", unit([](auto &o) { o.size += 32; }), size, N, cleared,
        QStringList{kNotComplete}, kBlocks, Next::NotTried);
    row("empty file: refused before U", unit(), qint64(0), N, cleared,
        QStringList{box(QStringLiteral("The firmware file for this unit is empty:\r\n%1\r\nThe "
                                       "unit was not programmed.")
                            .arg(QStringLiteral("FW")))},
        0, Next::Whole);
    // Blocks that take the unit 5 ms each, so that the window passes over its
    // input between any two of them.
    const VqSimOptions paced = unit([](auto &o) { o.replyDelayMs = 5; });
    row("abort confirmed", paced, size, During::AbortYes, cleared,
        QStringList{abort, box(QStringLiteral("Scaler upload Aborted\r\n\r\nPlease power cycle "
                                              "the VQ unit"),
                               48)},
        1, Next::Recovery); // blocks after those sent when it came
    // About shares Alt+A and is disabled during the blocks.
    row("keyboard alone: Alt+A aborts during the blocks", paced, size, During::AbortKeys, cleared,
        QStringList{abort, box(QStringLiteral("Scaler upload Aborted\r\n\r\nPlease power cycle "
                                              "the VQ unit"),
                               48)},
        1, Next::Recovery);
    row("abort declined", paced, size, During::AbortNo, whole, QStringList{abort}, -1,
        Next::NotTried);
    row("settings applied during the blocks change nothing", paced, size, During::ApplySettings,
        whole, no, -1, Next::NotTried);
}

void TestUnit::cycle()
{
    QFETCH(VqSimOptions, options);
    QFETCH(qint64, fileSize);
    QFETCH(During, during);
    QFETCH(QStringList, stages);
    QFETCH(QStringList, boxes);
    QFETCH(int, blocks);
    QFETCH(Next, next);
    SKIP_SERIAL_UNIT(options);
#ifdef Q_OS_WIN
    if (options.ident == "VQ200_S70_1")
        QSKIP("a Windows folder cannot hold two names that differ only in case");
#endif

    const QByteArray image = VqSimulator::randomImage(fileSize, 11);
    startWindow(options);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), image);
    if (options.ident == "VQ200_S70_1")
        writeFirmware(QStringLiteral("VQ200_S70_1.vq"), image);
    // A file the path identification would reach, were it ever followed.
    QFile(env->path(QStringLiteral("outside.vq"))).open(QIODevice::WriteOnly);

    QPointer<frm_Commsettings> settings;
    const auto store = [this] {
        QFile f(env->storeFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray storeBefore = store();
    int abortedAt = 0;
    if (during == During::AbortYes || during == During::AbortNo) {
        answerer->plan({during == During::AbortYes ? MsgAnswer::Yes : MsgAnswer::No});
        atBlock(5, [&] {
            abortedAt = blocksSent();
            window->cmd_abort->click();
        });
    } else if (during == During::AbortKeys) {
        answerer->plan({MsgAnswer::Yes});
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        atBlock(5, [&] {
            QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
            // The button clicks a moment after its key.
            QTRY_COMPARE(answerer->messages().size(), 1);
            abortedAt = blocksSent();
        });
    } else if (during == During::ApplySettings) {
        window->mnu_tools_serialport->trigger();
        settings = window->findChild<frm_Commsettings *>();
        QVERIFY(settings && settings->okbutton->isEnabled());
        atBlock(5, [&] {
            QVERIFY(!settings->okbutton->isEnabled() && !settings->okbutton->toolTip().isEmpty());
            settings->okbutton->click();
            QTest::keyClick(settings, Qt::Key_Return);
        });
    }

    if (during == During::AbortKeys) {
        // A mnemonic clicks its button a moment after the key.
        QTest::keyClick(window.get(), Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(!status->texts().isEmpty() && status->texts().constLast() == window->status());
    } else {
        programme();
    }

    QVERIFY2(inOrder(stages, status->texts()), qPrintable(status->texts().join(u'/')));
    QCOMPARE(window->status(), stages.constLast());
    QCOMPARE(messages(),
             QStringList(boxes).replaceInStrings(
                 QStringLiteral("FW"),
                 QDir::toNativeSeparators(
                     QDir(firmwareFolder()).filePath(QStringLiteral("vq200_s70_1.vq")))));
    QCOMPARE(sim->blocksReceived(),
             blocks < 0 ? int(padded(image).size() / 32) : abortedAt + blocks);
    if (fileSize == 0) // an upload that could not succeed is never begun
        QCOMPARE(sim->timeOf("U"), -1);
    if (stages.constLast() == kComplete) {
        QCOMPARE(sim->lastUpload(), padded(image));
        QVERIFY(inOrder({QStringLiteral("0"), QStringLiteral("100")}, bar->texts()));
    }
    if (during == During::AbortYes || during == During::AbortKeys) // as when the abort came
        QCOMPARE(bar->texts().constLast(), QString::number((abortedAt * 32 + 1) * 100 / fileSize));
    QCOMPARE(sim->resetsAcknowledged(), options.inLoader ? 0 : 1);
    // One record of the cycle in the unit log, as its reader finds it.
    QFile log(env->paths().unitLog);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = log.readAll().split('\n');
    const QJsonObject record = QJsonDocument::fromJson(records.value(0)).object();
    QCOMPARE(records.size(), 2);
    QCOMPARE(record.value("tool").toString() + u' ' + record.value("result").toString(),
             stages.constLast() == kComplete ? "flashwright programmed" : "flashwright failed");
    QCOMPARE(record.value("blocks_sent").toInt(), sim->blocksReceived());
    if (stages.constLast() == kComplete) { // the file's bytes the unit took, not the padding
        QCOMPARE(record.value("firmware_size").toInteger(), image.size());
        QCOMPARE(record.value("firmware_sha256").toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()));
    }
    QCOMPARE(sim->bytesAfterUpload(), 0); // nothing goes out after the unit's "E"
    QCOMPARE(sim->overruns(), 0);         // nor before the unit has answered a block
    QVERIFY(idle());
    if (settings)
        QVERIFY(settings->isVisible() && settings->okbutton->isEnabled() && store() == storeBefore);
    if (next == Next::NotTried)
        return;

    // The next cycle finds the unit as this one left it, and each stage's
    // text is on the screen while it waits, whatever the line held before.
    answerer->clear();
    status->clear();
    const QByteArray second = VqSimulator::randomImage(options.size, 12);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), second);
    programme();
    QVERIFY2(inOrder(options.inLoader ? QStringList{kCheck, kComplete}
                                      : QStringList{kCheck, kWaitId, kComplete},
                     status->texts()),
             qPrintable(status->texts().join(u'/')));
    QCOMPARE(sim->lastUpload(), second);
    QCOMPARE(messages(), next == Next::Recovery ? QStringList{kTurnOff} : QStringList());
    QCOMPARE(sim->powerCycles(), next == Next::Recovery ? 1 : 0);
    QVERIFY(idle());
}

void TestUnit::waits_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<Waits>("waits");
    const VqSimOptions silent = unit([](auto &o) { o.silent = true; });
    const QString failed = QStringLiteral("painted ") + kFailure;

    row("silent unit: check, reset, power cycle, id", silent, "program",
        QStringList{kTurnOff, kNoId},
        Waits{{"connection", "reset frame", 1000},
              {"reset frame", "box 0", 400 + 1000},
              {"box 0", "box 1", 1000}});
    row("no S: 2 s", unit([](auto &o) { o.noS = true; }), "program",
        QStringList{box(QStringLiteral("Unit did not reply with S ") + kIdLine)},
        Waits{{"U ->", "box 0", 2000}});
    row("no A after Y: 10 s", unit([](auto &o) { o.noAAfterY = true; }), "program",
        QStringList{box(QStringLiteral("Unit did not reply with Y"))},
        Waits{{"Y ->", "box 0", 9999}});
    row("silent from block 10: 10 s", unit([](auto &o) { o.silentAt = 10; }), "program",
        QStringList{kRefused}, Waits{{"block 10 ->", "box 0", 9999}});
    row("serial line pulled at block 3: noticed at once",
        unit([](auto &o) { o.baud = 115200, o.dropAt = 3; }), "program",
        QStringList{kLost, kRefused}, Waits{{"block 3 -> drop", "box 0", 0}});
    row("Get Ident of a silent unit: 0.4 + 5 s", silent, "ident", QStringList(),
        Waits{{"reset frame", failed, 400 + 5000}});
    row("Get Version of a silent unit: 1 + 1 s", silent, "version", QStringList(),
        Waits{{"long version", "short version", 1000}, {"short version", failed, 1000}});
}

void TestUnit::waits()
{
    QFETCH(VqSimOptions, options);
    QFETCH(QString, command);
    QFETCH(QStringList, boxes);
    QFETCH(Waits, waits);
    SKIP_SERIAL_UNIT(options);
    startWindow(options);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), VqSimulator::randomImage(kBlocks * 32, 3));
    if (command == QLatin1String("program"))
        programme();
    else
        (command == QLatin1String("ident") ? window->mnu_tools_getident
                                           : window->mnu_tools_getVersion)
            ->trigger();
    QTRY_COMPARE(status->texts().constLast(), window->status());
    QCOMPARE(messages(), boxes);
    for (const Wait &w : waits) {
        const qint64 took = timeOf(w.to) - timeOf(w.from);
        // Never shorter; longer only by what scheduling adds.
        QVERIFY2(timeOf(w.from) >= 0 && took >= w.ms - 20 && took <= w.ms + 250,
                 qPrintable(QStringLiteral("%1 to %2 took %3 ms").arg(w.from, w.to).arg(took)));
    }
    QVERIFY(idle());
}

void TestUnit::cutAtAnyBlock()
{
    // Wherever the line goes, the cycle never reports success.
    const QByteArray image = VqSimulator::randomImage(20 * 32, 20);
    startWindow(unit());
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), image);
    for (int k = 0; k < 20; ++k) {
        sim = std::make_unique<VqSimulator>(
            unit([k](auto &o) { o.inLoader = true, o.size = 20 * 32, o.dropAt = k; }));
        QVERIFY(sim->startTcp(0));
        ScalerSettings settings = window->settings();
        settings.EthernetPort = QString::number(sim->port());
        window->useSettings(settings);
        window->cmd_programme_prog->click();
        QVERIFY2(window->status() != kComplete, qPrintable(QString::number(k)));
        QCOMPARE(sim->blocksReceived(), k + 1);
        QVERIFY(idle());
        releaseErrorCtl(); // a day's count of lost links, not one run's
    }
}

void TestUnit::tools_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<bool>("ident"); // Get Ident, else Get Version
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("reported"); // reports of a failed cut

    const auto id = [](const QByteArray &id) { return unit([id](auto &o) { o.ident = id; }); };
    const auto pre = [](const char *bytes) {
        return unit([=](auto &o) { o.preamble = bytes, o.bootMs = 300; });
    };
    const auto version = [](const QByteArray &v, bool longF0000 = false) {
        return unit([=](auto &o) { o.version = v, o.longF0000 = longF0000; });
    };
    row("s70 unit", id("vq200_s70_1"), true, kIdent, 0);
    row("other unit", id("ab_cd_ef"), true, "ab_cd_ef    Unit is a AB_CD", 0);
    row("S70 in capitals: no label", id("vq_S70_2"), true, "vq_S70_2    Unit is a VQ_S70", 0);
    row("one underscore: whole line shown", id("vq_1"), true, "vq_1    Unit is a ID=VQ_1\r", 1);
    row("stray byte before the line", pre("\xff"), true, kIdent, 0);
    row("banner and pause before the line", pre("VQ boot 2.1\r\n"), true, kIdent, 0);
    row("long form", version("000123"), false, "Unit software version = 291", 0);
    row("F0000 falls back to the short form", version("00ABCD", true), false,
        "Unit software version = 43981", 0);
    row("8000 and above unsigned", version("00FFFF"), false, "Unit software version = 65535", 0);
    row("digits stop at a non-digit", version("0012G9"), false, "Unit software version = 18", 0);
    row("a late answer to the long form is not the short one's",
        unit([](auto &o) { o.longAnswer = QByteArray("F0000??\rF84004100D2000777??\r"); }), false,
        "Unit software version = 291", 0);
}

void TestUnit::tools()
{
    QFETCH(VqSimOptions, options);
    QFETCH(bool, ident);
    QFETCH(QString, shown);
    QFETCH(int, reported);
    startWindow(options);
    answerer->plan({MsgAnswer::Yes});
    (ident ? window->mnu_tools_getident : window->mnu_tools_getVersion)->trigger();
    const QString stage =
        ident ? QStringLiteral("Getting Id....") : QStringLiteral("Getting Version....");
    QTRY_COMPARE(status->texts(), (QStringList{stage, shown}));
    QCOMPARE(answerer->messages().size(), reported);
    if (reported)
        QVERIFY(logTail(env->logLines().last())
                    .startsWith(QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_GetIdent "
                                               "Error: 5")));
    QVERIFY(idle());
}

void TestUnit::runningFirmware_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("level");
    const auto fw = [](const QByteArray &name, int level, bool refuse = false) {
        return unit([=](auto &o) { o.fwName = name, o.level = level, o.refuseName = refuse; });
    };
    row("name and level", fw("  FW1  ", 120), QByteArray("FW1.vq"), 120);
    row("level 119", fw("vq200_s70_1", 119), QByteArray("vq200_s70_1.vq"), 119);
    row("level byte 255", fw("X", 255), QByteArray("X.vq"), 255);
    row("refused", fw("FW1", 130, true), QByteArray("stale"), 0);
    row("silent: 0.1 s a query", unit([](auto &o) { o.silent = true; }), QByteArray(), 0);
}

void TestUnit::runningFirmware()
{
    QFETCH(VqSimOptions, options);
    QFETCH(QByteArray, name);
    QFETCH(int, level);
    startWindow(options);
    QVERIFY(window->openLink());
    QByteArray text = "stale";
    QCOMPARE(int(Firmware_GetPTBT(window->unit(), text)), level);
    if (!options.refuseName)
        QCOMPARE(text, name);
    QVERIFY(answerer->messages().isEmpty());
    // A silent unit costs each query its 100 ms: never less, and little more.
    if (options.silent) {
        const qint64 took = sim->timeOf("level query") - sim->timeOf("name query");
        QVERIFY2(took >= 100 - 20 && took <= 100 + 60, qPrintable(QString::number(took)));
    }
    window->closeLink();
}

void TestUnit::portThatDoesNotOpen()
{
#ifdef Q_OS_WIN
    // Windows opens COMn itself: a port that no machine has.
    env->store({{QStringLiteral("Serial Port"), QStringLiteral("COM999:")}});
#else
    env->mapPort(QStringLiteral("COM1"), env->path(QStringLiteral("no-such-tty")));
#endif
    env->store({{QStringLiteral("Firmware"), firmwareFolder()}});
    window = std::make_unique<frm_programme>(env->paths());
    Main(*window, env->paths());
    window->mnu_tools_getident->trigger();
    window->cmd_programme_prog->click();
    // Only the link's own message, each time; the unit is never asked.
    const QString cantOpen = box(QStringLiteral("Can't Open default communications port please "
                                                "select Tools->Communications and set a new "
                                                "communications port"),
                                 16, QStringLiteral(" Error "));
    QCOMPARE(messages().mid(0, 2), (QStringList{cantOpen, cantOpen}));
    QCOMPARE(window->lbl_firmware->text(), QString());
    QVERIFY(idle());
}

namespace {
// Follows a session as a list of events, in order; error control's messages
// come in through the answerer. Cancels when it sees the stage cancelAt.
class Recorder : public UnitObserver
{
public:
    QStringList events;
    std::optional<Stage> cancelAt;
    CancelToken cancel;

    void stage(Stage stage, const Phrase &) override
    {
        events << QStringLiteral("stage ") + stageId(stage);
        if (cancelAt == stage)
            cancel.cancel();
    }
    qint32 message(const MessageRequest &request) override
    {
        events << QStringLiteral("message ") + request.id;
        return MsgAnswer::Ok;
    }
    void controlEnabled(CycleControl control, bool enabled) override
    {
        events << (control == CycleControl::Abort ? QStringLiteral("abort ")
                                                  : QStringLiteral("update ")) +
                      (enabled ? QStringLiteral("on") : QStringLiteral("off"));
    }
};
} // namespace

void TestUnit::sessionEvents_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<int>("cancelAt"); // a Stage; -1 never
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("last"); // the last events, in this order
    QTest::addColumn<QString>("received"); // what the unit was sent, in order
    const int never = -1;
    const QStringList aborted{"message aborted", "abort off", "update on", "stage cleared"};
    const auto at = [](Stage stage) { return int(stage); };
    row("no id: Abort off, Update Firmware on, then the status",
        unit([](auto &o) { o.noId = true; }), never, "NoIdentification",
        QStringList{"message no_identification", "abort off", "update on",
                    "stage no_identification"},
        "reset");
    row("block refused: Abort off, Update Firmware on, then the status",
        unit([](auto &o) { o.nakAt = 3; }), never, "BlockRefused",
        QStringList{"error 9001", "abort off", "update on", "stage cleared"},
        "reset U Y block block block block");
    row("last answer not E: Abort off, Update Firmware on, then the status",
        unit([](auto &o) { o.size += 32; }), never, "NotComplete",
        QStringList{"message not_complete", "abort off", "update on", "stage cleared"},
        "reset U Y" + QString(" block").repeated(kBlocks));
    row("file missing: the status, Update Firmware on, Abort off",
        unit([](auto &o) { o.ident = "vq999"; }), never, "NoFile",
        QStringList{"message no_file", "stage cleared", "update on", "abort off"}, "reset U");
    row("cancelled while checking: nothing sent", unit(), at(Stage::Checking), "Aborted", aborted,
        "");
    row("cancelled before the reset: nothing sent", unit(), at(Stage::Resetting), "Aborted",
        aborted, "");
    row("cancelled waiting for the id: no U", unit(), at(Stage::WaitingForId), "Aborted", aborted,
        "reset");
    row("cancelled in the loader: no U", unit([](auto &o) { o.inLoader = true; }),
        at(Stage::Checking), "Aborted", aborted, "");
    row("cancelled waiting for S: no Y", unit(), at(Stage::IdentificationLine), "Aborted", aborted,
        "reset U");
    row("cancelled after Y: no block", unit(), at(Stage::Starting), "Aborted", aborted,
        "reset U Y");
}

void TestUnit::sessionEvents()
{
    QFETCH(VqSimOptions, options);
    QFETCH(int, cancelAt);
    options.timeline = true;
    sim = std::make_unique<VqSimulator>(options);
    QVERIFY(sim->startTcp(0));
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), VqSimulator::randomImage(kBlocks * 32, 5));
    ScalerSettings settings;
    settings.CommsType = 0;
    settings.EthernetAddress = QStringLiteral("127.0.0.1");
    settings.EthernetPort = QString::number(sim->port());
    Recorder recorder;
    if (cancelAt >= 0)
        recorder.cancelAt = Stage(cancelAt);
    answerer->onMessage([&](const MessageRequest &m) {
        recorder.events << QStringLiteral("error %1").arg(m.error);
    });
    ScalerLink link;
    CycleResult result;
    {
        UnitSession session(settings, link, recorder, recorder.cancel);
        QVERIFY(session.open());
        result = session.programme(firmwareFolder());
    }
    QTEST(endingId(result.ending), "ending");
    QFETCH(QStringList, last);
    QCOMPARE(recorder.events.mid(recorder.events.size() - last.size()), last);
    const auto sentToUnit = [this] {
        QStringList sent;
        for (const VqSimulator::Event &e : sim->timeline())
            for (const char *what : {"reset frame", "U ", "Y ", "block"})
                if (e.text.startsWith(what))
                    sent << QString::fromLatin1(what).section(u' ', 0, 0);
        return sent.join(u' ');
    };
    // The unit may take the last bytes after the session has ended; nothing more comes.
    QFETCH(QString, received);
    QTRY_COMPARE(sentToUnit(), received);
    QTest::qWait(50);
    QCOMPARE(sentToUnit(), received);
}

void TestUnit::pureCuts_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("ident"); // "!" when the cut fails
    QTest::addColumn<bool>("plain");       // the identification names a file
    using B = QByteArray;
    row("plain", B("id=ab_cd_ef\r"), B("ab_cd_ef"), true);
    row("CR LF: neither is part of it", B("id=ab\r\n"), B("ab"), true);
    row("LF alone ends it", B("id=ab\n"), B("ab"), true);
    row("what follows the line end is not part of it", B("id=ab\rxyz"), B("ab"), true);
    row("no line end: the last character ends it", B("id=ab;"), B("ab"), true);
    row("noise before", B("\x53\x02\x40\x95id=a_b_c\r"), B("a_b_c"), true);
    row("latin-1 letters", B("id=vq\xE9\r"), B("vq\xE9"), true);
    row("no id= takes from the third character", B("hello\r"), B("llo"), true);
    row("id= at the end runs backwards", B("xid="), B("!"), false);
    row("nothing after id=", B("id=\r"), B(), false);
    row("slash", B("id=a/b\r"), B("a/b"), false);
    row("backslash", B("id=a\\b\r"), B("a\\b"), false);
    row("dots inside", B("id=a..b\r"), B("a..b"), false);
    row("drive colon", B("id=C:x\r"), B("C:x"), false);
    row("zero byte", B("id=a\0b\r", 7), B("a\0b", 3), false);
    row("delete", B("id=a\x7F\r"), B("a\x7F"), false);
}

void TestUnit::pureCuts()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, ident);
    QFETCH(bool, plain);
    if (ident == "!") {
        QVERIFY_THROWS_EXCEPTION(RunError, ScalerProtocol::identificationFromLine(line));
        return;
    }
    QCOMPARE(ScalerProtocol::identificationFromLine(line), ident);
    // A name that is not plain names no file at all, inside the folder or out of it.
    QCOMPARE(ScalerProtocol::firmwareFilePath(QStringLiteral("/fw"), ident).isEmpty(), !plain);
}

QTEST_MAIN(TestUnit)
#include "tst_unit.moc"
