// The program's start, its settings and its endings, as the technician sees
// them: the window, its caption and buttons, the messages, the store.
#include "ErrorControl.h"
#include "ErrorLog.h"
#include "HiResPerc.h"
#include "ProcessEnd.h"
#include "ProgramFixture.h"
#include "ScalerSettings.h"
#include "frm_programme.h"
#include "mod_MsgBoxEx.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {
using Values = QMap<QString, QString>;
const QString kPathNotSet = QStringLiteral(
    "Firmware Path|48|Firmware path not set please set using File->Firmware File Path");

} // namespace

class TestStartup : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    // First: secure connections are looked for once, and then stay as found.
    void missingSecureConnectionsAreNamed();
    void pieces_data();
    void pieces();
    void startUp_data();
    void startUp();
    void numbersThatDoNotFit_data();
    void numbersThatDoNotFit();
    void endings_data();
    void endings();
    void linkThatDoesNotOpen();
    void layoutFollowsTheDesign();
};

void TestStartup::missingSecureConnectionsAreNamed()
{
    // Qt's TLS plugins are found through the library paths: with none to
    // search, secure connections are missing as on a machine without them.
    const QStringList paths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({env->path(QStringLiteral("no-plugins"))});
    frm_programme window(env->paths());
    Main(window, env->paths());
    QCoreApplication::setLibraryPaths(paths);
    QVERIFY(window.cmd_checkupdate->isHidden());
#ifdef Q_OS_WIN
    const QString missing = QStringLiteral("Incorrect version of Wininet.dll you must have \r\n"
                                           "version 5 or above of Internet Explorer installed");
#else
    const QString missing = QStringLiteral("Check Update needs Qt's OpenSSL plugin "
                                           "(libqt6network6),\r\nwhich could not be loaded. "
                                           "Install it and start the program again.");
#endif
    QCOMPARE(answerer->shown(), QStringList{QStringLiteral("VQ Update|48|") + missing});
}

void TestStartup::pieces_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    const auto cut = [](const char *text, const char *ch) {
        return TruncateAtChar(QString::fromLatin1(text), QString::fromLatin1(ch));
    };
    const auto caption = [](qint32 type) {
        return windowCaption(type, QStringLiteral("COM3:"), QStringLiteral("192.168.1.1"));
    };
    const auto visibility = [](qint32 code) {
        const std::optional<bool> v = checkUpdateVisibility(code);
        return QString::fromLatin1(!v ? "unchanged" : *v ? "shown" : "hidden");
    };
    row("cut: absent", cut("abc", "."), "abc");
    row("cut: first of several", cut("a.b.c", "."), "a");
    row("cut: at the start", cut(".abc", "."), "");
    row("cut: case-sensitive", cut("aBc", "b"), "aBc");
    row("caption: serial", caption(1), "VQ Update - COM3:");
    row("caption: ethernet", caption(0), "VQ Update - 192.168.1.1");
    row("caption: other type keeps its blank", caption(7), "VQ Update ");
    row("caption: negative type", caption(-1), "VQ Update ");
    for (qint32 code : {0, 2, 6})
        QTest::addRow("internet %d leaves the button", code) << visibility(code) << "unchanged";
    for (qint32 code : {3, 4})
        QTest::addRow("internet %d hides it", code) << visibility(code) << "hidden";
    for (qint32 code : {1, 5})
        QTest::addRow("internet %d shows it", code) << visibility(code) << "shown";
}

void TestStartup::pieces()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

void TestStartup::startUp_data()
{
    QTest::addColumn<Values>("stored");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("programmeEnabled");
    QTest::addColumn<QStringList>("messages");
    const QString comms = QStringLiteral("Comms Type"), com1 = QStringLiteral("VQ Update - COM1:");
    row("empty store", Values{}, com1, true, QStringList{});
    row("firmware stored empty", Values{{QStringLiteral("Firmware"), QString()}}, com1, false,
        QStringList{kPathNotSet});
    row("ethernet",
        Values{{comms, QStringLiteral("0")}, {QStringLiteral("EthernetAddress"), "10.0.0.7"}},
        QStringLiteral("VQ Update - 10.0.0.7"), true, QStringList{});
    row("serial port COM3", Values{{QStringLiteral("Serial Port"), "COM3:"}},
        QStringLiteral("VQ Update - COM3:"), true, QStringList{});
    row("unknown comms type", Values{{comms, "7"}}, QStringLiteral("VQ Update "), true,
        QStringList{});
}

