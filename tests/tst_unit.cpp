// The unit side as the technician meets it: each command of the main window
// against a simulated unit that behaves in one way or another, with what is
// painted in the status line, each message, what the unit received and the
// state the window is left in.
#include "ErrorControl.h"
#include "HiResPerc.h"
#include "LinkInstances.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "TextRules.h"
#include "WindowFixture.h"
#include "frm_Commsettings.h"
#include "frm_programme.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {
const QString kUpdate = QStringLiteral("Firmware Update");
const QString kProblem = QStringLiteral("Application problem");
const QString kIdLine = QStringLiteral("id=vq200_s70_1\r");
const QString kComplete = QStringLiteral("Programing Complete....");
const QString kPowerCycle = QStringLiteral("Failure, Please power cycle unit and try again");
const QString kNoId = QStringLiteral("Incorrect or no ID received");
const QString kFirmwareName = QStringLiteral("vq200_s70_1.vq");
constexpr int kBlocks = 40;

// What the person does while the blocks go out.
enum class During
{
    Nothing,
    AbortConfirmed,
    AbortDeclined,
    ApplySettings, // presses OK of a settings dialog opened before the command
};

// How the cycle after this one must go.
enum class Next
{
    NotTried,
    Whole,    // programs the unit whole with no message
    Recovery, // goes through the power cycle the unit needs, then programs it whole
};

VqSimOptions unit(const std::function<void(VqSimOptions &)> &set = {})
{
    VqSimOptions o;
    o.bootMs = 20;
    o.size = kBlocks * 32;
    if (set)
        set(o);
    return o;
}

