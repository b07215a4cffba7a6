// Error control, its log, the trap of a handler, and the positioned message
// box's conversion to pixels.
#include "ErrorControl.h"
#include "ErrorLog.h"
#include "ProcessEnd.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "Trap.h"
#include "mod_MsgBoxEx.h"

#include <QFile>
#include <QTest>

namespace {
// A message as the person sees it: title, style, and its lines joined by "|".
QString shown(const MessageRequest &m)
{
    return m.title + u'|' + QString::number(m.style) + u'|' +
           QString(m.text).replace(QStringLiteral("\r\n"), QStringLiteral("|"));
}
} // namespace

class TestErrors : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void logLine_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("line");
        const QLocale c = QLocale::c(), us(QLocale::English, QLocale::UnitedStates);
        const QString day = " " + c.toString(QDate(2026, 12, 6), QLocale::ShortFormat);
        const QString usDay = " " + us.toString(QDate(2026, 12, 6), QLocale::ShortFormat);
        row("zero gets one blank", c, 0, "14:03:22" + day + " FILE:m SUB:p Error: 0 Desc: d");
        row("negative: its sign, no blank", c, -2147221051,
            "14:03:22" + day + " FILE:m SUB:p Error:-2147221051 Desc: d");
        // A short time format without seconds still logs them; a positive number gets one blank.
        row("seconds where the format has none", us, 1,
            "2:03:22 PM" + usDay + " FILE:m SUB:p Error: 1 Desc: d");
    }
    void logLine()
    {
        QFETCH(QLocale, locale);
        QFETCH(qint32, number);
        QTEST(ErrorControl::logLine(QTime(14, 3, 22), QDate(2026, 12, 6), locale, "m", "p", number,
                                    "d")
                  .replace(QChar(0x202F), u' '),
              "line");
    }

    void messageTable_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<QString>("after");   // the result, or how the program ends
        QTest::addColumn<QString>("message"); // style and text, its lines joined by "|"
        const qint32 yes = MsgAnswer::Yes, no = MsgAnswer::No, ok = MsgAnswer::Ok;
        const char *goOn = "52|An Error Occured in the application|Attempt to continue?";
        const QString check = QStringLiteral("|Check the cable or the network, then try again.");
        row("port error, Yes goes on", 8018, yes, "yes",
            "52|Serial Communications Port Could not be opened|Please verify that the correct port "
            "is used");
        row("upload problem is never Yes", 9001, yes, "no",
            "48|Error 9001|Scaler upload problem.||Ensure no other applications are running|during "
            "the programming cycle");
        for (qint32 n : {9002, 9003, 9004})
            QTest::addRow("%d bad response", n)
                << n << ok << "no"
                << QStringLiteral("48|Error %1|Incorrect responce during programming").arg(n);
        row("file not found", 9005, ok, "no", "48|Error 9005|Firmware file not found");
        row("program setting forced No", 9006, yes, "no",
            "48|Error 9006|Tried to program a scaler setting, scaler did not respond|The setting "
            "may not have been programmed correctly");
        row("read setting forced No", 9007, yes, "no",
            "48|Error 9007|Tried to read a scaler setting, scaler did not respond|");
        row("error test", 9000, yes, "yes", "52|Error test");
        row("lost link", 8019, ok, "no",
            "48|Error 8019|The connection to the unit was lost." + check);
        row("failed write", 8020, ok, "no", "48|Error 8020|Writing to the unit failed." + check);
        row("bad command", 8021, ok, "no",
            "48|Error 8021|A command for the unit could not be made, so it was not sent.");
        row("settings not saved name their store", 8030, ok, "no",
            "48|Error 8030|The settings were not saved.|why");
        row("unit log not written names its file", 8032, yes, "no",
            "48|Error 8032|The unit log was not written.|why");
        row("unknown number, Yes", 1234, yes, "yes", goOn);
        row("negative unknown number, No", -5, no, "no", goOn);
        row("430 logs, then ends", 430, ok, "logs, ends",
            "16|Problem with application DLL's please re-install the programmer");
        row("32811 ends without a log line", 32811, ok, "ends",
            "48|Problem with application DLL's please reinstall product");
        row("800401C5 ends without a log line", -2147221051, ok, "ends",
            "48|This feature requires Internet explorer version 5 or above to be installed");
    }
    void messageTable()
    {
        TestEnvironment env;
        ScriptedAnswerer answerer;
        QFETCH(qint32, number);
        QFETCH(qint32, answer);
        QFETCH(QString, message);
        answerer.plan({answer});
        QString after;
        try {
            after = ErrorCtl().Adderror("m", "p", number, true, "why") ? "yes" : "no";
        } catch (const ProgramEnded &) {
            after = env.logLines().isEmpty() ? "ends" : "logs, ends";
        }
        QTEST(after, "after");
        QVERIFY(answerer.messages().size() == 1 && answerer.messages()[0].topmost);
        QCOMPARE(shown(answerer.messages()[0]), "Application problem|" + message);
        const QStringList log = env.logLines();
        // One line naming the failure; its blanks are logLine's business.
        QCOMPARE(log.size(), after == QLatin1String("ends") ? 0 : 1);
        if (!log.isEmpty())
            QCOMPARE(logTail(log[0]).remove(u' '),
                     QStringLiteral("FILE:mSUB:pError:%1Desc:why").arg(number));
    }

    // The fifth report of the first number watched ends the program.
    void repeatWatch_data()
    {
        QTest::addColumn<QList<qint32>>("numbers");
        QTest::addColumn<int>("endsAt"); // the report that ends the program, -1 for none
        QTest::newRow("others in between neither count nor reset")
            << QList<qint32>{1, 2, 1, 2, 1, 3, 1, 2, 1} << 8;
        QTest::newRow("a different number never counts")
            << QList<qint32>{1, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1} << 10;
        QTest::newRow("9006 pulls the count back to 1")
            << QList<qint32>{1, 1, 1, 1, 9006, 1, 1, 1, 1} << 8;
        QTest::newRow("9007 watched first never ends") << QList<qint32>(9, 9007) << -1;
    }
    void repeatWatch()
    {
        TestEnvironment env;
        ScriptedAnswerer answerer;
        QFETCH(QList<qint32>, numbers);
        QFETCH(int, endsAt);
        int ended = -1;
        for (int i = 0; i < numbers.size() && ended < 0; ++i) {
            try {
                ErrorCtl().Adderror("m", QStringLiteral("sub%1").arg(i), numbers[i]);
            } catch (const ProgramEnded &) {
                ended = i;
            }
        }
        QCOMPARE(ended, endsAt);
        if (endsAt >= 0) {
            QCOMPARE(shown(answerer.messages().last()),
                     "Application problem|16|Fatal application error. Please product vendor");
            QCOMPARE(env.logLines().last(), QStringLiteral("sub%1").arg(endsAt));
        }
    }

    void unwritableLogFallsBack()
    {
        TestEnvironment env;
        ScriptedAnswerer answerer;
        // A log target under a plain file cannot be opened, even by root.
        const QString blocker = env.path("blocker");
        QFile(blocker).open(QIODevice::WriteOnly);
        ErrorLog::start(blocker + "/Programmererror.log", 2);
        answerer.plan({MsgAnswer::No});
        QCOMPARE(ErrorCtl().Adderror("m", "p", 13), false);
        QFile fallback(ErrorLog::fallbackTarget());
        QVERIFY2(fallback.open(QIODevice::ReadOnly | QIODevice::Text),
                 qPrintable(ErrorLog::fallbackTarget()));
        const QStringList lines = QString::fromUtf8(fallback.readAll()).split(u'\n');
        QVERIFY(lines[0].contains("cannot be written"));
        QCOMPARE(logTail(lines[1]), "FILE:m SUB:p Error: 13 Desc: Type mismatch");
    }

    void trap()
    {
        TestEnvironment env;
        ScriptedAnswerer answerer;
        // A failing step is reported and the next one runs, std::exceptions too. What the unit
        // sent goes into the procedure name, and cannot split the line.
        Trap trap("mod_scaler_firmware", [] {
            return QStringLiteral("Firmware_Programme <id=a\r\n00:00:00 1/1/01 FILE:x>");
        });
        QStringList ran;
        trap([&] { ran << "a"; });
        trap([&] { throw RunError(RunError::SubscriptOutOfRange); });
        trap([&] { throw std::runtime_error("boom\nsplit"); });
        trap([&] { ran << "c"; });
        QCOMPARE(ran, (QStringList{"a", "c"}));
        const QString sub = QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_Programme "
                                           "<id=a\\x0D\\x0A00:00:00 1/1/01 FILE:x>");
        QCOMPARE(env.logLines().size(), 2);
        QCOMPARE(logTail(env.logLines()[0]), sub + " Error: 9 Desc: Subscript out of range");
        QCOMPARE(logTail(env.logLines()[1]), sub + " Error: 51 Desc: boom\\x0Asplit");
    }

    // Twips become pixels rounded to the nearest, halves to even (15 twips a pixel at 96 dpi).
    void twipsToPixelsRoundsHalvesToEven()
    {
        QCOMPARE(twipsToPixels(337.5, 96), 22);
        QCOMPARE(twipsToPixels(352.5, 96), 24);
        QCOMPARE(twipsToPixels(-7.5, 96), 0);
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
