#include "ErrorControl.h"
#include "HiResPerc.h"
#include "LinkInstances.h"
#include "ProcessEnd.h"
#include "ProgramFixture.h"
#include "ScalerSettings.h"
#include "frm_programme.h"
#include "mod_MsgBoxEx.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {
using Values = QMap<QString, QString>;

// The store's section as the program sees it.
std::unique_ptr<QSettings> store()
{
    return openSettingsStore();
}

const QString kPathNotSet =
    QStringLiteral("Firmware path not set please set using File->Firmware File Path");
} // namespace

class TestStartup : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    // First: secure connections are looked for once, and then stay as found.
    void missingSecureConnectionsAreNamed();
    void truncateAtChar_data();
    void truncateAtChar();
    void caption_data();
    void caption();
    void internetSupport_data();
    void internetSupport();
    void firstRunTakesDefaults();
    void numbersThatDoNotFit_data();
    void numbersThatDoNotFit();
    void startUp_data();
    void startUp();
    void closingSavesEveryKey();
    void exitSavesNothing();
    void unwritableStoreIsReported();
    void linkThatDoesNotOpen();
    void layoutFollowsTheDesign();
};

void TestStartup::missingSecureConnectionsAreNamed()
{
    // Qt's TLS plugins are found through the library paths: with none to
    // search, secure connections are missing as on a machine without them.
    const QStringList paths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({env->path(QStringLiteral("no-plugins"))});
    frm_programme window;
    Main();
    QCoreApplication::setLibraryPaths(paths);
    QVERIFY(window.cmd_checkupdate->isHidden());
    QCOMPARE(answerer->messages().size(), 1);
    const MessageRequest &m = answerer->messages().first();
    QCOMPARE(m.title, QStringLiteral("VQ Update"));
    QCOMPARE(m.style, 48);
    QCOMPARE(m.text, QStringLiteral("Check Update needs Qt's OpenSSL plugin (libqt6network6),\r\n"
                                    "which could not be loaded. Install it and start the program "
                                    "again."));
}

void TestStartup::truncateAtChar_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ch");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absent") << "abc"
                            << "."
                            << "abc";
    QTest::newRow("first of several") << "a.b.c"
                                      << "."
                                      << "a";
    QTest::newRow("at the start") << ".abc"
                                  << "."
                                  << "";
    QTest::newRow("case-sensitive") << "aBc"
                                    << "b"
                                    << "aBc";
    QTest::newRow("empty text") << ""
                                << "."
                                << "";
}

void TestStartup::truncateAtChar()
{
    QFETCH(QString, text);
    QFETCH(QString, ch);
    QFETCH(QString, expected);
    QCOMPARE(TruncateAtChar(text, ch), expected);
}

void TestStartup::caption_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QString>("expected");
    QTest::newRow("serial") << 1 << "VQ Update - COM3:";
    QTest::newRow("ethernet") << 0 << "VQ Update - 192.168.1.1";
    QTest::newRow("other keeps its trailing blank") << 7 << "VQ Update ";
    QTest::newRow("negative") << -1 << "VQ Update ";
}

void TestStartup::caption()
{
    QFETCH(qint32, type);
    QFETCH(QString, expected);
    QCOMPARE(windowCaption(type, QStringLiteral("COM3:"), QStringLiteral("192.168.1.1")), expected);
}

void TestStartup::internetSupport_data()
{
    QTest::addColumn<qint32>("code");
    QTest::addColumn<int>("visible"); // -1 unchanged
    for (qint32 c : {0, 2, 6})
        QTest::addRow("%d leaves the button", c) << c << -1;
    for (qint32 c : {3, 4})
        QTest::addRow("%d hides it", c) << c << 0;
    for (qint32 c : {1, 5})
        QTest::addRow("%d shows it", c) << c << 1;
}

void TestStartup::internetSupport()
{
    QFETCH(qint32, code);
    QFETCH(int, visible);
    const std::optional<bool> v = checkUpdateVisibility(code);
    QCOMPARE(v.has_value() ? int(*v) : -1, visible);
}