// Whether every text of wanted was painted, in this order.
bool paintedInOrder(const QStringList &wanted, const QStringList &painted)
{
    qsizetype at = 0;
    for (const QString &text : wanted) {
        at = painted.indexOf(text, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

QString box(const QString &text, int style = 0, const QString &title = kUpdate)
{
    return QStringLiteral("%1|%2|%3").arg(title).arg(style).arg(text);
}

const QString kNoIdBox = box(QStringLiteral("Incorrect or no ID received.\r\n"
                                            "Ensure you have the correct firmware file"));
const QString kTurnOffBox = box(QStringLiteral("Turn unit off, click OK, then turn unit on."));
const QString kRefusedBox =
    box(QStringLiteral("Error 9001\r\nScaler upload problem.\r\n\r\nEnsure no other "
                       "applications are running\r\nduring the programming cycle"),
        48, kProblem);
const QString kLostBox = box(QStringLiteral("Error 8019\r\nThe connection to the unit was lost."
                                            "\r\nCheck the cable or the network, then try again."),
                             48, kProblem);
const QString kNotSuccessfulBox = box(QStringLiteral("Scaler upload NOT successful"));
const QString kWarningBox =
    box(QStringLiteral("Aborting the programming cycle\r\nwill leave the Scaler in an unuseable "
                       "state.\r\n\r\n Are you Sure ?"),
        52, QStringLiteral("Warning"));
const QString kAbortedBox =
    box(QStringLiteral("Scaler upload Aborted\r\n\r\nPlease power cycle the VQ unit"), 48);
} // namespace

Q_DECLARE_METATYPE(VqSimOptions)
Q_DECLARE_METATYPE(During)
Q_DECLARE_METATYPE(Next)

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
    void cutAtAnyBlock();
    void ident_data();
    void ident();
    void version_data();
    void version();
    void runningFirmware_data();
    void runningFirmware();
    void portThatDoesNotOpen();
    void programmeOverPseudoTerminal();
    void pureCuts_data();
    void pureCuts();
    void plainFileNames_data();
    void plainFileNames();

private:
    // Starts the window against the unit and presses "Update Firmware".
    void programme();
    QByteArray padded(const QByteArray &image) const
    {
        return image + QByteArray((32 - image.size() % 32) % 32, '\xFF');
    }
};

void TestUnit::programme()
{
    window->cmd_programme_prog->click();
    // The last text may be painted when the window next gets to it.
    QTRY_COMPARE(painted().constLast(), window->status());
}

void TestUnit::cycle_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<qint64>("fileSize"); // bytes of vq200_s70_1.vq
    QTest::addColumn<During>("during");
    QTest::addColumn<QStringList>("stages"); // painted in this order, others between them
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("blocks"); // received by the unit; -1 when the whole file
    QTest::addColumn<Next>("next");

    const qint64 size = kBlocks * 32;
    const QStringList whole{kComplete};
    const QStringList none;
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("running unit: every stage painted while it waits")
        << unit([](VqSimOptions &o) { o.replyDelayMs = 20; }) << size << During::Nothing
        << QStringList{QStringLiteral("Checking Unit...."),
                       QStringLiteral("Resetting Unit...."),
                       QStringLiteral("Waiting for ID..."),
                       kIdLine,
                       QStringLiteral("Programming ..."),
                       QStringLiteral("Programming... 0"),
                       kComplete}
        << none << -1 << Next::Whole;
    row("unit in its loader is not reset")
        << unit([](VqSimOptions &o) { o.inLoader = true; }) << size << During::Nothing
        << QStringList{QStringLiteral("Checking Unit...."), kIdLine, kComplete} << none << -1
        << Next::Whole;
    row("padded last block") << unit([](VqSimOptions &o) { o.size = kBlocks * 32 + 32; })
                             << size + 5 << During::Nothing << whole << none << kBlocks + 1
                             << Next::NotTried;
    row("stray byte before the identification") << unit([](VqSimOptions &o) {
        o.preamble = "\xff";
        o.bootMs = 300;
    }) << size << During::Nothing << whole << none
                                                << -1 << Next::NotTried;
    row("loader banner and a pause before the identification") << unit([](VqSimOptions &o) {
        o.preamble = "VQ boot 2.1\r\n";
        o.bootMs = 300;
    }) << size << During::Nothing << whole << none << -1 << Next::NotTried;
    row("silent unit: power cycle asked for, then no id")
        << unit([](VqSimOptions &o) { o.silent = true; }) << size << During::Nothing
        << QStringList{QStringLiteral("Waiting for ID..."), kNoId}
        << QStringList{kTurnOffBox, kNoIdBox} << 0 << Next::NotTried;
    row("reset acknowledged, no id")
        << unit([](VqSimOptions &o) { o.noId = true; }) << size << During::Nothing
        << QStringList{kNoId} << QStringList{kNoIdBox} << 0 << Next::NotTried;
    row("no file for the unit") << unit([](VqSimOptions &o) { o.ident = "vq999_x_1"; }) << size
                                << During::Nothing << QStringList{QString()}
                                << QStringList{box(QStringLiteral("File does not exist"))} << 0
                                << Next::NotTried;
    row("identification that is a path")
        << unit([](VqSimOptions &o) { o.idText = QByteArray("id=../outside"); }) << size
        << During::Nothing << QStringList{QString()}
        << QStringList{box(QStringLiteral("File does not exist"))} << 0 << Next::NotTried;
    row("two files that differ only in case")
        << unit([](VqSimOptions &o) { o.ident = "VQ200_S70_1"; }) << size << During::Nothing
        << QStringList{QString()}
        << QStringList{box(QStringLiteral(
               "These firmware files differ only in upper and lower case, so none of them was "
               "used:\r\nVQ200_S70_1.vq\r\nvq200_s70_1.vq\r\nKeep only the right one in the "
               "firmware folder."))}
        << 0 << Next::NotTried;
    row("no S") << unit([](VqSimOptions &o) { o.noS = true; }) << size << During::Nothing
                << QStringList{kIdLine}
                << QStringList{box(QStringLiteral("Unit did not reply with S ") + kIdLine)} << 0
                << Next::NotTried;
    row("no A after Y") << unit([](VqSimOptions &o) { o.noAAfterY = true; }) << size
                        << During::Nothing << QStringList{QStringLiteral("Programming ...")}
                        << QStringList{box(QStringLiteral("Unit did not reply with Y"))} << 0
                        << Next::NotTried;
    row("block 3 refused") << unit([](VqSimOptions &o) { o.nakAt = 3; }) << size << During::Nothing
                           << QStringList{QString()} << QStringList{kRefusedBox} << 4
                           << Next::Recovery;
    row("early E at block 3") << unit([](VqSimOptions &o) { o.earlyEAt = 3; }) << size
                              << During::Nothing << QStringList{QString()}
                              << QStringList{kRefusedBox} << 4 << Next::Whole;
    row("cable pulled at block 3")
        << unit([](VqSimOptions &o) { o.dropAt = 3; }) << size << During::Nothing
        << QStringList{QString()} << QStringList{kLostBox, kRefusedBox} << 4 << Next::Recovery;
    row("\"a\" answers block 0") << unit([](VqSimOptions &o) { o.wrongAckAt = 0; }) << size
                                 << During::Nothing << QStringList{QString()}
                                 << QStringList{kRefusedBox} << 1 << Next::Recovery;
    row("zero byte answers the last block") << unit([](VqSimOptions &o) {
        o.wrongAckAt = kBlocks - 1;
        o.wrongAck = QByteArray(1, '\0');
    }) << size << During::Nothing << QStringList{QString()}
                                            << QStringList{kNotSuccessfulBox} << kBlocks
                                            << Next::Recovery;
    row("\"AA\" answers block 7: still one block per answer") << unit([](VqSimOptions &o) {
        o.wrongAckAt = 7;
        o.wrongAck = "AA";
        o.replyDelayMs = 2;
    }) << size << During::Nothing << whole << none << -1 << Next::NotTried;
    row("unit silent from block 10")
        << unit([](VqSimOptions &o) { o.silentAt = 10; }) << size << During::Nothing
        << QStringList{QString()} << QStringList{kRefusedBox} << 11 << Next::Recovery;
    row("last answer not E") << unit([](VqSimOptions &o) { o.size += 32; }) << size
                             << During::Nothing << QStringList{QString()}
                             << QStringList{kNotSuccessfulBox} << kBlocks << Next::Recovery;
    row("empty file") << unit() << qint64(0) << During::Nothing << QStringList{QString()}
                      << QStringList{kNotSuccessfulBox} << 0 << Next::Recovery;
    row("abort confirmed") << unit() << size << During::AbortConfirmed << QStringList{QString()}
                           << QStringList{kWarningBox, kAbortedBox} << 6 << Next::Recovery;
    row("abort declined") << unit() << size << During::AbortDeclined << whole
                          << QStringList{kWarningBox} << -1 << Next::NotTried;
    row("settings applied during the blocks change nothing")
        << unit() << size << During::ApplySettings << whole << none << -1 << Next::NotTried;
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

    const QByteArray image = VqSimulator::randomImage(fileSize, 11);
    startWindow(options);
    writeFirmware(kFirmwareName, image);
    if (options.ident == "VQ200_S70_1")
        writeFirmware(QStringLiteral("VQ200_S70_1.vq"), image);
    // A file the path identification would reach, were it ever followed.
    QFile(env->path(QStringLiteral("outside.vq"))).open(QIODevice::WriteOnly);

    QPointer<frm_Commsettings> settings;
    const QByteArray storeBefore = [&] {
        QFile f(env->storeFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    switch (during) {
    case During::Nothing:
        break;
    case During::AbortConfirmed:
    case During::AbortDeclined:
        answerer->plan({during == During::AbortConfirmed ? MsgAnswer::Yes : MsgAnswer::No});
        atBlock(5, [this] { window->cmd_abort->click(); });
        break;
    case During::ApplySettings:
        window->mnu_tools_serialport->trigger();
        settings = window->findChild<frm_Commsettings *>();
        QVERIFY(settings && settings->okbutton->isEnabled());
        atBlock(5, [&] {
            QVERIFY(!settings->okbutton->isEnabled());
            QVERIFY(!settings->okbutton->toolTip().isEmpty());
            settings->okbutton->click();
            QTest::keyClick(settings, Qt::Key_Return);
        });
        break;
    }

    programme();

    QVERIFY2(paintedInOrder(stages, painted()), qPrintable(painted().join(QStringLiteral(" / "))));
    QCOMPARE(messages(), boxes);
    const bool success = stages.constLast() == kComplete;
    QCOMPARE(window->status(), stages.constLast());
    QCOMPARE(sim->blocksReceived(), blocks < 0 ? int(padded(image).size() / 32) : blocks);
    if (success) {
        QCOMPARE(sim->lastUpload(), padded(image));
        QCOMPARE(window->ProgressBar1->Value(), 100);
    }
    QCOMPARE(sim->resetsAcknowledged(), options.inLoader ? 0 : 1);
    QCOMPARE(sim->bytesAfterUpload(), 0); // nothing goes out after the unit's "E"
    QCOMPARE(sim->overruns(), 0);         // nor before the unit has answered a block
    QVERIFY(idle());
    if (settings) {
        QVERIFY(settings->isVisible() && settings->okbutton->isEnabled());
        QFile store(env->storeFile());
        QVERIFY(!store.open(QIODevice::ReadOnly) || store.readAll() == storeBefore);
    }
    if (next == Next::NotTried)
        return;

    // The next cycle finds the unit as this one left it, and each stage's
    // text is on the screen while it waits, whatever the line held before.
    answerer->clear();
    clearPainted();
    const QByteArray second = VqSimulator::randomImage(options.size, 12);
    writeFirmware(kFirmwareName, second);
    programme();
    const QStringList secondStages =
        options.inLoader ? QStringList{QStringLiteral("Checking Unit...."), kComplete}
                         : QStringList{QStringLiteral("Checking Unit...."),
                                       QStringLiteral("Waiting for ID..."), kComplete};
    QVERIFY2(paintedInOrder(secondStages, painted()),
             qPrintable(painted().join(QStringLiteral(" / "))));
    QCOMPARE(sim->lastUpload(), second);
    QCOMPARE(messages(), next == Next::Recovery ? QStringList{kTurnOffBox} : QStringList());
    QCOMPARE(sim->powerCycles(), next == Next::Recovery ? 1 : 0);
    QVERIFY(idle());
}

void TestUnit::cutAtAnyBlock()
{
    // Wherever the line goes, the cycle never reports success.
    const QByteArray image = VqSimulator::randomImage(20 * 32, 20);
    startWindow(unit());
    writeFirmware(kFirmwareName, image);
    for (int k = 0; k < 20; ++k) {
        sim = std::make_unique<VqSimulator>(unit([k](VqSimOptions &o) {
            o.inLoader = true;
            o.size = 20 * 32;
            o.dropAt = k;
        }));
        QVERIFY(sim->startTcp(0));
        programSettings().EthernetPort = QString::number(sim->port());
        window->cmd_programme_prog->click();
        QVERIFY2(window->status() != kComplete, qPrintable(QString::number(k)));
        QCOMPARE(sim->blocksReceived(), k + 1);
        QVERIFY(idle());
        releaseErrorCtl(); // a day's count of lost links, not one run's
    }
}

void TestUnit::ident_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("reported"); // reports of a failed cut
    const auto ident = [](const QByteArray &id) {
        return unit([id](VqSimOptions &o) { o.ident = id; });
    };
    QTest::newRow("s70 unit") << ident("vq200_s70_1")
                              << "vq200_s70_1    Unit is a VQ200_S70 KAVRELL" << 0;
    QTest::newRow("other unit") << ident("ab_cd_ef") << "ab_cd_ef    Unit is a AB_CD" << 0;
    QTest::newRow("S70 in capitals has no label")
        << ident("vq_S70_2") << "vq_S70_2    Unit is a VQ_S70" << 0;
    QTest::newRow("one underscore: the cut fails, whole line shown")
        << ident("vq_1") << "vq_1    Unit is a ID=VQ_1\r" << 1;
    QTest::newRow("stray byte and a pause before the line") << unit([](VqSimOptions &o) {
        o.preamble = "\xff";
        o.bootMs = 300;
    }) << "vq200_s70_1    Unit is a VQ200_S70 KAVRELL" << 0;
    QTest::newRow("loader banner and a pause before the line") << unit([](VqSimOptions &o) {
        o.preamble = "VQ boot 2.1\r\n";
        o.bootMs = 300;
    }) << "vq200_s70_1    Unit is a VQ200_S70 KAVRELL" << 0;
    QTest::newRow("silent unit") << unit([](VqSimOptions &o) { o.silent = true; }) << kPowerCycle
                                 << 0;
}

void TestUnit::ident()
{
    QFETCH(VqSimOptions, options);
    QFETCH(QString, status);
    QFETCH(int, reported);
    startWindow(options);
    answerer->plan({MsgAnswer::Yes});
    window->mnu_tools_getident->trigger();
    QTRY_COMPARE(painted(), (QStringList{QStringLiteral("Getting Id...."), status}));
    QCOMPARE(answerer->messages().size(), reported);
    if (reported)
        QVERIFY(logTail(env->logLines().last())
                    .startsWith(QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_GetIdent "
                                               "Error: 5")));
    QVERIFY(idle());
}

