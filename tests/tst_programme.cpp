#include "ErrorControl.h"
#include "HiResPerc.h"
#include "LinkInstances.h"
#include "ProgramFixture.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_Scaler_Firmware.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
const QString kPowerCycle = QStringLiteral("Failure, Please power cycle unit and try again");
const QString kNoId = QStringLiteral("Incorrect or no ID received.\r\nEnsure you have the correct "
                                     "firmware file");
const QString kTurnOff = QStringLiteral("Turn unit off, click OK, then turn unit on.");

enum class Fault
{
    None,
    InLoader,
    Silent,
    NoId,
    WrongIdent,
    PathIdent,
    NoS,
    NoAAfterY,
    NakAt3,
    EarlyEAt3,
    DropAt3,
    ImageLongerThanFile,
};
} // namespace

class TestProgramme : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void endings_data();
    void endings();
    void abortDuringBlocks_data();
    void abortDuringBlocks();
    void programmeOverPseudoTerminal();
    void identification_data();
    void identification();
    void version_data();
    void version();
    void runningFirmware_data();
    void runningFirmware();
    void portThatDoesNotOpen();
    void pureCuts_data();
    void pureCuts();
    void plainFileNames_data();
    void plainFileNames();

private:
    // Starts the unit on loopback TCP and the program against it.
    void start(const VqSimOptions &options);
    QString firmwareFolder() const { return env->path(QStringLiteral("fw")); }
    void writeFirmware(const QString &name, const QByteArray &image);
    void verifyIdle();
    bool linkOpen() { return static_cast<ScalerLink &>(scalerLink()).isOpen(); }

    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<frm_programme> window;
};

void TestProgramme::init()
{
    startFixture();
    QDir().mkpath(firmwareFolder());
}

void TestProgramme::cleanup()
{
    window.reset();
    sim.reset();
    stopFixture();
}

void TestProgramme::start(const VqSimOptions &options)
{
    sim = std::make_unique<VqSimulator>(options);
    QString why;
    QVERIFY2(sim->startTcp(0, &why), qPrintable(why));
    env->storeLoopbackUnit(sim->port(), firmwareFolder());
    window = std::make_unique<frm_programme>();
    Main();
    QVERIFY(answerer->messages().isEmpty());
}

void TestProgramme::writeFirmware(const QString &name, const QByteArray &image)
{
    QFile f(QDir(firmwareFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(image), image.size());
}

void TestProgramme::verifyIdle()
{
    QVERIFY(!window->cmd_abort->isEnabled());
    QVERIFY(window->cmd_programme_prog->isEnabled());
    QVERIFY(window->mnu_about->isEnabled());
    QVERIFY(window->mnu_tools->menuAction()->isEnabled());
    QVERIFY(window->mnu_file_path->isEnabled());
    QVERIFY(window->cmd_checkupdate->isEnabled());
    QVERIFY(!linkOpen());
    QVERIFY(!window->busy());
}

void TestProgramme::endings_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<bool>("trailingSeparator");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("blocksSent");

    const QString s = QStringLiteral("Scaler upload NOT successful");
    const QStringList none;
    QTest::newRow("success") << Fault::None << qint64(40 * 32) << false << "Programing Complete...."
                             << none << 40;
    QTest::newRow("success, folder with separator")
        << Fault::None << qint64(40 * 32) << true << "Programing Complete...." << none << 40;
    QTest::newRow("padded last block")
        << Fault::None << qint64(40 * 32 + 5) << false << "Programing Complete...." << none << 41;
    QTest::newRow("unit already in its loader")
        << Fault::InLoader << qint64(8 * 32) << false << "Programing Complete...." << none << 8;
    QTest::newRow("silent unit: power cycle, then no id")
        << Fault::Silent << qint64(64) << false << "Incorrect or no ID received"
        << QStringList{kTurnOff, kNoId} << 0;
    QTest::newRow("reset acknowledged, no id")
        << Fault::NoId << qint64(64) << false << "Incorrect or no ID received" << QStringList{kNoId}
        << 0;
    QTest::newRow("file missing") << Fault::WrongIdent << qint64(64) << false << ""
                                  << QStringList{QStringLiteral("File does not exist")} << 0;
    QTest::newRow("identification that is a path")
        << Fault::PathIdent << qint64(64) << false << ""
        << QStringList{QStringLiteral("File does not exist")} << 0;
    QTest::newRow("no S") << Fault::NoS << qint64(64) << false << "id=vq200_s70_1\r"
                          << QStringList{QStringLiteral(
                                 "Unit did not reply with S id=vq200_s70_1\r")}
                          << 0;
    QTest::newRow("no A after Y") << Fault::NoAAfterY << qint64(64) << false << "Programming ..."
                                  << QStringList{QStringLiteral("Unit did not reply with Y")} << 0;
    QTest::newRow("refused block")
        << Fault::NakAt3 << qint64(10 * 32) << false << "" << QStringList{} << 4;
    QTest::newRow("early E") << Fault::EarlyEAt3 << qint64(10 * 32) << false << "" << QStringList{}
                             << 4;
    QTest::newRow("link dropped") << Fault::DropAt3 << qint64(10 * 32) << false << ""
                                  << QStringList{} << 4;
    QTest::newRow("last answer not E")
        << Fault::ImageLongerThanFile << qint64(10 * 32) << false << "" << QStringList{s} << 10;
    QTest::newRow("empty file") << Fault::None << qint64(0) << false << "" << QStringList{s} << 0;
}

