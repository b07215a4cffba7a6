// Error control, its log, the trap of a handler, and the positioned message
// box's arithmetic.
#include "ErrorControl.h"
#include "ErrorLog.h"
#include "ProcessEnd.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "Trap.h"
#include "mod_MsgBoxEx.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace {
const QString kGoOn = QStringLiteral("An Error Occured in the application\r\nAttempt to continue?");
}

class TestErrors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        env = std::make_unique<TestEnvironment>();
        answerer = std::make_unique<ScriptedAnswerer>();
    }
    void cleanup()
    {
        answerer.reset();
        env.reset();
    }

    void logLine_data();
    void logLine();
    void messageTable_data();
    void messageTable();
    void repeatWatch_data();
    void repeatWatch();
    void logEntryStaysOnOneLine();
    void unwritableLogFallsBack();
    void trap();
    void boxPlace_data();
    void boxPlace();

private:
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<ScriptedAnswerer> answerer;
};

void TestErrors::logLine_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("line");
    const QLocale c = QLocale::c();
    const QString date = c.toString(QDate(2026, 12, 6), QLocale::ShortFormat);
    QTest::newRow("positive gets one blank")
        << c << 9001 << "14:03:22 " + date + " FILE:mod SUB:proc Error: 9001 Desc: d";
    QTest::newRow("zero gets one blank")
        << c << 0 << "14:03:22 " + date + " FILE:mod SUB:proc Error: 0 Desc: d";
    QTest::newRow("negative gets its sign, no blank")
        << c << -2147221051 << "14:03:22 " + date + " FILE:mod SUB:proc Error:-2147221051 Desc: d";
    // A short time format without seconds still logs them.
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("seconds where the format has none")
        << us << 1
        << "2:03:22 PM " + us.toString(QDate(2026, 12, 6), QLocale::ShortFormat) +
               " FILE:mod SUB:proc Error: 1 Desc: d";
}

void TestErrors::logLine()
{
    QFETCH(QLocale, locale);
    QFETCH(qint32, number);
    QFETCH(QString, line);
    QCOMPARE(ErrorControl::logLine(QTime(14, 3, 22), QDate(2026, 12, 6), locale,
                                   QStringLiteral("mod"), QStringLiteral("proc"), number,
                                   QStringLiteral("d"))
                 .replace(QChar(0x202F), QLatin1Char(' ')),
             line);
}

void TestErrors::messageTable_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<qint32>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("style");
    QTest::addColumn<QString>("after"); // "yes", "no", or how the program ends
    const QString port = QStringLiteral("Serial Communications Port Could not be opened\r\n"
                                        "Please verify that the correct port is used");
    const QString response = QStringLiteral("\r\nIncorrect responce during programming");
    QTest::newRow("port error, Yes goes on") << 8018 << 6 << port << 52 << "yes";
    QTest::newRow("port error, No stops") << 8018 << 7 << port << 52 << "no";
    QTest::newRow("upload problem is never Yes")
        << 9001 << 6
        << "Error 9001\r\nScaler upload problem.\r\n\r\nEnsure no other applications are "
           "running\r\nduring the programming cycle"
        << 48 << "no";
    for (qint32 n : {9002, 9003, 9004})
        QTest::addRow("%d bad response", n)
            << n << 1 << QStringLiteral("Error %1").arg(n) + response << 48 << "no";
    QTest::newRow("file not found")
        << 9005 << 1 << "Error 9005\r\nFirmware file not found" << 48 << "no";
    QTest::newRow("program setting forced No")
        << 9006 << 6
        << "Error 9006\r\nTried to program a scaler setting, scaler did not respond\r\n"
           "The setting may not have been programmed correctly"
        << 48 << "no";
    QTest::newRow("read setting forced No")
        << 9007 << 6 << "Error 9007\r\nTried to read a scaler setting, scaler did not respond\r\n"
        << 48 << "no";
    QTest::newRow("error test") << 9000 << 6 << "Error test" << 52 << "yes";
    QTest::newRow("lost link")
        << 8019 << 1
        << "Error 8019\r\nThe connection to the unit was lost.\r\nCheck the cable or the network, "
           "then try again."
        << 48 << "no";
    QTest::newRow("failed write")
        << 8020 << 1
        << "Error 8020\r\nWriting to the unit failed.\r\nCheck the cable or the network, then try "
           "again."
        << 48 << "no";
    QTest::newRow("bad command")
        << 8021 << 1
        << "Error 8021\r\nA command for the unit could not be made, so it was not sent." << 48
        << "no";
    QTest::newRow("settings not saved name their store")
        << 8030 << 1 << "Error 8030\r\nThe settings were not saved.\r\nwhy" << 48 << "no";
    QTest::newRow("unknown number, Yes") << 1234 << 6 << kGoOn << 52 << "yes";
    QTest::newRow("negative unknown number, No") << -5 << 7 << kGoOn << 52 << "no";
    QTest::newRow("430 logs, then ends")
        << 430 << 1 << "Problem with application DLL's please re-install the programmer" << 16
        << "ends, logged";
    QTest::newRow("32811 ends without a log line")
        << 32811 << 1 << "Problem with application DLL's please reinstall product" << 48 << "ends";
    QTest::newRow("800401C5 ends without a log line")
        << -2147221051 << 1
        << "This feature requires Internet explorer version 5 or above to be installed" << 48
        << "ends";
}