void TestUnit::version_data()
{
    QTest::addColumn<VqSimOptions>("options");
    QTest::addColumn<QString>("status");
    const auto version = [](const QByteArray &v, bool longF0000 = false) {
        return unit([=](VqSimOptions &o) {
            o.version = v;
            o.longF0000 = longF0000;
        });
    };
    QTest::newRow("long form") << version("000123") << "Unit software version = 291";
    QTest::newRow("F0000 falls back to the short form")
        << version("00ABCD", true) << "Unit software version = 43981";
    QTest::newRow("8000 and above shown unsigned")
        << version("00FFFF") << "Unit software version = 65535";
    QTest::newRow("digits stop at a non-digit")
        << version("0012G9") << "Unit software version = 18";
    QTest::newRow("a late second answer to the long form is not the short one's")
        << unit(
               [](VqSimOptions &o) { o.longAnswer = QByteArray("F0000??\rF84004100D2000777??\r"); })
        << "Unit software version = 291";
    QTest::newRow("both forms silent")
        << unit([](VqSimOptions &o) { o.silent = true; }) << kPowerCycle;
}

void TestUnit::version()
{
    QFETCH(VqSimOptions, options);
    QFETCH(QString, status);
    startWindow(options);
    window->mnu_tools_getVersion->trigger();
    QTRY_COMPARE(painted(), (QStringList{QStringLiteral("Getting Version...."), status}));
    QVERIFY(answerer->messages().isEmpty());
    QVERIFY(idle());
}