void TestProgramme::endings()
{
    QFETCH(Fault, fault);
    QFETCH(qint64, fileSize);
    QFETCH(bool, trailingSeparator);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    QFETCH(int, blocksSent);

    const QByteArray image = VqSimulator::randomImage(fileSize, 11);
    VqSimOptions o;
    o.bootMs = 20;
    o.size = (fileSize + 31) / 32 * 32;
    switch (fault) {
    case Fault::None:
        break;
    case Fault::InLoader:
        o.inLoader = true;
        break;
    case Fault::Silent:
        o.silent = true;
        break;
    case Fault::NoId:
        o.noId = true;
        break;
    case Fault::WrongIdent:
        o.ident = "vq999_x_1";
        break;
    case Fault::PathIdent:
        o.idText = QByteArray("id=../outside");
        break;
    case Fault::NoS:
        o.noS = true;
        break;
    case Fault::NoAAfterY:
        o.noAAfterY = true;
        break;
    case Fault::NakAt3:
        o.nakAt = 3;
        break;
    case Fault::EarlyEAt3:
        o.earlyEAt = 3;
        break;
    case Fault::DropAt3:
        o.dropAt = 3;
        break;
    case Fault::ImageLongerThanFile:
        o.size = fileSize + 32;
        break;
    }
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), image);
    // A file the path identification would reach, were it ever followed.
    QFile outside(env->path(QStringLiteral("outside.vq")));
    QVERIFY(outside.open(QIODevice::WriteOnly));
    outside.write(image);
    outside.close();

    start(o);
    if (trailingSeparator)
        programSettings().FirmwarePath = firmwareFolder() + QDir::separator();
    const bool refused = fault == Fault::NakAt3 || fault == Fault::EarlyEAt3;
    const bool dropped = fault == Fault::DropAt3;
    if (dropped)
        answerer->plan({MsgAnswer::No}); // the lost link's "Attempt to continue?"

    window->cmd_programme_prog->click();

    QCOMPARE(window->status(), status);
    QTRY_COMPARE(window->lbl_firmware->text(), status); // on the screen too
    QCOMPARE(sim->blocksReceived(), blocksSent);
    QCOMPARE(sim->bytesAfterUpload(), 0); // nothing is sent after the unit's "E"
    if (refused || dropped) {
        // The refused block is reported by error control, nothing is sent after it.
        const MessageRequest &last = answerer->messages().last();
        QCOMPARE(last.title, QStringLiteral("Application problem"));
        QVERIFY(last.text.startsWith(QStringLiteral("Error 9001\r\nScaler upload problem.")));
        QCOMPARE(answerer->messages().size(), dropped ? 2 : 1);
        QVERIFY(
            logTail(env->logLines().last())
                .startsWith(QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_Programme <")));
    } else {
        QCOMPARE(answerer->texts(), messages);
        for (const MessageRequest &m : answerer->messages()) {
            QCOMPARE(m.style, 0);
            QCOMPARE(m.title, QStringLiteral("Firmware Update"));
        }
    }
    if (status == QLatin1String("Programing Complete....")) {
        QByteArray expected = image;
        expected.append(QByteArray(o.size - fileSize, '\xFF'));
        QCOMPARE(sim->lastUpload(), expected);
        QCOMPARE(window->ProgressBar1->Value(), 100);
        QCOMPARE(sim->resetsAcknowledged(), fault == Fault::InLoader ? 0 : 1);
    }
    verifyIdle();
    QVERIFY(!dropped || ErrorCtl().reportCount() < 3);
}

void TestProgramme::abortDuringBlocks_data()
{
    QTest::addColumn<qint32>("answer");
    QTest::newRow("confirmed") << qint32(MsgAnswer::Yes);
    QTest::newRow("declined") << qint32(MsgAnswer::No);
}

void TestProgramme::abortDuringBlocks()
{
    QFETCH(qint32, answer);
    const QByteArray image = VqSimulator::randomImage(2048 * 32, 5);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), image);
    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size();
    o.replyDelayMs = 1;
    start(o);

    answerer->plan({answer});
    int blocksAtClick = -1;
    QTimer::singleShot(300, window.get(), [&] {
        // Busy: only Abort and File, Exit are usable.
        QVERIFY(window->cmd_abort->isEnabled());
        QVERIFY(!window->cmd_programme_prog->isEnabled());
        QVERIFY(!window->cmd_checkupdate->isEnabled());
        QVERIFY(!window->mnu_about->isEnabled());
        QVERIFY(!window->mnu_tools->menuAction()->isEnabled());
        QVERIFY(!window->mnu_file_path->isEnabled());
        QVERIFY(window->mnu_programme_exit->isEnabled());
        QVERIFY2(window->lbl_firmware->text().startsWith(QStringLiteral("Programming... ")),
                 qPrintable(window->lbl_firmware->text()));
        blocksAtClick = sim->blocksReceived();
        window->cmd_abort->click();
    });
    window->cmd_programme_prog->click();

    QVERIFY(blocksAtClick > 0);
    const QString warning =
        QStringLiteral("Aborting the programming cycle\r\nwill leave the Scaler "
                       "in an unuseable state.\r\n\r\n Are you Sure ?");
    if (answer == MsgAnswer::Yes) {
        QCOMPARE(answerer->texts(),
                 (QStringList{warning, QStringLiteral("Scaler upload Aborted\r\n\r\n"
                                                      "Please power cycle the VQ unit")}));
        QCOMPARE(answerer->messages().first().style, 52);
        QCOMPARE(sim->blocksReceived(), blocksAtClick + 1);
        QCOMPARE(window->status(), QString());
        QCOMPARE(AbortFlag, VTrue);
    } else {
        QCOMPARE(answerer->texts(), QStringList{warning});
        QCOMPARE(sim->lastUpload(), image);
        QCOMPARE(window->status(), QStringLiteral("Programing Complete...."));
        QCOMPARE(AbortFlag, VFalse);
    }
    verifyIdle();

    // A flag left set by an abort does not stop the next cycle.
    answerer->clear();
    window->cmd_programme_prog->click();
    QCOMPARE(window->status(), QStringLiteral("Programing Complete...."));
    QCOMPARE(sim->lastUpload(), image);
}

