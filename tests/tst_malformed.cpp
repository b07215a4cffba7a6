// Bad settings, firmware files and error log places, one scenario a row: what the technician
// is told, what the log says, what the unit received, what the store keeps after close.
#include "ErrorLog.h"
#include "FirmwareReader.h"
#include "RunError.h"
#include "ScalerSettings.h"
#include "WindowFixture.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {
using Values = QMap<QString, QString>;
const QString kComplete = "Programing Complete....";
const QByteArray kNotes = "The technician's own notes, not firmware.\n";
constexpr int kBlocks = 256;
const QByteArray kImage = VqSimulator::randomImage(kBlocks * 32, 7);
// Longer than any line or path; control characters that would split a log or store line.
const QString kLong(100000, 'x');
const QString kControl =
    QString("a") + QChar(0) + "\x01\x1b[31m\r\n\tb" + QChar(0x85) + QChar(0x2028);

// Keys stored over a unit on TCP (COM1: a unit on a pseudo-terminal), the caption, the presses (I:
// Get Ident, P: Update Firmware), each message until close (none: success), each line of the log
// wherever it went, what the store holds after close beyond what was stored, and damage done before
// start ("<"), once 4 blocks have gone ("#"), or when a status is painted.
struct Case
{
    Values stored;
    QString caption{}, presses{};
    QStringList told{}, logged{};
    Values saved{};
    QString at{}, damage{};
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

Q_DECLARE_METATYPE(Case)

class TestMalformed : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void scenario_data();
    void scenario();
    void firmwareReader_data();
    void firmwareReader();

private:
    QString vq() const { return QDir(firmwareFolder()).filePath("vq200_s70_1.vq"); }
    QString expand(QString text) const;
    bool damage(const QString &script);
    bool eventFilter(QObject *, QEvent *event) override // each stage is painted before a wait
    {
        if (event->type() == QEvent::Paint && m_sent == -1 && m_case->at.size() > 1 &&
            m_case->at == window->lbl_firmware->text())
            damage(m_case->damage);
        return false;
    }

    const Case *m_case = nullptr;
    int m_sent = -1; // blocks sent when the damage was done; -2: it could not be
    int m_stderr = -1;
};

void TestMalformed::cleanup()
{
    std::fflush(stderr);
    ::dup2(m_stderr, STDERR_FILENO);
    ::close(m_stderr);
    stopWindow();
    stopFixture();
}

QString TestMalformed::expand(QString text) const
{
    return text.replace("@port", QString::number(sim ? sim->port() : 0))
        .replace("@vq", vq())
        .replace("@fw", firmwareFolder())
        .replace("@store", env->storeFile())
        .replace("@", env->path("") + '/');
}

// Each step "cut"s a file to a size ("+": past the blocks sent), "add"s text to it, or puts in
// place of what is at its path: nothing ("rm"), a "dir", a "file" of notes, a "fifo".
bool TestMalformed::damage(const QString &script)
{
    m_sent = blocksSent();
    for (const QString &step : script.split(';')) {
        const QString op = step.section(' ', 0, 0), path = expand(step.section(' ', 1, 1));
        const QByteArray arg = step.section(' ', 2).toLatin1();
        QFile f(path);
        const bool done =
            op == "cut" ? f.resize(arg.toInt() + (arg.startsWith('+') ? m_sent * 32 : 0))
            : op == "add"
                ? f.open(QIODevice::Append) && f.write(arg) == arg.size()
                : (f.remove() || QDir(path).removeRecursively()) &&
                      (op == "dir"    ? QDir().mkpath(path)
                       : op == "file" ? f.open(QIODevice::WriteOnly) && f.write(kNotes) > 0
                       : op == "fifo" ? ::mkfifo(qPrintable(path), 0600) == 0
                                      : op == "rm");
        m_sent = done ? m_sent : -2;
    }
    return m_sent >= 0;
}

