#include "ErrorControl.h"
#include "ErrorLog.h"
#include "ProcessEnd.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "Trap.h"

#include <QFile>
#include <QTest>

#include <memory>

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

    void logLineLayout_data();
    void logLineLayout();
    void logTimeHasSeconds();
    void messageTable_data();
    void messageTable();
    void repeatWatch_data();
    void repeatWatch();
    void fatalNumbers_data();
    void fatalNumbers();
    void logEntryStaysOnOneLine();
    void unwritableLogFallsBack();
    void trapGoesOnAfterFailingStep();
    void stoppingTrapLeavesWhenDeclined();
    void trapLetsProgramEndThrough();

private:
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<ScriptedAnswerer> answerer;
};

void TestErrors::logLineLayout_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("tail");
    QTest::newRow("positive gets one blank") << 9001 << "FILE:mod SUB:proc Error: 9001 Desc: d";
    QTest::newRow("zero gets one blank") << 0 << "FILE:mod SUB:proc Error: 0 Desc: d";
    QTest::newRow("negative gets its sign, no blank")
        << -2147221051 << "FILE:mod SUB:proc Error:-2147221051 Desc: d";
}

void TestErrors::logLineLayout()
{
    QFETCH(qint32, number);
    QFETCH(QString, tail);
    const QLocale c = QLocale::c();
    const QDate date(2026, 12, 6);
    const QString line = ErrorControl::logLine(QTime(14, 3, 22), date, c, QStringLiteral("mod"),
                                               QStringLiteral("proc"), number, QStringLiteral("d"));
    QCOMPARE(line, QStringLiteral("14:03:22 ") + c.toString(date, QLocale::ShortFormat) +
                       QLatin1Char(' ') + tail);
}

void TestErrors::logTimeHasSeconds()
{
    // A short time format without seconds still logs them.
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QString line = ErrorControl::logLine(QTime(14, 3, 22), QDate(2026, 1, 2), us, QString(),
                                               QString(), 1, QString());
    QVERIFY2(line.startsWith(QStringLiteral("2:03:22")), qPrintable(line));
}

void TestErrors::messageTable_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<qint32>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("style");
    QTest::addColumn<bool>("result");

    const QString goOn =
        QStringLiteral("An Error Occured in the application\r\nAttempt to continue?");
    QTest::newRow("port error, Yes goes on")
        << 8018 << 6
        << "Serial Communications Port Could not be opened\r\nPlease verify that the correct port "
           "is used"
        << 52 << true;
    QTest::newRow("port error, No stops") << 8018 << 7
                                          << "Serial Communications Port Could not be opened\r\n"
                                             "Please verify that the correct port is used"
                                          << 52 << false;
    QTest::newRow("upload problem is never Yes")
        << 9001 << 6
        << "Error 9001\r\nScaler upload problem.\r\n\r\nEnsure no other applications are "
           "running\r\n"
           "during the programming cycle"
        << 48 << false;
    QTest::newRow("bad response") << 9003 << 1
                                  << "Error 9003\r\nIncorrect responce during programming" << 48
                                  << false;
    QTest::newRow("file not found")
        << 9005 << 1 << "Error 9005\r\nFirmware file not found" << 48 << false;
    QTest::newRow("read setting forced No")
        << 9007 << 6 << "Error 9007\r\nTried to read a scaler setting, scaler did not respond\r\n"
        << 48 << false;
    QTest::newRow("error test") << 9000 << 6 << "Error test" << 52 << true;
    QTest::newRow("9002") << 9002 << 1 << "Error 9002\r\nIncorrect responce during programming"
                          << 48 << false;
    QTest::newRow("9004") << 9004 << 1 << "Error 9004\r\nIncorrect responce during programming"
                          << 48 << false;
    QTest::newRow("program setting forced No")
        << 9006 << 6
        << "Error 9006\r\nTried to program a scaler setting, scaler did not respond\r\n"
           "The setting may not have been programmed correctly"
        << 48 << false;
    QTest::newRow("unknown number, Yes") << 1234 << 6 << goOn << 52 << true;
    QTest::newRow("negative unknown number, No") << -5 << 7 << goOn << 52 << false;
}