void TestProgramme::programmeOverPseudoTerminal()
{
    const QByteArray image = VqSimulator::randomImage(100 * 32, 9);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), image);
    VqSimOptions o;
    o.size = image.size();
    o.bootMs = 20;
    sim = std::make_unique<VqSimulator>(o);
    QString why;
    QVERIFY2(sim->startPty(&why), qPrintable(why));
    env->mapPort(QStringLiteral("COM3"), sim->devicePath());
    env->store({{QStringLiteral("Serial Port"), QStringLiteral("COM3:")},
                {QStringLiteral("Serial Parameters"), QStringLiteral("115200,n,8,1")},
                {QStringLiteral("Firmware"), firmwareFolder()}});
    window = std::make_unique<frm_programme>();
    Main();
    window->cmd_programme_prog->click();
    QCOMPARE(answerer->texts(), QStringList());
    QCOMPARE(window->status(), QStringLiteral("Programing Complete...."));
    QCOMPARE(window->windowTitle(), QStringLiteral("VQ Update - COM3:"));
    QCOMPARE(sim->lastUpload(), image);
    verifyIdle();
}

void TestProgramme::identification_data()
{
    QTest::addColumn<QByteArray>("ident");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("reported");
    QTest::newRow("s70 unit") << QByteArray("vq200_s70_1") << false
                              << "vq200_s70_1    Unit is a VQ200_S70 KAVRELL" << 0;
    QTest::newRow("other unit") << QByteArray("ab_cd_ef") << false << "ab_cd_ef    Unit is a AB_CD"
                                << 0;
    QTest::newRow("S70 in capitals has no label")
        << QByteArray("vq_S70_2") << false << "vq_S70_2    Unit is a VQ_S70" << 0;
    QTest::newRow("one underscore: the cut fails, whole line shown")
        << QByteArray("vq_1") << false << "vq_1    Unit is a ID=VQ_1\r" << 1;
    QTest::newRow("silent unit") << QByteArray("vq200_s70_1") << true << kPowerCycle << 0;
}