void TestMalformed::scenario_data()
{
    QTest::addColumn<Case>("c");
    const auto row = [](const QString &n, const Values &s, const QString &c, const QString &p = {},
                        const QStringList &t = {}, const QStringList &l = {}, const Values &v = {},
                        const QString &at = {}, const QString &d = {}) {
        QTest::newRow(qPrintable(n)) << Case{s, c, p, t, l, v, at, d};
    };
    const QString fw = "Firmware", ch = "Active Channel", type = "Comms Type", eth = "127.0.0.1";
    const QString port = "Ethernet Port", sp = "Serial Port", par = "Serial Parameters";
    const QString big = "99999999999", com1 = "COM1:", update = "Firmware Update";
    const QString notSet = "Firmware path not set please set using File->Firmware File Path";
    const QString pathNotSet = message("Firmware Path", 48, notSet);
    const QString cantOpen = message(" Error ", 16,
                                     "Can't Open default communications port please select Tools->"
                                     "Communications and set a new communications port");
    const QString noFile = message(update, 0, "File does not exist");
    const QString notCom = "Link: serial port not opened: ", notOpened = "cannot be opened: ";
    const auto named = [](const QString &key) { return "Settings: \"" + key + "\" holds \""; };
    const auto serial = [&](QString k, QString v) { return Values{{type, "1"}, {k, v}}; };
    // The firmware folder is looked at once the unit has named its file.
    row("Firmware empty: Update stays off", {{fw, ""}}, eth, "P", {pathNotSet});
    row("Firmware names a file", {{fw, "@notes"}}, eth, "P", {noFile});
    row("Firmware under a file", {{fw, "@notes/fw"}}, eth, "P", {noFile});
    row("Firmware 100 000 characters", {{fw, '/' + kLong}}, eth, "P", {noFile});
    row("Firmware control characters", {{fw, "@fw" + kControl}}, eth, "P", {noFile});
    // A bad number takes its default, is logged and saved so; parameters are read before the port.
    const QStringList keys = QStringList{fw, ch, port, par, sp, type, "Left", "Top", "Comms Name"}
                             << "EthernetAddress"
                             << "EthernetNetMask";
    const QList<std::array<QString, 3>> kinds{{"99999999999", big, big + ",n,8,1"},
                                              {"empty", "", ""},
                                              {"100 000 characters", kLong, kLong},
                                              {"control", kControl, "57600,n,8,1" + kControl}};
    for (const auto &[kind, v, parameters] : kinds) {
        row(ch + ' ' + kind, {{ch, v}}, eth, "I", {}, {named(ch)}, {{ch, "0"}});
        row(type + ' ' + kind, {{type, v}}, com1, "I", {}, {named(type)}, {{type, "1"}});
        row(port + ' ' + kind, {{port, v}}, eth, "I", {cantOpen}, {"not a TCP port number"});
        row(sp + ' ' + kind, serial(sp, v), v, "I", {cantOpen}, {notCom});
        row(par + ' ' + kind, serial(par, parameters), com1, "I", {cantOpen}, {"are wrong"});
        Values all;
        for (const QString &key : keys)
            all[key] = v;
        row("every key " + kind, all, v, "I", QStringList{pathNotSet, cantOpen}.mid(!v.isEmpty()),
            {named(ch), named(type), notCom}, {{ch, "0"}, {type, "1"}});
    }
    row("Ethernet Port with blanks reaches the unit", {{port, " @port "}}, eth, "I");
    // An address that is not one would be looked up by name: shown, never used.
    row("EthernetAddress 100 000 characters", {{"EthernetAddress", kLong}}, kLong);
    row("EthernetAddress control characters", {{"EthernetAddress", kControl}}, kControl);
    // Kept for the technician, never used by the link.
    row("EthernetNetMask 100 000 characters", {{"EthernetNetMask", kLong}}, eth, "I");
    row("Comms Name control characters", {{"Comms Name", kControl}}, eth, "I");
    row("Serial Port without a colon reaches the unit", serial(sp, "COM1"), "COM1", "I");
    row("Serial Port a folder", serial(sp, "@fw"), "@fw", "I", {cantOpen}, {notOpened});
    row("Serial Port a file", serial(sp, "@notes"), "@notes", "I", {cantOpen}, {notOpened});
    row(par + " three fields", serial(par, "57600,n,8"), com1, "I", {cantOpen}, {"are wrong"});
    row(par + " with blanks reach the unit", serial(par, " 57600 , N , 8 , 1 "), com1, "I");
    // Never read: the window's position is written at every close.
    row("Left 99999999999", {{"Left", big}}, eth);
    row("Top control characters", {{"Top", kControl}}, eth);

    // A store file is read as far as it makes sense; nothing after a bad line is lost.
    const auto file = [](const QByteArray &b) {
        return QString::fromLatin1("rm @store;add @store " + b);
    };
    const QString ip = "192.168.1.1", unread = "ORVANT.conf could not be read whole";
    const Values both{{type, "0"}, {"Comms Name", "bench"}}, zero{{type, "0"}};
    row("section header unclosed", {}, ip, "", {}, {unread}, both, "<",
        file("[Programmer\nComms Type=0\nComms Name=bench\n"));
    row("binary junk between two keys", {}, ip, "", {}, {}, both, "<",
        file("[Programmer]\nComms Name=bench\n\x01\x02\xff\xfe[[[\nComms Type=0\n"));
    row("Firmware a serialised value of no known type", {}, ip, "", {pathNotSet}, {}, zero, "<",
        file("[Programmer]\nFirmware=@Variant(\\0\\0\\0)\nComms Type=0\n"));
    row("comma-separated text without quotes", {}, com1, "", {}, {}, {{par, "57600,n,8,1"}}, "<",
        file("[Programmer]\nSerial Parameters=57600, n, 8, 1\n"));
    row("text in Latin-1", {}, ip, "", {}, {"\"Comms Name\" holds text that is not UTF-8"}, zero,
        "<",
        file("[Programmer]\nComms Name=Salle n\xb0 3 " + QByteArray(500, 'x') +
             "\nComms Type=0\n"));
    row("store file is a folder", {}, com1, "",
        {message("Application problem", 48,
                 "Error 8030\r\nThe settings were not saved.\r\nThey "
                 "belong in @store, which could not be written.")},
        {unread, "@store, which could not be written"}, {}, "<", "dir @store");

    // The firmware file or folder, damaged while the cycle runs; its one log line says why.
    const QString goOn = message("Application problem", 52,
                                 "An Error Occured in the application\r\nAttempt to continue?");
    const auto damaged = [&](const char *name, const QString &at, const QString &script,
                             const QString &told, const QString &why = {}) {
        const QString log = "mod_scaler_firmware SUB:Firmware_Programme <A> Error: 75 Desc: " + why;
        row(name, {}, eth, "P", QStringList{told}.filter("|"), QStringList{log}.mid(why.isEmpty()),
            {}, at, script);
    };
    const QString idLine = "id=vq200_s70_1\r", programming = "Programming ...";
    const QString notOpen = "The firmware file could not be opened";
    damaged("file is a folder", "<", "dir @vq", noFile);
    damaged("file is a pipe", "<", "fifo @vq", noFile);
    damaged("folder removed once the unit is identified", idLine, "rm @fw", goOn, notOpen);
    damaged("file removed at Programming", programming, "rm @vq", goOn, notOpen);
    damaged("file replaced by a folder once identified", idLine, "dir @vq", goOn, notOpen);
    damaged("file emptied at Programming", programming, "cut @vq 0",
            message(update, 0, "Scaler upload NOT successful"));
    // The file is read whole when the upload begins: the unit takes it as it was then, and the
    // log says what it took. The open file outlives its folder.
    const QString took = "vq200_s70_1.vq changed while it was being sent; the unit took it as it "
                         "was read, " +
                         QString::number(kImage.size()) + " bytes with sha256 " +
                         QCryptographicHash::hash(kImage, QCryptographicHash::Sha256).toHex();
    for (const auto &[name, damage] : {std::pair{"emptied while sent", "cut @vq 0"},
                                       {"cut behind the block being sent", "cut @vq 64"},
                                       {"cut mid-block just ahead", "cut @vq +101"},
                                       {"cut mid-block far ahead", "cut @vq 6405"},
                                       {"grown while sent", "add @vq GROWN"}})
        row(name, {}, eth, "P", {}, {took}, {}, "#", damage);
    damaged("folder removed while sent", "#", "rm @fw", "");

    // The log goes to the per-user data folder after a line saying why, or to standard error.
    const QString log = "@state/ORVANT/Flashwright/Programmererror.log",
                  holds = named(ch) + "abc\"";
    const QStringList why{"Error log " + log + " cannot be written (", holds};
    const Values abc{{ch, "abc"}}, channel0{{ch, "0"}};
    row("log is a folder", abc, eth, "I", {}, why, channel0, "<", "dir " + log);
    row("log is a path under a file", abc, eth, "I", {}, why, channel0, "<", "file @state");
    row("log is a folder, per-user data folder is a file", abc, eth, "I", {}, {holds}, channel0,
        "<", "dir " + log + ";file @data");
}