void TestUnit::runningFirmware_data()
{
    QTest::addColumn<QByteArray>("fwName");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("name and level")
        << QByteArray("  FW1  ") << 120 << false << false << QByteArray("FW1.vq") << 120;
    QTest::newRow("level 119") << QByteArray("vq200_s70_1") << 119 << false << false
                               << QByteArray("vq200_s70_1.vq") << 119;
    QTest::newRow("level byte 255")
        << QByteArray("X") << 255 << false << false << QByteArray("X.vq") << 255;
    QTest::newRow("refused") << QByteArray("FW1") << 130 << true << false << QByteArray() << 0;
    QTest::newRow("silent") << QByteArray("FW1") << 130 << false << true << QByteArray() << 0;
}

void TestUnit::runningFirmware()
{
    QFETCH(QByteArray, fwName);
    QFETCH(int, level);
    QFETCH(bool, refuse);
    QFETCH(bool, silent);
    QFETCH(QByteArray, name);
    QFETCH(int, result);
    startWindow(unit([&](VqSimOptions &o) {
        o.fwName = fwName;
        o.level = level;
        o.refuseName = refuse;
        o.silent = silent;
    }));
    QVERIFY(OpenScalerLink());
    QByteArray text = "stale";
    QCOMPARE(int(Firmware_GetPTBT(text)), result);
    if (!refuse)
        QCOMPARE(text, name);
    QVERIFY(answerer->messages().isEmpty());
    scalerLink().CloseChannel();
}

