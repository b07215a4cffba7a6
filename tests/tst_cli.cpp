// The console programmer as it is built, against simulated units in this
// process: each exit code, its output and JSON stream, several units at once,
// signals at each stage, questions on a terminal, and what goes to the error
// log and to the unit.
#include "TestEnvironment.h"
#include "VqSimulator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <functional>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {
constexpr int kBlocks = 40;

VqSimOptions unit(const std::function<void(VqSimOptions &)> &set = [](VqSimOptions &) {})
{
    VqSimOptions o;
    o.inLoader = true;
    o.size = kBlocks * 32;
    o.timeline = true;
    set(o);
    return o;
}

// One run. %1, %2...: the units' TCP ports (for "ports" and a pty row, %1 is
// the first unit's pseudo-terminal, mapped to COM7); the store names the
// first unit. tty: "" none, "in" standard input on a terminal, "80" all
// three on a terminal of 80 columns. Each action is "WHEN=>WHAT": once the
// output holds WHEN (or a unit's run has begun, for "child"), WHAT is done:
// INT or TERM to the program, ENTER typed, or FOLDER to put a folder in the firmware's place.
// output: found in this order; absent: nowhere; logged: in the error log in
// this order (none: empty). whole: the first units programmed with the whole
// image. received: what the first unit was sent ("-": not looked at).
// concurrent: the most units connected at once (-1: not looked at).
struct Case
{
    QString arguments;
    QList<VqSimOptions> units;
    int exitCode;
    QStringList output;
    QStringList logged{};
    QStringList actions{};
    QString tty{};
    QStringList absent{};
    int whole = 0;
    QString received = QStringLiteral("-");
    int concurrent = -1;
};

QString sentTo(const VqSimulator &sim)
{
    QStringList sent;
    for (const VqSimulator::Event &e : sim.timeline())
        for (const char *what : {"reset frame", "U ", "Y ", "block"})
            if (e.text.startsWith(what))
                sent << QString::fromLatin1(what).section(u' ', 0, 0);
    return sent.join(u' ');
}

// The most units connected at once, from their timelines.
int mostAtOnce(const std::vector<std::unique_ptr<VqSimulator>> &sims)
{
    QList<QPair<qint64, int>> changes;
    for (const auto &sim : sims)
        for (const VqSimulator::Event &e : sim->timeline())
            if (e.text.startsWith("connection "))
                changes << qMakePair(e.ms, e.text.contains(" from ") ? 1 : -1);
    std::sort(changes.begin(), changes.end());
    int now = 0, most = 0;
    for (const auto &[ms, change] : changes)
        most = std::max(most, now += change);
    return most;
}
} // namespace

Q_DECLARE_METATYPE(Case)

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }
    void run_data();
    void run();
    void fleet_data();
    void fleet() { run(); }
    void sameForScriptsInEveryLanguage();

private:
    std::unique_ptr<TestEnvironment> env;
};