void TestStartup::firstRunTakesDefaults()
{
    LoadSettings();
    const ScalerSettings &s = programSettings();
    QCOMPARE(s.FirmwarePath, QDir::toNativeSeparators(env->programFolder()) + QDir::separator());
    QCOMPARE(s.ActiveChannel, qint16(0));
    QCOMPARE(s.EthernetAddress, QStringLiteral("192.168.1.1"));
    QCOMPARE(s.EthernetNetMask, QStringLiteral("255.255.255.000"));
    QCOMPARE(s.EthernetPort, QStringLiteral("10001"));
    QCOMPARE(s.CommsName, QString());
    QCOMPARE(s.SerialParameters, QStringLiteral("57600,n,8,1"));
    QCOMPARE(s.SerialPort, QStringLiteral("COM1:"));
    QCOMPARE(s.CommsType, 1);
    QVERIFY(env->logLines().isEmpty());

    // The root folder already ends in a separator: the default then has two.
    setProgramFolder(QDir::rootPath());
    QVERIFY(defaultFirmwarePath().endsWith(QString(QDir::separator()) + QDir::separator()));
}

void TestStartup::numbersThatDoNotFit_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint32>("channel");
    QTest::addColumn<qint32>("type");
    QTest::addColumn<bool>("logged");
    QTest::newRow("channel in range") << "Active Channel"
                                      << "-32768" << -32768 << 1 << false;
    QTest::newRow("channel with blanks") << "Active Channel"
                                         << " 3 " << 3 << 1 << false;
    QTest::newRow("channel too big") << "Active Channel"
                                     << "32768" << 0 << 1 << true;
    QTest::newRow("channel not a number") << "Active Channel"
                                          << "abc" << 0 << 1 << true;
    QTest::newRow("channel a fraction") << "Active Channel"
                                        << "1.5" << 0 << 1 << true;
    QTest::newRow("channel empty") << "Active Channel"
                                   << "" << 0 << 1 << true;
    QTest::newRow("type other whole number stays") << "Comms Type"
                                                   << "7" << 0 << 7 << false;
    QTest::newRow("type zero is ethernet") << "Comms Type"
                                           << "0" << 0 << 0 << false;
    QTest::newRow("type too big") << "Comms Type"
                                  << "2147483648" << 0 << 1 << true;
    QTest::newRow("type garbage") << "Comms Type"
                                  << "serial" << 0 << 1 << true;
}

void TestStartup::numbersThatDoNotFit()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(qint32, channel);
    QFETCH(qint32, type);
    QFETCH(bool, logged);
    env->store({{key, stored}});
    LoadSettings();
    QCOMPARE(qint32(programSettings().ActiveChannel), channel);
    QCOMPARE(programSettings().CommsType, type);
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), logged ? 1 : 0);
    if (logged)
        QVERIFY2(lines[0].contains(QLatin1Char('"') + key + QLatin1Char('"')) &&
                     lines[0].contains(QLatin1Char('"') + stored + QLatin1Char('"')),
                 qPrintable(lines[0]));
    QVERIFY(answerer->messages().isEmpty());
    // The bad text is still in the store: nothing was overwritten by reading.
    QCOMPARE(store()->value(key).toString(), stored);
}

void TestStartup::startUp_data()
{
    QTest::addColumn<Values>("stored");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("programmeEnabled");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("empty store") << Values{} << "VQ Update - COM1:" << true << QStringList{};
    QTest::newRow("firmware stored empty")
        << Values{{QStringLiteral("Firmware"), QString()}} << "VQ Update - COM1:" << false
        << QStringList{kPathNotSet};
    QTest::newRow("ethernet") << Values{{QStringLiteral("Comms Type"), QStringLiteral("0")},
                                        {QStringLiteral("EthernetAddress"),
                                         QStringLiteral("10.0.0.7")}}
                              << "VQ Update - 10.0.0.7" << true << QStringList{};
    QTest::newRow("serial port COM3")
        << Values{{QStringLiteral("Serial Port"), QStringLiteral("COM3:")}}
        << "VQ Update - COM3:" << true << QStringList{};
    QTest::newRow("unknown comms type")
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("7")}} << "VQ Update " << true
        << QStringList{};
}