void TestUnit::portThatDoesNotOpen()
{
    env->mapPort(QStringLiteral("COM1"), env->path(QStringLiteral("no-such-tty")));
    env->store({{QStringLiteral("Firmware"), firmwareFolder()}});
    window = std::make_unique<frm_programme>();
    Main();
    window->mnu_tools_getident->trigger();
    // Only the link's own message; the unit is never asked.
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(answerer->messages().first().title, QStringLiteral(" Error "));
    QCOMPARE(window->status(), QString());

    answerer->clear();
    window->cmd_programme_prog->click();
    QCOMPARE(answerer->messages().first().title, QStringLiteral(" Error "));
    QVERIFY(idle());
}

void TestUnit::programmeOverPseudoTerminal()
{
    const QByteArray image = VqSimulator::randomImage(100 * 32, 9);
    sim = std::make_unique<VqSimulator>(unit([](VqSimOptions &o) { o.size = 100 * 32; }));
    QString why;
    QVERIFY2(sim->startPty(&why), qPrintable(why));
    QDir().mkpath(firmwareFolder());
    writeFirmware(kFirmwareName, image);
    env->mapPort(QStringLiteral("COM3"), sim->devicePath());
    env->store({{QStringLiteral("Serial Port"), QStringLiteral("COM3:")},
                {QStringLiteral("Serial Parameters"), QStringLiteral("115200,n,8,1")},
                {QStringLiteral("Firmware"), firmwareFolder()}});
    window = std::make_unique<frm_programme>();
    Main();
    window->cmd_programme_prog->click();
    QCOMPARE(answerer->texts(), QStringList());
    QCOMPARE(window->status(), kComplete);
    QCOMPARE(window->windowTitle(), QStringLiteral("VQ Update - COM3:"));
    QCOMPARE(sim->lastUpload(), image);
    QVERIFY(idle());
}