void TestCli::run_data()
{
    QTest::addColumn<Case>("c");
    const auto add = [](const char *name, const Case &c) { QTest::newRow(name) << c; };
    using O = VqSimOptions;
    const auto u = [](std::function<void(O &)> set) { return QList<O>{unit(set)}; };
    const auto stage = [](const char *id) { return QStringLiteral(R"("stage":"%1")").arg(id); };
    const QString aborted = R"("ending":"Aborted")", progress = R"("event":"progress")";
    const QString idLine = stage("identification_line");
    const QString turnOff = "Firmware Update: Turn unit off, click OK, then turn unit on.";
    const QString allBlocks = QString(" block").repeated(kBlocks);
    const QString crlf = "id=vq200_s70_1\r\n";
    // clang-format off
    add("stored link: stages, the last progress, the result", {"program --json", {unit()}, 0,
        {stage("checking"), R"("stage":"identification_line","text":"id=vq200_s70_1","unit")", R"("percent":100)",
         stage("complete"), R"("blocks_sent":40,"blocks_total":40,"bytes":1280,"changed":true,"command":"program")"},
        {}, {}, {}, {}, 1, "U Y" + allBlocks});
    add("a 32-byte image: 100 %, never more", {"program --json", u([](O &o) { o.ident = "small_1", o.size = 32; }), 0,
        {R"("percent":100)", R"("ending":"Complete")"}, {}, {}, {}, {R"("percent":103)"}});
    add("block 3 refused: 6", {"program --json --tcp 127.0.0.1:%1", u([](O &o) { o.nakAt = 3; }), 6,
        {R"("error":9001,"event":"message","id":"error")", R"("ending":"BlockRefused")", R"("reason":"the unit did not accept block 3")"},
        {"Error: 9001", "program 127.0.0.1:%1: failed (exit 6)"}});
    add("cable pulled at block 3: a lost link, 3", {"program --json", u([](O &o) { o.dropAt = 3; }), 3,
        {R"("ending":"LinkLost")", R"("reason":"the link to the unit was lost)"}, {"Error: 8019", "failed (exit 3)"}});
    add("Y echoed before A: the answer to Y, not a block -1", {"program", u([](O &o) { o.yAnswer = "YA"; }), 6,
        {R"(failed (exit 6): the unit answered "Y" with "YA", not "A")"}, {"failed (exit 6)"}, {}, {}, {"block -1"}});
    add("no S: 4", {"program", u([](O &o) { o.noS = true; }), 4,
        {"Unit did not reply with S id=vq200_s70_1"}, {R"(failed (exit 4): the unit did not answer "U")"}});
    add("no file for the unit: 5, naming the file", {"program", u([](O &o) { o.ident = "vq999_x_1"; }), 5,
        {"File does not exist", "failed (exit 5): there is no firmware file @fw/vq999_x_1.vq"}, {"failed (exit 5)"}});
    add("an answer without id=: the port and its speed", {"program --json", u([](O &o) { o.idText = QByteArray("garbage!!"); }), 5,
        {R"("firmware_file":"@fw/rbage!!.vq")", "the unit sent no identification line; check the port and its speed "
         "(there is no firmware file @fw/rbage!!.vq)"}, {"check the port and its speed"}});
    add("an empty firmware file: refused before U, 5", {"program", u([](O &o) { o.ident = "empty_1"; }), 5,
        {"The firmware file for this unit is empty:", "failed (exit 5): the firmware file @fw/empty_1.vq is empty"},
        {"Firmware: @fw/empty_1.vq is empty", "failed (exit 5)"}, {}, {}, {}, 0, ""});
    add("an endless identification: no identification, little output", {"ident", u([](O &o) { o.script = {{0, QByteArray(1 << 20, 'x')}}; }), 4,
        {"failed (exit 4): the unit sent no identification line"}, {"more than 4096 bytes", "failed (exit 4)"}});
    add("an identification in CR LF: no line end in it", {"ident --json", u([&](O &o) { o.idText = crlf.toLatin1(); }), 0,
        {R"("identification":"vq200_s70_1","ok")"}});
    add("an identification in CR LF names its file", {"program", u([&](O &o) { o.idText = crlf.toLatin1(); }), 0,
        {"ok: 1280 bytes"}, {}, {}, {}, {}, 1});
    add("last answer not E: 8", {"program", u([](O &o) { o.size += 32; }), 8, {"Scaler upload NOT successful"}, {"failed (exit 8)"}});
    add("port that is not there: 3, in the console's words", {"program --port /dev/no-such-port", {}, 3,
        {"/dev/no-such-port  failed (exit 3): /dev/no-such-port stands for /dev/no-such-port, and there is no such device"},
        {"Link: serial port /dev/no-such-port", "failed (exit 3)"}, {}, {}, {"Can't Open default communications port"}});
    add("a bare device name is in /dev", {"ident --port ttyFW-NONE0", {}, 3,
        {"/dev/ttyFW-NONE0 stands for /dev/ttyFW-NONE0"}, {"/dev/ttyFW-NONE0", "failed (exit 3)"}});
    add("nobody listening: the system's reason", {"program --tcp 127.0.0.1:1", {}, 3,
        {"failed (exit 3): 127.0.0.1:1 not reached: Connection refused"}, {"Link: 127.0.0.1:1 not reached", "failed (exit 3)"}});
    for (const char *bad : {"::1:10001", "[::1:10001", "http://127.0.0.1:10001", "\"a b:10001\"", "127.0.0.1:0", "[127.0.0.1]:10001"})
        QTest::addRow("--tcp %s: wrong usage", bad) << Case{QStringLiteral("program --tcp ") + bad, {}, 2, {"--tcp wants HOST:PORT or [IPv6]:PORT"}};
    add("one unit under two names: wrong usage", {"program --tcp localhost:%1 --tcp 127.0.0.1:%1", {unit()}, 2,
        {"localhost:%1 and 127.0.0.1:%1 are the same unit"}, {}, {}, {}, {}, 0, ""});
    add("a port and its mapped device: wrong usage", {"ident --port COM7 --port %1", {unit()}, 2, {"COM7: and %1 are the same unit"}});
    add("wrong usage: 2", {"program --jobs 0", {}, 2, {"--jobs wants a whole number"}});

    // Signals: the first cancels at the next safe point, the second ends at once.
    add("SIGINT in the block loop: after the current block, 7", {"program --json", u([](O &o) { o.baud = 2400; }), 7,
        {R"("lines":["Scaler upload Aborted","","Please power cycle the VQ unit"])", aborted}, {"failed (exit 7)"}, {progress + "=>INT"}});
    for (const auto &[name, at, sent] : {std::tuple{"checking", "checking", ""}, {"resetting", "resetting", "reset|"},
                                         {"waiting for the id", "waiting_for_id", "reset"}, {"waiting for S", "identification_line", "reset U"}})
        QTest::addRow("SIGINT while %s: nothing more to the unit, 7", name) << Case{"program --json",
            u([](O &o) { o.inLoader = false, o.replyDelayMs = 300; }), 7, {aborted, R"("reason":"aborted)"}, {"failed (exit 7)"},
            {stage(at) + "=>INT"}, {}, {}, 0, sent};
    add("SIGTERM in the block loop: a confirmed abort, 7", {"program --json", u([](O &o) { o.baud = 2400; }), 7,
        {R"("id":"aborted")", R"("reason":"aborted; power-cycle the unit)"}, {"failed"}, {progress + "=>TERM"}});
    add("SIGTERM before the blocks: nothing more to the unit", {"program", u([](O &o) { o.inLoader = false, o.replyDelayMs = 300; }), 7,
        {"failed (exit 7): aborted before anything"}, {"failed"}, {"Checking=>TERM"}, {}, {}, 0, ""});
    add("a second SIGINT: at once, with a result line", {"program --json", u([](O &o) { o.baud = 2400; }), 7,
        {R"({"bytes":)", R"("ending":"Interrupted")"}, {}, {progress + "=>INT", "+30=>INT"}});
    add("SIGINT during ident: no word of an upload", {"ident --json", u([](O &o) { o.inLoader = false, o.replyDelayMs = 300; }), 7,
        {R"("ending":"Interrupted","event":"result")", "flashwright-cli: interrupted\n"}, {}, {stage("getting_ident") + "=>INT"}, {}, {"upload"}});

    // Questions.
    add("on a terminal, --json: each question's text before its prompt", {"program --json", u([](O &o) { o.silent = true; }), 4,
        {turnOff, "[press Enter]", R"("answer":"ok")"}, {"failed (exit 4)"}, {"[press Enter]=>ENTER"}, "in"});
    add("--yes on a terminal: Attempt to continue? is answered No", {"program --yes --json", u([](O &o) { o.replyDelayMs = 300; }), 5,
        {R"("answer":"no","error":75)", R"("ending":"FileUnreadable")"}, {"Error: 75", "failed (exit 5)"}, {idLine + "=>FOLDER"}, "in"});
    add("no terminal: Attempt to continue? is answered No", {"program --json", u([](O &o) { o.replyDelayMs = 300; }), 5,
        {R"("answer":"no","error":75)"}, {"Error: 75", "failed (exit 5)"}, {idLine + "=>FOLDER"}});

    // Several units.
    add("two units, the second refuses block 3: one summary line each, 6", {"program --tcp 127.0.0.1:%1 --tcp 127.0.0.1:%2",
        {unit(), unit([](O &o) { o.nakAt = 3; })}, 6, {"127.0.0.1:%1  ok: 1280 bytes", "127.0.0.1:%2  failed (exit 6): the unit did not accept block 3"},
        {"Error: 9001", "program 127.0.0.1:%2: failed (exit 6)"}, {}, {}, {}, 1});
    add("--jobs 1: one unit at a time", {"program --jobs 1 --tcp 127.0.0.1:%1 --tcp 127.0.0.1:%2 --tcp 127.0.0.1:%3",
        {unit(), unit(), unit()}, 0, {"ok: 1280 bytes"}, {}, {}, {}, {}, 3, "-", 1});
    add("SIGINT as the units start: each ends as aborted, 7", {"program --json --tcp 127.0.0.1:%1 --tcp 127.0.0.1:%2", {unit(), unit()}, 7,
        {R"("exit_code":7)", R"("exit_code":7)"}, {"failed (exit 7)", "failed (exit 7)"}, {"child=>INT"}, {}, {R"("exit_code":8)"}});
    add("a summary line on 80 columns: whole, never cut", {"program --port COM7 --port %2", {unit(), unit([](O &o) { o.size += 32; })}, 8,
        {R"(failed (exit 8): the unit did not confirm the whole image: its last answer was not "E")"}, {"low latency", "failed (exit 8)"}, {}, "80"});
    add("version", {"version", u([](O &o) { o.inLoader = false; }), 0, {"ok: software version 291"}});

    // Languages: a person reads French, the error log stays English.
    add("--lang fr: stages, messages and the summary in French", {"--lang fr program --tcp 127.0.0.1:%1", u([](O &o) { o.nakAt = 3; }), 6,
        {"Vérification de l'unité....", "Problème d'application: Erreur 9001", "échec (sortie 6) : l'unité n'a pas accepté le bloc 3"},
        {"Error: 9001", "program 127.0.0.1:%1: failed (exit 6)"}, {}, {}, {"Checking Unit", "Application problem"}});
    add("--lang fr, two units: each one's stages and summary in French", {"--lang fr program --tcp 127.0.0.1:%1 --tcp 127.0.0.1:%2",
        {unit(), unit([](O &o) { o.nakAt = 3; })}, 6, {"127.0.0.1:%1: Vérification de l'unité....", "127.0.0.1:%2  échec (sortie 6) : l'unité n'a pas accepté le bloc 3"},
        {"Error: 9001"}, {}, {}, {"Checking Unit", "Application problem", "the unit did not accept"}});
    add("--lang of no language: wrong usage", {"--lang 12 ident", {}, 2, {"--lang wants a language such as de, fr or es"}});
    add("--lang it: not shipped, English with a note", {"--lang it ident", {unit()}, 0,
        {"it_IT is not one of the program's languages (de, fr, es); English is used", "ok: identification vq200_s70_1"}});

    // clang-format on
}

// The running firmware; programming only below a level and asking it again after; the unit log.
void TestCli::fleet_data()
{
    QTest::addColumn<Case>("c");
    const auto add = [](const char *name, const Case &c) { QTest::newRow(name) << c; };
    using O = VqSimOptions;
    const auto u = [](std::function<void(O &)> set) { return QList<O>{unit(set)}; };
    // clang-format off
    const auto running = [u](std::function<void(O &)> set) { return u([=](O &o) { o.inLoader = false, o.bootMs = 20, o.newLevel = 130, set(o); }); };
    const auto as = [](O &) {};
    add("firmware: the name and level a running unit reports", {"firmware --json", running(as), 0, {R"("level":120,"ok":true,"running_firmware":"FW1.vq")"}});
    add("firmware of a silent unit: no answer, 4", {"firmware", u([](O &o) { o.silent = true; }), 4,
        {"failed (exit 4): the unit did not answer the running firmware query"}, {"failed (exit 4)"}});
    add("--level at the unit's level: left alone, nothing sent", {"program --level 120 --json", running(as), 0,
        {R"("changed":false,"command":"program","ending":"Unchanged")", R"("level_after":120,"level_before":120)", R"("result":"unchanged")"},
        {}, {}, {}, {}, 0, ""});
    add("--level above it: programmed, asked again until its new image starts", {"program --level 121 --json", running([](O &o) { o.startMs = 1500; }), 0,
        {R"("changed":true)", R"("level_after":130,"level_before":120)", R"("firmware_sha256":"@sha","firmware_size":1280)", R"("result":"programmed")"},
        {}, {}, {}, {}, 1});
    add("a name below level 120 is not trusted: programmed", {"program --level 100", running([](O &o) { o.level = 119; }), 0,
        {"ok: 1280 bytes", "now runs vq200_s70_1.vq at level 130"}, {}, {}, {}, {}, 1});
    add("a refused name query: programmed", {"program --level 100", running([](O &o) { o.refuseName = true, o.level = 200; }), 0, {"ok: 1280 bytes"}, {}, {}, {}, {}, 1});
    add("the new image below the level: 8", {"program --level 131", running(as), 8,
        {"failed (exit 8): the unit took the whole image but runs level 130, not 131 or more"}, {"failed (exit 8)"}, {}, {}, {}, 1});
    add("no answer after the upload: 4 once the wait is over", {"program --level 121", {unit()}, 4,
        {"failed (exit 4): the unit took the whole image but did not say which level it runs within 9 s"}, {"failed (exit 4)"}, {}, {}, {}, 1});
    add("--check: only asked, nothing recorded", {"program --level 130 --check --json", running(as), 0,
        {R"("changed":false,"command":"program","ending":"WouldProgram")"}, {}, {}, {}, {R"("record")"}, 0, ""});
    add("a unit log that cannot be written: 8032, the result as it was", {"program --record @fw", {unit()}, 0,
        {"Error 8032", "The unit log was not written.", "@fw: Is a directory", "ok: 1280 bytes"}, {"Error: 8032"}, {}, {}, {}, 1});
    add("records of one result, and a cut last line named", {"records --record @fw/units.jsonl --result failed", {}, 0,
        {"line 3 is cut short", "127.0.0.1:2  failed (BlockRefused)  vq1  level 120 -> ?"}, {}, {}, {}, {"127.0.0.1:1"}});
    add("--level is for program only: wrong usage", {"ident --level 3", {}, 2, {"--level wants a level from 0 to 255, and only with program"}});
    add("ports: a pseudo-terminal mapped to COM7", {"ports --json", {unit()}, 0, {R"("com":["COM7:"],"description":"","device":"%1")"}});
    // clang-format on
}

void TestCli::run()
{
    QFETCH(Case, c);
    const QString folder = env->path(QStringLiteral("fw"));
    const QByteArray image = VqSimulator::randomImage(kBlocks * 32, 7);
    const QString vq = QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq"));
    QVERIFY(QDir().mkpath(folder));
    for (
        const auto &[name, bytes] :
        {std::pair{vq, image},
         {QDir(folder).filePath("small_1.vq"), image.left(32)},
         {QDir(folder).filePath("empty_1.vq"), QByteArray()},
         {QDir(folder).filePath("units.jsonl"),
          R"({"unit":"127.0.0.1:1","result":"programmed"})"
          "\n"
          R"({"unit":"127.0.0.1:2","result":"failed","ending":"BlockRefused","identification":"vq1","level_before":120})"
          "\n{\"unit\":"}}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    std::vector<std::unique_ptr<VqSimulator>> sims;
    QStringList names;
    // The first unit of "ports" and of a terminal run serves on a pseudo-terminal.
    const bool pty =
        c.arguments.startsWith("ports") || c.tty == "80" || c.arguments.contains("--port COM7");
    for (const VqSimOptions &o : std::as_const(c.units)) {
        sims.push_back(std::make_unique<VqSimulator>(o));
        QString why;
        const bool serial = pty && sims.size() <= 2 && !c.arguments.contains("--tcp");
        QVERIFY2(serial ? sims.back()->startPty(&why) : sims.back()->startTcp(0, &why),
                 qPrintable(why));
        names << (serial ? sims.back()->devicePath() : QString::number(sims.back()->port()));
    }
    if (pty && !names.isEmpty())
        env->mapPort(QStringLiteral("COM7"), names.first());
    if (!sims.empty())
        env->storeLoopbackUnit(sims.front()->port(), folder);
    else
        env->store({{QStringLiteral("Firmware"), folder}});
    const auto named = [&](QString text) {
        for (int i = 0; i < names.size(); ++i)
            text.replace(QStringLiteral("%%1").arg(i + 1), names[i]);
        return text.replace(QStringLiteral("@fw"), folder)
            .replace(QStringLiteral("@sha"),
                     QString::fromLatin1(
                         QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()));
    };

    // A terminal for the run's standard input, or for all its output.
    int master = -1, slave = -1;
    winsize size{24, 80, 0, 0};
    if (!c.tty.isEmpty())
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, &size) == 0 &&
                ::fcntl(master, F_SETFL, O_NONBLOCK) == 0);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const bool allOnTerminal = c.tty == "80";
    process.setChildProcessModifier([slave, allOnTerminal] {
        if (slave < 0)
            return;
        ::setsid();
        ::ioctl(slave, TIOCSCTTY, 0);
        for (int fd : {0, 1, 2})
            if (fd == 0 || allOnTerminal)
                ::dup2(slave, fd);
    });
    process.start(QStringLiteral(FW_CLI), QProcess::splitCommand(named(c.arguments)));
    QVERIFY(process.waitForStarted());
    if (slave >= 0)
        ::close(slave);

    QByteArray out;
    QStringList actions = c.actions;
    QElapsedTimer timer, acted;
    timer.start();
    const qint64 pid = process.processId();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < 30000) {
        process.waitForReadyRead(5);
        out += process.readAll();
        char buffer[4096];
        for (ssize_t got; master >= 0 && (got = ::read(master, buffer, sizeof buffer)) > 0;)
            out.append(buffer, got);
        if (actions.isEmpty())
            continue;
        const QString when = actions.first().section("=>", 0, 0);
        const QString what = actions.first().section("=>", 1);
        bool due = false;
        if (when == "child") {
            QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
            due = children.open(QIODevice::ReadOnly) && !children.readAll().trimmed().isEmpty();
        } else if (when.startsWith(u'+')) { // ms after the action before
            due = acted.isValid() && acted.elapsed() >= when.mid(1).toInt();
        } else {
            due = out.contains(named(when).toUtf8());
        }
        if (!due)
            continue;
        acted.start();
        actions.removeFirst();
        if (what == "INT" || what == "TERM")
            ::kill(pid_t(pid), what == "INT" ? SIGINT : SIGTERM);
        else if (what == "ENTER")
            QVERIFY(::write(master, "\n", 1) == 1);
        else if (what == "FOLDER")
            QVERIFY(QFile::remove(vq) && QDir().mkdir(vq));
    }
    QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(1000));
    out += process.readAll();
    if (master >= 0)
        ::close(master);

    const QString said = QString::fromUtf8(out);
    const auto inOrder = [&](const QStringList &wanted, QString in) {
        // What a terminal shows on several rows is read as one line.
        if (allOnTerminal)
            in.remove(QRegularExpression(QStringLiteral("\\r|\\n|\\x1b\\[[0-9]*[A-Za-z]")));
        qsizetype at = 0;
        for (const QString &text : wanted)
            if ((at = in.indexOf(named(text), at)) < 0)
                return false;
        return true;
    };
    QVERIFY2(process.exitCode() == c.exitCode && inOrder(c.output, said),
             qPrintable(said.left(4000)));
    for (const QString &text : std::as_const(c.absent))
        QVERIFY2(!said.contains(named(text)), qPrintable(text));
    QVERIFY2(out.size() < 64 * 1024, "the output is far longer than any run needs");
    const QString log = env->logLines().join(QLatin1Char('\n'));
    QVERIFY2(c.logged.isEmpty() ? log.isEmpty() : inOrder(c.logged, log), qPrintable(log));
    for (int i = 0; i < c.whole; ++i)
        QCOMPARE(sims[size_t(i)]->lastUpload(), image);
    if (c.received != "-") // one of the texts between "|"
        QTRY_VERIFY2(c.received.split(u'|').contains(sentTo(*sims.front())),
                     qPrintable(sentTo(*sims.front())));
    if (c.concurrent >= 0)
        QCOMPARE(mostAtOnce(sims), c.concurrent);
}

void TestCli::sameForScriptsInEveryLanguage()
{
    // The JSON, the unit log and the error log, times and speeds aside, are
    // the same whatever the language.
    QStringList seen;
    for (const char *language : {"", "--lang fr ", "--lang de "}) {
        env = std::make_unique<TestEnvironment>();
        VqSimulator sim(unit([](VqSimOptions &o) { o.nakAt = 3; })), second(unit());
        QVERIFY(sim.startTcp(0) && second.startTcp(0));
        const QString folder = env->path(QStringLiteral("fw"));
        QFile vq(QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq")));
        QVERIFY(QDir().mkpath(folder) && vq.open(QIODevice::WriteOnly) &&
                vq.write(VqSimulator::randomImage(kBlocks * 32, 7)) > 0);
        vq.close();
        const QString record = env->path(QStringLiteral("units.jsonl"));
        QString all;
        // A refused link too: Qt's own reason for it is no person's text. Two
        // units, so that their runs' JSON passes through this run's.
        for (const QString &command : {QStringLiteral("program --json --folder %1 --record %2 "
                                                      "--tcp 127.0.0.1:%3")
                                           .arg(folder, record)
                                           .arg(sim.port()),
                                       QStringLiteral("program --json --folder %1 --record %2 "
                                                      "--tcp 127.0.0.1:%3 --tcp 127.0.0.1:%4")
                                           .arg(folder, record)
                                           .arg(sim.port())
                                           .arg(second.port()),
                                       QStringLiteral("version --json --tcp 127.0.0.1:1")}) {
            QProcess p;
            p.start(QStringLiteral(FW_CLI),
                    QProcess::splitCommand(QString::fromLatin1(language) + command));
            QVERIFY(p.waitForFinished(30000));
            all += QString::fromUtf8(p.readAllStandardOutput());
        }
        QFile records(record);
        QVERIFY(records.open(QIODevice::ReadOnly));
        all += QString::fromUtf8(records.readAll()) + env->logLines().join(u'\n');
        // Progress comes at most ten times a second.
        all.remove(QRegularExpression(QStringLiteral(".*\"event\":\"progress\".*\n")));
        all.replace(QFileInfo(folder).path(), QStringLiteral("@"));
        all.replace(QRegularExpression(QStringLiteral("[0-9]+(\\.[0-9]+)?")), QStringLiteral("#"));
        QStringList lines = all.split(u'\n'); // two units' lines come in either order
        lines.sort();
        seen << lines.join(u'\n');
    }
    QVERIFY2(seen[0].contains(QStringLiteral("\"error\":#")) &&
                 seen[0].contains(QStringLiteral("Connection refused")),
             qPrintable(seen[0]));
    QCOMPARE(seen[1], seen[0]);
    QCOMPARE(seen[2], seen[0]);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