void TestStartup::startUp()
{
    QFETCH(Values, stored);
    QFETCH(QString, caption);
    QFETCH(bool, programmeEnabled);
    QFETCH(QStringList, messages);
    env->store(stored);

    frm_programme window;
    Main();
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.cmd_programme_prog->isEnabled(), programmeEnabled);
    QVERIFY(!window.cmd_abort->isEnabled());
    QVERIFY(!window.cmd_checkupdate->isHidden());
    QVERIFY(window.isVisible());
    QCOMPARE(answerer->texts(), messages);
    if (!messages.isEmpty()) {
        QCOMPARE(answerer->messages().first().style, 48);
        QCOMPARE(answerer->messages().first().title, QStringLiteral("Firmware Path"));
    }
    // The log was switched on in the program's folder.
    QCOMPARE(QDir::cleanPath(errorLogTarget()),
             QDir::cleanPath(env->programFolder() + QStringLiteral("/Programmererror.log")));
}

void TestStartup::closingSavesEveryKey()
{
    env->store({{QStringLiteral("Comms Type"), QStringLiteral("7")},
                {QStringLiteral("Comms Name"), QStringLiteral("bench")}});
    frm_programme window;
    Main();
    window.move(150, 90);
    QVERIFY(window.close());

    const auto stored = store();
    QSettings &s = *stored;
    QStringList keys = s.childKeys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"Active Channel", "Comms Name", "Comms Type", "Ethernet Port",
                                "EthernetAddress", "EthernetNetMask", "Firmware", "Left",
                                "Serial Parameters", "Serial Port", "Top"}));
    QCOMPARE(s.value(QStringLiteral("Comms Type")).toString(), QStringLiteral("7"));
    QCOMPARE(s.value(QStringLiteral("Comms Name")).toString(), QStringLiteral("bench"));
    QCOMPARE(s.value(QStringLiteral("Serial Parameters")).toString(),
             QStringLiteral("57600,n,8,1"));
    QCOMPARE(s.value(QStringLiteral("Active Channel")).toString(), QStringLiteral("0"));
    QCOMPARE(s.value(QStringLiteral("Left")).toString(), QString::number(window.leftTwips()));
    QCOMPARE(s.value(QStringLiteral("Top")).toString(), QString::number(window.topTwips()));
    QVERIFY(window.leftTwips() > 0);

    // What was saved is what the next start reads.
    programSettings() = ScalerSettings();
    LoadSettings();
    QCOMPARE(programSettings().CommsType, 7);
    QCOMPARE(programSettings().SerialParameters, QStringLiteral("57600,n,8,1"));
}

void TestStartup::exitSavesNothing()
{
    frm_programme window;
    Main();
    try {
        window.mnu_programme_exit_Click();
        QFAIL("Exit did not end the program");
    } catch (const ProgramEnded &e) {
        QCOMPARE(e.exitCode, 0);
    }
    QVERIFY(store()->childKeys().isEmpty());
    QVERIFY(env->logLines().isEmpty());
}