void TestErrors::messageTable()
{
    QFETCH(qint32, number);
    QFETCH(qint32, answer);
    QFETCH(QString, text);
    QFETCH(qint32, style);
    QFETCH(QString, after);

    answerer->plan({answer});
    bool result = false;
    bool ended = false;
    try {
        result = ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("p"), number, true,
                                     QStringLiteral("why"));
    } catch (const ProgramEnded &) {
        ended = true;
    }
    QCOMPARE(ended    ? after.left(4)
             : result ? QStringLiteral("yes")
                      : QStringLiteral("no"),
             after.left(4));
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(answerer->messages().first().text, text);
    QCOMPARE(answerer->messages().first().style, style);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    const bool logged = !ended || after.endsWith(QLatin1String("logged"));
    QCOMPARE(env->logLines().size(), logged ? 1 : 0);
    if (logged)
        QCOMPARE(logTail(env->logLines().first()),
                 QStringLiteral("FILE:m SUB:p Error:%1%2 Desc: why")
                     .arg(number >= 0 ? QStringLiteral(" ") : QString())
                     .arg(number));
}

void TestErrors::repeatWatch_data()
{
    QTest::addColumn<QList<qint32>>("numbers");
    QTest::addColumn<int>("endsAt"); // index of the report that ends the program, -1 for none
    QTest::addColumn<qint32>("count");
    QTest::newRow("four of the same do not end") << QList<qint32>{1, 1, 1, 1} << -1 << 4;
    QTest::newRow("fifth of the same ends") << QList<qint32>{1, 1, 1, 1, 1} << 4 << 5;
    QTest::newRow("others in between do not count or reset")
        << QList<qint32>{1, 2, 1, 2, 1, 3, 1, 2, 1} << 8 << 5;
    QTest::newRow("a different number never counts")
        << QList<qint32>{1, 2, 2, 2, 2, 2, 2} << -1 << 1;
    QTest::newRow("9006 pulls the count back to 1")
        << QList<qint32>{1, 1, 1, 1, 9006, 1, 1, 1} << -1 << 4;
    QTest::newRow("9007 watched first never ends")
        << QList<qint32>{9007, 9007, 9007, 9007, 9007, 9007} << -1 << 1;
}

void TestErrors::repeatWatch()
{
    QFETCH(QList<qint32>, numbers);
    QFETCH(int, endsAt);
    QFETCH(qint32, count);
    int ended = -1;
    for (int i = 0; i < numbers.size() && ended < 0; ++i) {
        try {
            ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("sub%1").arg(i), numbers[i]);
        } catch (const ProgramEnded &) {
            ended = i;
        }
    }
    QCOMPARE(ended, endsAt);
    QCOMPARE(ErrorCtl().reportCount(), count);
    if (endsAt >= 0) {
        QCOMPARE(answerer->messages().last().text,
                 QStringLiteral("Fatal application error. Please product vendor"));
        QCOMPARE(answerer->messages().last().style, 16);
        QCOMPARE(env->logLines().last(), QStringLiteral("sub%1").arg(endsAt));
    }
}