void TestProgramme::identification()
{
    QFETCH(QByteArray, ident);
    QFETCH(bool, silent);
    QFETCH(QString, status);
    QFETCH(int, reported);
    VqSimOptions o;
    o.ident = ident;
    o.silent = silent;
    o.bootMs = 20;
    start(o);
    answerer->plan({MsgAnswer::Yes});
    window->mnu_tools_getident->trigger();
    QCOMPARE(window->status(), status);
    QCOMPARE(answerer->messages().size(), reported);
    if (reported)
        QVERIFY(logTail(env->logLines().last())
                    .startsWith(QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_GetIdent "
                                               "Error: 5")));
    QVERIFY(!linkOpen());
}

void TestProgramme::version_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("longF0000");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("status");
    QTest::newRow("long form") << QByteArray("000123") << false << false
                               << "Unit software version = 291";
    QTest::newRow("F0000 falls back to the short form")
        << QByteArray("00ABCD") << true << false << "Unit software version = 43981";
    QTest::newRow("8000 and above shown unsigned")
        << QByteArray("00FFFF") << false << false << "Unit software version = 65535";
    QTest::newRow("digits stop at a non-digit")
        << QByteArray("0012G9") << false << false << "Unit software version = 18";
    QTest::newRow("both forms silent") << QByteArray("000123") << false << true << kPowerCycle;
}

void TestProgramme::version()
{
    QFETCH(QByteArray, version);
    QFETCH(bool, longF0000);
    QFETCH(bool, silent);
    QFETCH(QString, status);
    VqSimOptions o;
    o.version = version;
    o.longF0000 = longF0000;
    o.silent = silent;
    start(o);
    window->mnu_tools_getVersion->trigger();
    QCOMPARE(window->status(), status);
    QVERIFY(answerer->messages().isEmpty());
    QVERIFY(!linkOpen());
}

void TestProgramme::runningFirmware_data()
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

void TestProgramme::runningFirmware()
{
    QFETCH(QByteArray, fwName);
    QFETCH(int, level);
    QFETCH(bool, refuse);
    QFETCH(bool, silent);
    QFETCH(QByteArray, name);
    QFETCH(int, result);
    VqSimOptions o;
    o.fwName = fwName;
    o.level = level;
    o.refuseName = refuse;
    o.silent = silent;
    start(o);
    QVERIFY(OpenScalerLink());
    QByteArray text = "stale";
    QCOMPARE(int(Firmware_GetPTBT(text)), result);
    if (!refuse)
        QCOMPARE(text, name);
    QVERIFY(answerer->messages().isEmpty());
    scalerLink().CloseChannel();
}

void TestProgramme::portThatDoesNotOpen()
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
    verifyIdle();
}

void TestProgramme::pureCuts_data()
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

void TestProgramme::pureCuts()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, ident);
    if (ident == "!") {
        QVERIFY_THROWS_EXCEPTION(RunError, ScalerProtocol::identificationFromLine(line));
        return;
    }
    QCOMPARE(ScalerProtocol::identificationFromLine(line), ident);
}

void TestProgramme::plainFileNames_data()
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

void TestProgramme::plainFileNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, plain);
    QCOMPARE(ScalerProtocol::isPlainFileName(name), plain);
    // Such a name names no file at all, inside the folder or out of it.
    QCOMPARE(ScalerProtocol::firmwareFilePath(QStringLiteral("/fw"), name).isEmpty(), !plain);
}

QTEST_MAIN(TestProgramme)
#include "tst_programme.moc"