void TestMalformed::scenario()
{
    QFETCH(Case, c);
    startFixture();
    std::fflush(stderr);
    m_stderr = ::dup(STDERR_FILENO); // the log's last resort goes to a file of the test's own
    QVERIFY(m_stderr >= 0 && std::freopen(qPrintable(expand("@stderr")), "w", stderr));
    VqSimOptions o;
    o.bootMs = 20;
    o.inLoader = true;
    o.size = kImage.size();
    // So that each stage is painted as it waits, or the window passes over
    // its input many times during the blocks.
    o.replyDelayMs = c.at.size() > 1 ? 50 : c.at == "#" ? 1 : 0;
    sim = std::make_unique<VqSimulator>(o);
    VqSimulator serial(o);
    QFile image(vq());
    QVERIFY(sim->startTcp(0) && serial.startPty() && QDir().mkpath(firmwareFolder()) &&
            image.open(QIODevice::WriteOnly) && image.write(kImage) > 0 && damage("file @notes"));
    image.close();
    m_sent = -1;
    env->mapPort("COM1", serial.devicePath());
    env->storeLoopbackUnit(sim->port(), firmwareFolder());
    for (QString &v : c.stored)
        v = expand(v);
    env->store(c.stored);
    QVERIFY(c.at != "<" || damage(c.damage));
    window = std::make_unique<frm_programme>(env->paths());
    Main(*window, env->paths());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->windowTitle(), "VQ Update - " + expand(c.caption));
    const auto verifyStore = [](const Values &want) {
        const auto s = openSettingsStore();
        for (auto it = want.cbegin(); it != want.cend(); ++it)
            QVERIFY2(s->value(it.key()).toString() == it.value(), qPrintable(it.key()));
    };
    verifyStore(c.stored); // reading wrote nothing back

    if (c.at == "#") // between two blocks, once the unit has answered the fourth
        atBlock(4, [&] { QVERIFY(damage(c.damage)); });
    m_case = &c;
    window->lbl_firmware->installEventFilter(this);
    for (const QChar press : c.presses)
        press == 'I' ? window->mnu_tools_getident->trigger() : window->cmd_programme_prog->click();
    QVERIFY(c.damage.isEmpty() || m_sent >= 0);
    const QString done =
        c.presses == "P" ? kComplete : "vq200_s70_1    Unit is a VQ200_S70 KAVRELL";
    QCOMPARE(window->status(), c.told.isEmpty() && !c.presses.isEmpty() ? done : QString());
    // Only the file's own bytes, in order, and no block beyond its end as it is now.
    const int blocks = window->status() == kComplete ? kBlocks
                       : c.at == "#" ? std::max<int>(m_sent, QFileInfo(vq()).size() / 32)
                                     : 0;
    QCOMPARE(sim->blocksReceived(), blocks);
    QCOMPARE(sim->lastUpload(), kImage.left(blocks * 32));
    QCOMPARE(sim->bytesAfterUpload(), 0);
    QCOMPARE(idle(), c.told.filter("Firmware path not set").isEmpty()); // Update stays off

    QVERIFY(window->close());
    QCOMPARE(messages(), c.told.replaceInStrings("@store", env->storeFile()));
    std::fflush(stderr);
    QStringList lines = env->logLines() + QString::fromUtf8(contents(ErrorLog::fallbackTarget()) +
                                                            contents(expand("@stderr")))
                                              .split('\n', Qt::SkipEmptyParts);
    // A pseudo-terminal is no adapter with a latency timer; that is noted too.
    lines.removeIf([](const QString &line) { return line.contains("low latency"); });
    QCOMPARE(lines.size(), c.logged.size());
    for (qsizetype i = 0; i < lines.size(); ++i) // each on one line, quoting the start of a setting
        QVERIFY2(lines[i].contains(expand(c.logged[i])) &&
                     !lines[i].contains(
                         QRegularExpression("[\\x00-\\x1f\\x7f-\\x9f\\x{2028}]|^Settings: .{400}")),
                 qPrintable(lines[i].left(300)));
    c.stored.insert(c.saved);
    if (QFileInfo(env->storeFile()).isFile()) // the window's position, written at every close
        c.stored.insert(Values{{"Left", QString::number(window->leftTwips())},
                               {"Top", QString::number(window->topTwips())}});
    verifyStore(c.stored);
    QCOMPARE(contents(expand("@notes")), kNotes);
}