void TestStartup::startUp()
{
    QFETCH(Values, stored);
    QFETCH(QString, caption);
    QFETCH(bool, programmeEnabled);
    QFETCH(QStringList, messages);
    env->store(stored);

    frm_programme window(env->paths());
    Main(window, env->paths());
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.cmd_programme_prog->isEnabled(), programmeEnabled);
    QVERIFY(!window.cmd_abort->isEnabled() && !window.cmd_checkupdate->isHidden());
    QVERIFY(window.isVisible());
    QCOMPARE(answerer->shown(), messages);
    // The log was switched on in the user's state folder (on Windows, the
    // program's), and nothing went to it.
#ifdef Q_OS_WIN
    const QString logFolder = env->programFolder();
    const QString firmware = QDir::toNativeSeparators(env->programFolder() + u'/');
#else
    const QString logFolder = env->path(QStringLiteral("state")) + "/ORVANT/Flashwright";
    const QString firmware =
        env->path(QStringLiteral("data")) + QStringLiteral("/ORVANT/Flashwright/firmware/");
#endif
    QCOMPARE(ErrorLog::target(), logFolder + QStringLiteral("/Programmererror.log"));
    QVERIFY(env->logLines().isEmpty());
    if (stored.isEmpty()) { // the defaults of a first run
        const ScalerSettings &s = window.settings();
        QCOMPARE(s.FirmwarePath, firmware);
        QVERIFY(QFileInfo(firmware).isDir()); // made, to be filled
        QCOMPARE(QStringList({QString::number(s.ActiveChannel), s.EthernetAddress,
                              s.EthernetNetMask, s.EthernetPort, s.CommsName, s.SerialParameters,
                              s.SerialPort, QString::number(s.CommsType)}),
                 QStringList({"0", "192.168.1.1", "255.255.255.000", "10001", "", "57600,n,8,1",
                              "COM1:", "1"}));
    }
}

void TestStartup::numbersThatDoNotFit_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint32>("read");
    QTest::addColumn<bool>("logged"); // the default was taken, and the log says why
    const QString channel = QStringLiteral("Active Channel");
    const QString type = QStringLiteral("Comms Type");
    row("channel in range", channel, "-32768", -32768, false);
    row("channel with blanks", channel, " 3 ", 3, false);
    for (const char *bad : {"32768", "abc", "1.5", ""})
        QTest::addRow("channel \"%s\"", bad) << channel << bad << 0 << true;
    row("type other whole number stays", type, "7", 7, false);
    row("type zero is ethernet", type, "0", 0, false);
    row("type too big", type, "2147483648", 1, true);
    row("type garbage", type, "serial", 1, true);
}

void TestStartup::numbersThatDoNotFit()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(qint32, read);
    QFETCH(bool, logged);
    env->store({{key, stored}});
    const ScalerSettings settings = LoadSettings(QString());
    QCOMPARE(key == QLatin1String("Active Channel") ? qint32(settings.ActiveChannel)
                                                    : settings.CommsType,
             read);
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), logged ? 1 : 0);
    if (logged)
        QVERIFY2(lines[0].contains(QLatin1Char('"') + key + QLatin1Char('"')) &&
                     lines[0].contains(QLatin1Char('"') + stored + QLatin1Char('"')),
                 qPrintable(lines[0]));
    QVERIFY(answerer->messages().isEmpty());
    // The bad text is still in the store: nothing was overwritten by reading.
    QCOMPARE(openSettingsStore()->value(key).toString(), stored);
}

void TestStartup::endings_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("saved"); // the store's keys afterwards
    QTest::newRow("closing saves every key")
        << "close"
        << QStringList{"Active Channel",    "Comms Name",      "Comms Type", "Ethernet Port",
                       "EthernetAddress",   "EthernetNetMask", "Firmware",   "Left",
                       "Serial Parameters", "Serial Port",     "Top"};
    QTest::newRow("File, Exit saves nothing") << "exit" << QStringList{"Comms Name", "Comms Type"};
    QTest::newRow("an unwritable store is named") << "unwritable" << QStringList{};
}