void TestStartup::unwritableStoreIsReported()
{
    frm_programme window;
    Main();
    // The store's folder cannot be made: a file stands where it would go.
    QDir(env->path(QStringLiteral("config"))).removeRecursively();
    QFile blocker(env->path(QStringLiteral("config")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QVERIFY(window.close());
    // The technician learns that nothing was saved, and where the store is.
    QCOMPARE(answerer->messages().size(), 1);
    const MessageRequest &m = answerer->messages().first();
    QCOMPARE(m.title, QStringLiteral("Application problem"));
    QCOMPARE(m.style, 48);
    QCOMPARE(m.text, QStringLiteral("Error 8030\r\nThe settings were not saved.\r\n"
                                    "They belong in %1, which could not be written.")
                         .arg(QDir::toNativeSeparators(env->storeFile())));
    const QStringList lines = env->logLines();
    QVERIFY(!lines.isEmpty());
    QVERIFY2(logTail(lines.last())
                 .startsWith(QStringLiteral("FILE:frm_programme SUB:Form Unload Error: 8030")),
             qPrintable(lines.last()));
}

void TestStartup::linkThatDoesNotOpen()
{
    env->mapPort(QStringLiteral("COM1"), env->path(QStringLiteral("no-such-tty")));
    frm_programme window;
    Main();
    window.setCaption(QStringLiteral("before"));
    QVERIFY(!OpenScalerLink());
    QCOMPARE(answerer->texts(), QStringList{QStringLiteral(
                                    "Can't Open default communications port please select "
                                    "Tools->Communications and set a new communications port")});
    QCOMPARE(answerer->messages().first().style, 16);
    QCOMPARE(answerer->messages().first().title, QStringLiteral(" Error "));
    QCOMPARE(window.windowTitle(), QStringLiteral("before"));
    // The reason is in the log for the technician.
    QVERIFY(!env->logLines().isEmpty());
    QVERIFY2(env->logLines().last().contains(QStringLiteral("no-such-tty")),
             qPrintable(env->logLines().last()));
}

void TestStartup::layoutFollowsTheDesign()
{
    frm_programme window;
    Main();
    window.show();
    const double dpi = window.logicalDpiX();
    const auto at = [dpi](int l, int t, int w, int h) {
        return QRect(twipsToPixels(l, dpi), twipsToPixels(t, dpi), twipsToPixels(w, dpi),
                     twipsToPixels(h, dpi));
    };
    QCOMPARE(window.lbl_firmware->geometry(), at(480, 120, 3975, 255));
    QCOMPARE(window.ProgressBar1->geometry(), at(600, 480, 3735, 375));
    // The buttons keep the design's row and order; each is at least as large as
    // the design made it, and large enough for its caption in the font used here.
    const QList<QPushButton *> row{window.cmd_programme_prog, window.cmd_checkupdate,
                                   window.cmd_abort};
    const QRect client = window.centralWidget()->rect();
    QVERIFY(client.width() >= twipsToPixels(4620, dpi));
    QVERIFY(window.width() >= window.menuBar()->sizeHint().width());
    for (int i = 0; i < row.size(); ++i) {
        const QPushButton *b = row[i];
        QVERIFY2(b->width() >= b->sizeHint().width() && b->height() >= b->sizeHint().height(),
                 qPrintable(b->text() + QStringLiteral(" is clipped")));
        QVERIFY(b->width() >= at(0, 0, 1380, 345).width());
        QCOMPARE(b->y(), at(0, 960, 0, 0).y());
        QVERIFY2(client.contains(b->geometry()), qPrintable(b->text()));
        if (i > 0)
            QVERIFY(b->x() > row[i - 1]->geometry().right());
    }
    QCOMPARE(window.cmd_programme_prog->x(), at(120, 0, 0, 0).x());

    QVERIFY(!window.mnu_file_debug->isVisible() && !window.mnu_file_debug->isEnabled());
    QVERIFY(!window.mnu_programme_file_load->isVisible());
    QCOMPARE(window.mnu_programme_exit->text(), QStringLiteral("&Exit"));
    // Tab goes from button to button in the design's order.
    QList<QWidget *> tabOrder;
    for (QWidget *w = window.cmd_programme_prog; tabOrder.size() < 3; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            tabOrder << w;
    QCOMPARE(tabOrder, (QList<QWidget *>{window.cmd_programme_prog, window.cmd_abort,
                                         window.cmd_checkupdate}));
    // Text from a unit is never taken as markup.
    QCOMPARE(window.lbl_firmware->textFormat(), Qt::PlainText);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