void TestMalformed::firmwareReader_data()
{
    QTest::addColumn<int>("at");      // blocks taken before the damage
    QTest::addColumn<qint64>("size"); // the file's size after it, or -1
    QTest::addColumn<int>("blocks");  // blocks taken in all
    QTest::addColumn<bool>("shrank"); // the next block was refused: the file shrank
    // A file of 150 bytes read in pieces of 64: five blocks, the last of 22 bytes and FF.
    const auto row = [](const char *name, int at, qint64 size, int blocks, bool shrank) {
        QTest::newRow(name) << at << size << blocks << shrank;
    };
    row("whole: the last block padded with FF", 0, -1, 5, false);
    row("cut to 0 before the first piece: nothing", 0, 0, 0, true);
    row("cut to 40 in the first piece: the piece goes", 1, 40, 2, true);
    row("cut to 100 in the second: no block past 100", 1, 100, 3, true);
    row("grown: only the length it had when opened", 1, 200, 5, false);
}

void TestMalformed::firmwareReader()
{
    QFETCH(int, at);
    QFETCH(qint64, size);
    QFETCH(int, blocks);
    QFETCH(bool, shrank);
    const QByteArray image = VqSimulator::randomImage(150, 11);
    QTemporaryDir folder;
    QFile writer(folder.filePath(QStringLiteral("fw.vq"))), file(writer.fileName());
    QVERIFY(writer.open(QIODevice::WriteOnly) && writer.write(image) == image.size() &&
            writer.flush() && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    FirmwareReader reader(file, image.size(), 64);
    QByteArray taken;
    QString refused;
    using ScalerProtocol::BlockSize;
    std::array<quint8, BlockSize> block{};
    for (qint64 position = 0; position != image.size() && refused.isEmpty();) {
        if (taken.size() == at * BlockSize && size >= 0)
            QVERIFY(size > image.size() ? writer.write(QByteArray(size - image.size(), 'g')) > 0
                                        : writer.resize(size));
        try {
            reader.next(block, position);
            taken.append(reinterpret_cast<const char *>(block.data()), block.size());
        } catch (const RunError &e) {
            refused = e.description();
        }
    }
    QCOMPARE(taken.size() / BlockSize, blocks);
    QCOMPARE(taken, (image + QByteArray(10, '\xff')).left(taken.size()));
    QCOMPARE(refused, shrank ? "The firmware file changed while it was being sent" : QString());
}

QTEST_MAIN(TestMalformed)
#include "tst_malformed.moc"