void TestErrors::messageTable()
{
    QFETCH(qint32, number);
    QFETCH(qint32, answer);
    QFETCH(QString, text);
    QFETCH(qint32, style);
    QFETCH(bool, result);

    answerer->plan({answer});
    QCOMPARE(ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("p"), number, true), result);
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(answerer->messages().first().text, text);
    QCOMPARE(answerer->messages().first().style, style);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    QCOMPARE(env->logLines().size(), 1);
    QVERIFY(logTail(env->logLines().first()).startsWith(QStringLiteral("FILE:m SUB:p Error:")));
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

void TestErrors::fatalNumbers_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("style");
    QTest::addColumn<bool>("logged");
    QTest::newRow("430 logs, then ends")
        << 430 << "Problem with application DLL's please re-install the programmer" << 16 << true;
    QTest::newRow("32811 ends without a log line")
        << 32811 << "Problem with application DLL's please reinstall product" << 48 << false;
    QTest::newRow("800401C5 ends without a log line")
        << -2147221051
        << "This feature requires Internet explorer version 5 or above to be installed" << 48
        << false;
}

void TestErrors::fatalNumbers()
{
    QFETCH(qint32, number);
    QFETCH(QString, text);
    QFETCH(qint32, style);
    QFETCH(bool, logged);
    QVERIFY_THROWS_EXCEPTION(ProgramEnded,
                             ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("p"), number));
    QCOMPARE(answerer->texts(), QStringList{text});
    QCOMPARE(answerer->messages().first().style, style);
    QCOMPARE(env->logLines().size(), logged ? 1 : 0);
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
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    ErrorLog::start(blocker + QStringLiteral("/Programmererror.log"), 2);

    answerer->plan({7});
    QCOMPARE(ErrorCtl().Adderror(QStringLiteral("m"), QStringLiteral("p"), 13), false);
    QCOMPARE(answerer->messages().size(), 1);

    QFile fallback(ErrorLog::fallbackTarget());
    QVERIFY2(fallback.open(QIODevice::ReadOnly), qPrintable(ErrorLog::fallbackTarget()));
    const QStringList lines = QString::fromUtf8(fallback.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines[0].contains(QStringLiteral("cannot be written")));
    QCOMPARE(logTail(lines[1]), QStringLiteral("FILE:m SUB:p Error: 13 Desc: Type mismatch"));
}

void TestErrors::trapGoesOnAfterFailingStep()
{
    Trap trap(QStringLiteral("frm_programme"), QStringLiteral("Frm_load"));
    QStringList ran;
    trap([&] { ran << QStringLiteral("a"); });
    trap([&] {
        throw RunError(RunError::SubscriptOutOfRange);
        ran << QStringLiteral("never");
    });
    trap([&] { throw std::runtime_error("boom"); });
    trap([&] { ran << QStringLiteral("c"); });
    QCOMPARE(ran, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    QCOMPARE(trap.lastError(), 51);
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(
        logTail(lines[0]),
        QStringLiteral("FILE:frm_programme SUB:Frm_load Error: 9 Desc: Subscript out of range"));
    QCOMPARE(logTail(lines[1]),
             QStringLiteral("FILE:frm_programme SUB:Frm_load Error: 51 Desc: boom"));
}

void TestErrors::stoppingTrapLeavesWhenDeclined()
{
    Trap trap(QStringLiteral("frm_commsettings"), QStringLiteral("Form_Load"),
              Trap::StopWhenDeclined);
    answerer->plan({6, 7});
    QVERIFY(trap([] { throw RunError(RunError::TypeMismatch); }));
    QVERIFY(!trap([] { throw RunError(RunError::TypeMismatch); }));
    QVERIFY(trap([] {}));
}

void TestErrors::trapLetsProgramEndThrough()
{
    // An ending inside a step ends the handler too; the trap does not swallow it.
    Trap trap(QStringLiteral("m"), QStringLiteral("p"));
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, trap([] { endProgramNow(0); }));
    QCOMPARE(trap.lastError(), 0);
    QVERIFY(answerer->messages().isEmpty());
}

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