void TestUnit::pureCuts_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("ident"); // "!" when the cut fails
    QTest::newRow("plain") << QByteArray("id=ab_cd_ef\r") << QByteArray("ab_cd_ef");
    QTest::newRow("one character") << QByteArray("id=X\r") << QByteArray("X");
    QTest::newRow("noise before") << QByteArray("\x53\x02\x40\x95id=a_b_c\r")
                                  << QByteArray("a_b_c");
    QTest::newRow("no id= takes from the third character")
        << QByteArray("hello\r") << QByteArray("llo");
    QTest::newRow("id= at the end runs backwards") << QByteArray("xid=") << QByteArray("!");
    QTest::newRow("nothing after id=") << QByteArray("id=\r") << QByteArray("");
}

void TestUnit::pureCuts()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, ident);
    if (ident == "!") {
        QVERIFY_THROWS_EXCEPTION(RunError, ScalerProtocol::identificationFromLine(line));
        return;
    }
    QCOMPARE(ScalerProtocol::identificationFromLine(line), ident);
}

void TestUnit::plainFileNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("identification") << QByteArray("vq200_s70_1") << true;
    QTest::newRow("latin-1 letters") << QByteArray("vq\xE9") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("slash") << QByteArray("a/b") << false;
    QTest::newRow("backslash") << QByteArray("a\\b") << false;
    QTest::newRow("parent") << QByteArray("..") << false;
    QTest::newRow("dots inside") << QByteArray("a..b") << false;
    QTest::newRow("drive colon") << QByteArray("C:x") << false;
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << false;
    QTest::newRow("control character") << QByteArray("a\x01") << false;
    QTest::newRow("delete") << QByteArray("a\x7F") << false;
}

void TestUnit::plainFileNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, plain);
    QCOMPARE(isPlainFileName(QString::fromLatin1(name)), plain);
    // Such a name names no file at all, inside the folder or out of it.
    QCOMPARE(ScalerProtocol::firmwareFilePath(QStringLiteral("/fw"), name).isEmpty(), !plain);
}

QTEST_MAIN(TestUnit)
#include "tst_unit.moc"
