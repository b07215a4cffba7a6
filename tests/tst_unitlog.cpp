// The unit log as a reader of the file finds it: each record one whole line,
// whatever the file held before and however many processes write at once,
// and a file that cannot be written named in the failure.
#include "RunError.h"
#include "TestEnvironment.h"
#include "UnitLog.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
UnitRecord record(const QString &unit, int size = 0)
{
    UnitRecord r = UnitRecord::begun(QStringLiteral("flashwright-cli"), unit);
    r.errorText = QString(size, u'x'); // longer than a pipe's atomic write
    r.result = QStringLiteral("programmed");
    return r;
}

QList<QByteArray> linesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>{};
}
} // namespace

class TestUnitLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    void append_data()
    {
        QTest::addColumn<QByteArray>("before"); // the file's bytes; "DIR": a folder in its place
        QTest::addColumn<QString>("why");       // the failure's text after the file's name
        QTest::addColumn<int>("line");          // where the record is then found
        row("an empty file", QByteArray(), QString(), 0);
        row("after whole records", QByteArray("{\"unit\":\"a\"}\n{\"unit\":\"b\"}\n"), QString(),
            2);
        row("after a cut line: a line of its own", QByteArray("{\"unit\":\"a\"}\n{\"un"), QString(),
            2);
        row("a folder in its place", QByteArray("DIR"), QStringLiteral("Is a directory"), -1);
    }
    void append()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, why);
        QFETCH(int, line);
        const QString file = env->path(QStringLiteral("logs/units.jsonl"));
        QVERIFY(QDir().mkpath(before == "DIR" ? file : env->path(QStringLiteral("logs"))));
        QFile f(file);
        QVERIFY(before == "DIR" || (f.open(QIODevice::WriteOnly) && f.write(before) >= 0));
        f.close();
        try {
            UnitLog::append(file, record(QStringLiteral("127.0.0.1:7")));
            QVERIFY(why.isEmpty());
        } catch (const RunError &e) {
            QCOMPARE(e.number(), qint32(RunError::UnitLogNotWritten));
            QCOMPARE(e.description(), file + QStringLiteral(": ") + why);
            return;
        }
        const QList<QByteArray> lines = linesOf(file);
        QVERIFY2(lines.join('\n').startsWith(before), "what was there stays as it was");
        QCOMPARE(lines.size(), line + 2); // the record's line, then nothing after its end
        const QJsonObject r = QJsonDocument::fromJson(lines[line]).object();
        QCOMPARE(r.value(QStringLiteral("unit")).toString(), QStringLiteral("127.0.0.1:7"));
        QCOMPARE(UnitLog::read(file).problems.size(), before.endsWith("{\"un") ? 1 : 0);
    }

    // Four processes append at once, each record larger than a pipe's buffer.
    void parallelProcessesNeverMix()
    {
        const QString file = env->path(QStringLiteral("units.jsonl"));
        QList<pid_t> children;
        for (int p = 0; p < 4; ++p) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int i = 0; i < 50; ++i)
                    UnitLog::append(file, record(QStringLiteral("unit%1").arg(p), 20000));
                ::_exit(0);
            }
            children << pid;
        }
        for (const pid_t pid : std::as_const(children)) {
            int status = 0;
            QVERIFY(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0);
        }
        QList<QByteArray> lines = linesOf(file);
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), 200);
        for (const QByteArray &line : std::as_const(lines))
            QVERIFY2(QJsonDocument::fromJson(line).isObject(), line.left(80).constData());
    }

private:
    std::unique_ptr<TestEnvironment> env;
};

QTEST_GUILESS_MAIN(TestUnitLog)
#include "tst_unitlog.moc"