void TestErrors::logEntryStaysOnOneLine()
{
    // The unit's reply goes into the procedure name of a failing cycle.
    const QString forged = QStringLiteral("Firmware_Programme <id=a\r\n00:00:00 1/1/01 FILE:x\0>");
    ErrorCtl().Adderror(QStringLiteral("mod_scaler_firmware"), forged, 9001, true,
                        QStringLiteral("desc\nsplit"));
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(QStringLiteral("<id=a\\x0D\\x0A00:00:00")), qPrintable(lines[0]));
    QVERIFY(lines[0].endsWith(QStringLiteral("Desc: desc\\x0Asplit")));
}

void TestErrors::unwritableLogFallsBack()
{
    // A log target under a plain file cannot be opened, even by root.
    const QString blocker = env->path(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    ErrorLog::start(blocker + QStringLiteral("/Programmererror.log"), 2);
    answerer->plan({7});
    QCOMPARE(ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("p"), 13), false);
    QFile fallback(ErrorLog::fallbackTarget());
    QVERIFY2(fallback.open(QIODevice::ReadOnly), qPrintable(ErrorLog::fallbackTarget()));
    const QStringList lines = QString::fromUtf8(fallback.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines[0].contains(QStringLiteral("cannot be written")));
    QCOMPARE(logTail(lines[1]), QStringLiteral("FILE:m SUB:p Error: 13 Desc: Type mismatch"));
}

void TestErrors::trap()
{
    // A failing step is reported and the next one runs; std::exceptions too.
    Trap goOn(QStringLiteral("frm_programme"), QStringLiteral("Frm_load"));
    QStringList ran;
    goOn([&] { ran << QStringLiteral("a"); });
    goOn([&] { throw RunError(RunError::SubscriptOutOfRange); });
    goOn([&] { throw std::runtime_error("boom"); });
    goOn([&] { ran << QStringLiteral("c"); });
    QCOMPARE(ran, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    QCOMPARE(goOn.lastError(), 51);
    QCOMPARE(env->logLines().size(), 2);
    QCOMPARE(
        logTail(env->logLines()[0]),
        QStringLiteral("FILE:frm_programme SUB:Frm_load Error: 9 Desc: Subscript out of range"));
    QCOMPARE(logTail(env->logLines()[1]),
             QStringLiteral("FILE:frm_programme SUB:Frm_load Error: 51 Desc: boom"));
    // The stopping form leaves when the person declines to go on.
    Trap stop(QStringLiteral("frm_commsettings"), QStringLiteral("Form_Load"),
              Trap::StopWhenDeclined);
    answerer->plan({6, 7});
    QVERIFY(stop([] { throw RunError(RunError::TypeMismatch); }));
    QVERIFY(!stop([] { throw RunError(RunError::TypeMismatch); }));
    QVERIFY(stop([] {}));
    // An ending inside a step ends the handler too; the trap does not swallow it.
    answerer->clear();
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, goOn([] { endProgramNow(0); }));
    QVERIFY(answerer->messages().isEmpty());
}

void TestErrors::boxPlace_data()
{
    // A 200 x 100 box on an 800 x 600 screen, and twips at 96 dots an inch.
    QTest::addColumn<QPoint>("got");
    QTest::addColumn<QPoint>("expected");
    const auto at = [](int x, int y) {
        return clampBoxPosition(QPoint(x, y), QSize(200, 100), QSize(800, 600));
    };
    QTest::newRow("inside stays") << at(100, 50) << QPoint(100, 50);
    QTest::newRow("far right pulled to 1 px inside") << at(5000, 50) << QPoint(599, 50);
    QTest::newRow("far below pulled to 1 px inside") << at(10, 9000) << QPoint(10, 499);
    QTest::newRow("exactly at the limit stays") << at(599, 499) << QPoint(599, 499);
    QTest::newRow("one past the limit") << at(600, 500) << QPoint(599, 499);
    QTest::newRow("left of the screen moves to 1") << at(-300, 40) << QPoint(1, 40);
    QTest::newRow("above the screen moves to 1") << at(40, -1) << QPoint(40, 1);
    QTest::newRow("zero moves to 1") << at(0, 0) << QPoint(1, 1);
    QTest::newRow("22.5 px rounds down to even")
        << QPoint(twipsToPixels(337.5, 96), twipsToPixels(-15.0, 96)) << QPoint(22, -1);
    QTest::newRow("23.5 px rounds up to even")
        << QPoint(twipsToPixels(352.5, 96), 0) << QPoint(24, 0);
}

void TestErrors::boxPlace()
{
    QFETCH(QPoint, got);
    QFETCH(QPoint, expected);
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