void TestStartup::endings()
{
    QFETCH(QString, how);
    QFETCH(QStringList, saved);
    env->store({{QStringLiteral("Comms Type"), QStringLiteral("7")},
                {QStringLiteral("Comms Name"), QStringLiteral("bench")}});
    frm_programme window(env->paths());
    Main(window, env->paths());
    window.move(150, 90);
    if (how == QLatin1String("exit")) {
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, window.mnu_programme_exit_Click());
    } else {
        if (how == QLatin1String("unwritable")) {
#ifdef Q_OS_WIN
            QSKIP("the store is the registry on Windows; this row makes the INI file's folder "
                  "unwritable");
#endif
            // The store's folder cannot be made: a file stands where it would go.
            QDir(env->path(QStringLiteral("config"))).removeRecursively();
            QFile(env->path(QStringLiteral("config"))).open(QIODevice::WriteOnly);
        }
        QVERIFY(window.close());
    }
    const auto store = openSettingsStore();
    QStringList keys = store->childKeys();
    keys.sort();
    QCOMPARE(keys, saved);
    if (how == QLatin1String("close")) {
        // Carried values are saved as they were read; the position in twips.
        QStringList values;
        for (const char *key :
             {"Comms Type", "Comms Name", "Active Channel", "Serial Parameters", "Left", "Top"})
            values << store->value(QLatin1String(key)).toString();
        QCOMPARE(values,
                 (QStringList{"7", "bench", "0", "57600,n,8,1", QString::number(window.leftTwips()),
                              QString::number(window.topTwips())}));
        QVERIFY(window.leftTwips() > 0);
    }
    const bool unwritable = how == QLatin1String("unwritable");
    // The technician learns that nothing was saved, and where the store is.
    QCOMPARE(answerer->shown(),
             unwritable ? QStringList{QStringLiteral("Application problem|48|Error 8030\r\nThe "
                                                     "settings were not saved.\r\nThey belong in "
                                                     "%1, which could not be written.")
                                          .arg(QDir::toNativeSeparators(env->storeFile()))}
                        : QStringList{});
    QCOMPARE(env->logLines().size(), unwritable ? 1 : 0);
    if (unwritable)
        QVERIFY(logTail(env->logLines().last())
                    .startsWith(QStringLiteral("FILE:frm_programme SUB:Form Unload Error: 8030")));
}

void TestStartup::linkThatDoesNotOpen()
{
    // On Windows COM1 is the system's; scripts/windows makes it lead nowhere under Wine.
    env->mapPort(QStringLiteral("COM1"), env->path(QStringLiteral("no-such-tty")));
    frm_programme window(env->paths());
    Main(window, env->paths());
    window.setCaption(QStringLiteral("before"));
    QVERIFY(!window.openLink());
    QCOMPARE(answerer->shown(),
             QStringList{QStringLiteral(" Error |16|Can't Open default communications port please "
                                        "select Tools->Communications and set a new "
                                        "communications port")});
    QCOMPARE(window.windowTitle(), QStringLiteral("before"));
    // The reason is in the log for the technician.
#ifdef Q_OS_WIN
    const QString device = QStringLiteral("(COM1)");
#else
    const QString device = QStringLiteral("no-such-tty");
#endif
    QVERIFY2(env->logLines().value(0).contains(device), qPrintable(env->logLines().value(0)));
}

void TestStartup::layoutFollowsTheDesign()
{
    frm_programme window(env->paths());
    Main(window, env->paths());
    window.show();
    const double dpi = window.logicalDpiX();
    const auto at = [dpi](int l, int t, int w, int h) {
        return QRect(twipsToPixels(l, dpi), twipsToPixels(t, dpi), twipsToPixels(w, dpi),
                     twipsToPixels(h, dpi));
    };
    // The status line grows to the right, never below the design, for its longest text.
    const QRect status = at(480, 120, 3975, 255);
    QCOMPARE(window.lbl_firmware->geometry().adjusted(
                 0, 0, status.width() - window.lbl_firmware->width(), 0),
             status);
    QVERIFY(window.lbl_firmware->width() >= status.width());
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
        QVERIFY(b->width() >= at(0, 0, 1380, 345).width() && b->y() == at(0, 960, 0, 0).y());
        QVERIFY2(client.contains(b->geometry()), qPrintable(b->text()));
        QVERIFY(i == 0 ? b->x() == at(120, 0, 0, 0).x() : b->x() > row[i - 1]->geometry().right());
    }
    QVERIFY(!window.mnu_file_debug->isVisible() && !window.mnu_file_debug->isEnabled());
    QVERIFY(!window.mnu_programme_file_load->isVisible());
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
