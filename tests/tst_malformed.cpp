#include "ErrorLog.h"
#include "LinkInstances.h"
#include "ProgramFixture.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace {
using Values = QMap<QString, QString>;

const QString kIdentified = QStringLiteral("vq200_s70_1    Unit is a VQ200_S70 KAVRELL");
const QString kComplete = QStringLiteral("Programing Complete....");
const QString kCantOpen = QStringLiteral("Can't Open default communications port please select "
                                         "Tools->Communications and set a new communications port");
const QString kPathNotSet =
    QStringLiteral("Firmware path not set please set using File->Firmware File Path");
const QString kNoFile = QStringLiteral("File does not exist");
const QString kNotSuccessful = QStringLiteral("Scaler upload NOT successful");
const QString kGoOn = QStringLiteral("An Error Occured in the application\r\nAttempt to continue?");
const QString kNotSaved = QStringLiteral("Error 8030\r\nThe settings were not saved.\r\nThey "
                                         "belong in %1, which could not be written.");
const QString kEthernetCaption = QStringLiteral("VQ Update - 127.0.0.1");
const QString kCom1Caption = QStringLiteral("VQ Update - COM1:");
const QString kFirmwareName = QStringLiteral("vq200_s70_1.vq");
const QString kIdLine = QStringLiteral("id=vq200_s70_1\r");
const QByteArray kNotes = QByteArrayLiteral("The technician's own notes, not firmware.\n");

// Longer than any line, field or path the program or the platform expects.
const QString kLong = QString(100000, QLatin1Char('x'));
// A zero, an escape sequence, line ends and a tab: a text that could split a
// log line or a store line if it were written as it is.
const QString kControl = QStringLiteral("a") + QChar(u'\0') + QChar(u'\x01') + QChar(u'\x1b') +
                         QStringLiteral("[31m\r\n\tb");

// What the program does once started.
enum class Press
{
    Nothing,
    Ident,
    Programme,
};

// What happens to the firmware folder or file before or during a cycle.
enum class Damage
{
    FolderIsFile,
    FolderUnderFile,
    FolderMissing,
    FolderRemoved,
    FolderReplacedByFile,
    FileIsFolder,
    FileIsPipe,
    FileIsDanglingLink,
    FileRemoved,
    FileReplacedByFolder,
    FileEmptied,
};

// What happens to the firmware file while its blocks are sent.
enum class Change
{
    Emptied,
    CutBehind,
    CutJustAhead,
    CutFarAhead,
    Grown,
    FolderRemoved,
};

// Where the error log cannot go.
enum class Blocker
{
    LogIsFolder,
    LogUnderFile,
    LogAndFallbackBlocked,
};

// The store's section as the program sees it.
std::unique_ptr<QSettings> store()
{
    return openSettingsStore();
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool anyContains(const QStringList &lines, const QString &text)
{
    for (const QString &line : lines)
        if (line.contains(text))
            return true;
    return false;
}

bool hasRawControl(const QString &line)
{
    for (const QChar c : line)
        if (c.unicode() < 0x20)
            return true;
    return false;
}

// Does something once, when the status line is painted with a given text.
// Each stage of a cycle is painted before the cycle waits on the unit, so
// this runs between two exchanges with it.
class AtStage : public QObject
{
public:
    AtStage(QLabel *label, const QString &stage, std::function<void()> act)
        : m_label(label), m_stage(stage), m_act(std::move(act))
    {
        m_label->installEventFilter(this);
    }
    ~AtStage() override { m_label->removeEventFilter(this); }

    bool done() const { return m_done; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint && !m_done &&
            m_label->text() == m_stage) {
            m_done = true;
            m_act();
        }
        return false;
    }

private:
    QLabel *m_label;
    QString m_stage;
    std::function<void()> m_act;
    bool m_done = false;
};

// Sends what the process writes to its standard error into a file while it
// lives, so that the log's last resort can be read back.
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &file)
    {
        std::fflush(stderr);
        const int fd = ::open(QFile::encodeName(file).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        m_saved = ::dup(STDERR_FILENO);
        m_ok = fd >= 0 && m_saved >= 0 && ::dup2(fd, STDERR_FILENO) >= 0;
        if (fd >= 0)
            ::close(fd);
    }
    ~StandardErrorCapture() { restore(); }

    bool ok() const { return m_ok; }

    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

private:
    int m_saved = -1;
    bool m_ok = false;
};
} // namespace

class TestMalformed : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void garbageInOneKey_data();
    void garbageInOneKey();
    void garbageInEveryKey_data();
    void garbageInEveryKey();
    void malformedStoreFile_data();
    void malformedStoreFile();
    void firmwareThatCannotBeRead_data();
    void firmwareThatCannotBeRead();
    void firmwareChangesWhileSent_data();
    void firmwareChangesWhileSent();
    void unwritableErrorLog_data();
    void unwritableErrorLog();

private:
    QString root() const { return QFileInfo(env->programFolder()).path(); }
    QString firmwareFolder() const { return env->path(QStringLiteral("fw")); }
    QString firmwareFile() const { return QDir(firmwareFolder()).filePath(kFirmwareName); }
    QString notesFile() const { return env->path(QStringLiteral("notes.txt")); }
    // Fills in the places a table cannot know: @port, @pty, @fw, @dir, @missing.
    QString expand(QString text) const;
    void startUnit(const VqSimOptions &options);
    void startSerialUnit(const VqSimOptions &options);
    // The base settings reach the unit over loopback TCP; the row's go on top.
    Values storeOnTopOfBase(const Values &row, const Values &ports);
    void startProgram();
    void pressControl(Press what);
    void verifyIdle(bool canProgramme);
    // Every key of the store holds what was stored, or what saved names.
    void verifySaved(const Values &stored, const Values &saved);
    void verifyLogReadable();

    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<VqSimulator> serialSim;
    std::unique_ptr<frm_programme> window;
    QByteArray image;
};

void TestMalformed::init()
{
    startFixture();
    QVERIFY(QDir().mkpath(firmwareFolder()));
    image = VqSimulator::randomImage(8 * ScalerProtocol::BlockSize, 3);
    QVERIFY(writeFile(firmwareFile(), image));
    QVERIFY(writeFile(notesFile(), kNotes));
    // No port name may reach a real serial device of the machine.
    for (const char *com : {"COM1", "COM2", "COM3"})
        env->mapPort(QString::fromLatin1(com), expand(QStringLiteral("@missing")));
}

void TestMalformed::cleanup()
{
    window.reset();
    sim.reset();
    serialSim.reset();
    stopFixture();
}

QString TestMalformed::expand(QString text) const
{
    if (sim)
        text.replace(QStringLiteral("@port"), QString::number(sim->port()));
    if (serialSim)
        text.replace(QStringLiteral("@pty"), serialSim->devicePath());
    text.replace(QStringLiteral("@fw"), firmwareFolder());
    text.replace(QStringLiteral("@missing"), root() + QStringLiteral("/no-such-tty"));
    text.replace(QStringLiteral("@dir"), root());
    return text;
}

void TestMalformed::startUnit(const VqSimOptions &options)
{
    sim = std::make_unique<VqSimulator>(options);
    QString why;
    QVERIFY2(sim->startTcp(0, &why), qPrintable(why));
}

void TestMalformed::startSerialUnit(const VqSimOptions &options)
{
    serialSim = std::make_unique<VqSimulator>(options);
    QString why;
    QVERIFY2(serialSim->startPty(&why), qPrintable(why));
}

Values TestMalformed::storeOnTopOfBase(const Values &row, const Values &ports)
{
    Values all{{QStringLiteral("Comms Type"), QStringLiteral("0")},
               {QStringLiteral("EthernetAddress"), QStringLiteral("127.0.0.1")},
               {QStringLiteral("Ethernet Port"), expand(QStringLiteral("@port"))},
               {QStringLiteral("Firmware"), firmwareFolder()}};
    for (auto it = row.begin(); it != row.end(); ++it)
        all[it.key()] = expand(it.value());
    env->store(all);
    for (auto it = ports.begin(); it != ports.end(); ++it)
        env->mapPort(it.key(), expand(it.value()));
    return all;
}

void TestMalformed::startProgram()
{
    window = std::make_unique<frm_programme>();
    Main();
}

void TestMalformed::pressControl(Press what)
{
    QElapsedTimer took;
    took.start();
    switch (what) {
    case Press::Nothing:
        return;
    case Press::Ident:
        window->mnu_tools_getident->trigger();
        break;
    case Press::Programme:
        window->cmd_programme_prog->click();
        break;
    }
    // Nothing here waits on more than the unit's own timeouts.
    QVERIFY2(took.elapsed() < 8000, qPrintable(QString::number(took.elapsed())));
}

void TestMalformed::verifyIdle(bool canProgramme)
{
    QVERIFY(!window->cmd_abort->isEnabled());
    QCOMPARE(window->cmd_programme_prog->isEnabled(), canProgramme);
    QVERIFY(window->mnu_about->isEnabled());
    QVERIFY(window->mnu_tools->menuAction()->isEnabled());
    QVERIFY(window->mnu_file_path->isEnabled());
    QVERIFY(window->cmd_checkupdate->isEnabled());
    QVERIFY(!static_cast<ScalerLink &>(scalerLink()).isOpen());
    QVERIFY(!window->busy());
}

void TestMalformed::verifySaved(const Values &stored, const Values &saved)
{
    const auto s = store();
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("Left") || key == QLatin1String("Top"))
            continue;
        const QString expected = saved.contains(key) ? expand(saved.value(key)) : it.value();
        QVERIFY2(s->value(key).toString() == expected,
                 qPrintable(QStringLiteral("\"%1\" holds \"%2\"")
                                .arg(key, ErrorLog::escaped(s->value(key).toString().left(80)))));
    }
    // The window's position is the program's own, written at every close.
    QCOMPARE(s->value(QStringLiteral("Left")).toString(), QString::number(window->leftTwips()));
    QCOMPARE(s->value(QStringLiteral("Top")).toString(), QString::number(window->topTwips()));
    QCOMPARE(contents(notesFile()), kNotes);
}

void TestMalformed::verifyLogReadable()
{
    for (const QString &line : env->logLines())
        QVERIFY2(!hasRawControl(line), qPrintable(line.left(200)));
}

void TestMalformed::garbageInOneKey_data()
{
    QTest::addColumn<Values>("stored");
    QTest::addColumn<Values>("ports");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("canProgramme");
    QTest::addColumn<QStringList>("startMessages");
    QTest::addColumn<QString>("loggedKey"); // named by a line of the log at start-up
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("pressMessages");
    QTest::addColumn<QString>("pressLog"); // in a line the press adds to the log
    QTest::addColumn<Values>("saved");     // keys that do not keep their stored text

    const QString firmware = QStringLiteral("Firmware");
    const QString channel = QStringLiteral("Active Channel");
    const QString type = QStringLiteral("Comms Type");
    const QString port = QStringLiteral("Ethernet Port");
    const QString serialPort = QStringLiteral("Serial Port");
    const QString parameters = QStringLiteral("Serial Parameters");
    const QString none;
    const QStringList noMessages;
    const Values noPorts;
    const Values kept;
    const QString notTcp = QStringLiteral("is not a TCP port number");
    const QString notCom = QStringLiteral("is not a port name of the form COMn:");
    const QString notOpened = QStringLiteral("cannot be opened");
    const QString wrongParameters = QStringLiteral("are wrong");
    const QString tooBig = QStringLiteral("99999999999");

    // The firmware folder is only looked at once the unit has named its file.
    QTest::newRow("Firmware empty: Update stays off and does nothing")
        << Values{{firmware, QString()}} << noPorts << kEthernetCaption << false
        << QStringList{kPathNotSet} << none << Press::Programme << none << noMessages << none
        << kept;
    QTest::newRow("Firmware names a file")
        << Values{{firmware, QStringLiteral("@dir/notes.txt")}} << noPorts << kEthernetCaption
        << true << noMessages << none << Press::Programme << none << QStringList{kNoFile} << none
        << kept;
    QTest::newRow("Firmware is a path under a file")
        << Values{{firmware, QStringLiteral("@dir/notes.txt/fw")}} << noPorts << kEthernetCaption
        << true << noMessages << none << Press::Programme << none << QStringList{kNoFile} << none
        << kept;
    QTest::newRow("Firmware 100 000 characters")
        << Values{{firmware, QLatin1Char('/') + kLong}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Programme << none << QStringList{kNoFile} << none << kept;
    QTest::newRow("Firmware with control characters")
        << Values{{firmware, QStringLiteral("@fw") + kControl}} << noPorts << kEthernetCaption
        << true << noMessages << none << Press::Programme << none << QStringList{kNoFile} << none
        << kept;

    // A number that does not fit takes its default, is logged, and the
    // default is what the next close saves.
    for (const auto &[what, text] :
         {std::pair{"99999999999", tooBig}, std::pair{"empty", QString()},
          std::pair{"100 000 characters", kLong}, std::pair{"control characters", kControl}}) {
        QTest::addRow("Active Channel %s", what)
            << Values{{channel, text}} << noPorts << kEthernetCaption << true << noMessages
            << channel << Press::Ident << kIdentified << noMessages << none
            << Values{{channel, QStringLiteral("0")}};
        // The default type is serial, on a port that leads nowhere here.
        QTest::addRow("Comms Type %s falls back to serial", what)
            << Values{{type, text}} << noPorts << kCom1Caption << true << noMessages << type
            << Press::Ident << none << QStringList{kCantOpen} << notOpened
            << Values{{type, QStringLiteral("1")}};
        QTest::addRow("Ethernet Port %s", what)
            << Values{{port, text}} << noPorts << kEthernetCaption << true << noMessages << none
            << Press::Ident << none << QStringList{kCantOpen} << notTcp << kept;
    }
    QTest::newRow("Ethernet Port with blanks reaches the unit")
        << Values{{port, QStringLiteral(" @port ")}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Ident << kIdentified << noMessages << none << kept;

    // An address that is not one would be looked up by name: shown, never used.
    QTest::newRow("EthernetAddress 100 000 characters")
        << Values{{QStringLiteral("EthernetAddress"), kLong}} << noPorts
        << QStringLiteral("VQ Update - ") + kLong << true << noMessages << none << Press::Nothing
        << none << noMessages << none << kept;
    QTest::newRow("EthernetAddress control characters")
        << Values{{QStringLiteral("EthernetAddress"), kControl}} << noPorts
        << QStringLiteral("VQ Update - ") + kControl << true << noMessages << none << Press::Nothing
        << none << noMessages << none << kept;

    // Kept for the technician, never used by the link.
    QTest::newRow("EthernetNetMask 100 000 characters")
        << Values{{QStringLiteral("EthernetNetMask"), kLong}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Ident << kIdentified << noMessages << none << kept;
    QTest::newRow("Comms Name control characters")
        << Values{{QStringLiteral("Comms Name"), kControl}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Ident << kIdentified << noMessages << none << kept;

    const QString serial = QStringLiteral("1");
    QTest::newRow("Serial Port without a colon reaches the unit")
        << Values{{type, serial}, {serialPort, QStringLiteral("COM3")}}
        << Values{{QStringLiteral("COM3"), QStringLiteral("@pty")}}
        << QStringLiteral("VQ Update - COM3") << true << noMessages << none << Press::Ident
        << kIdentified << noMessages << none << kept;
    QTest::newRow("Serial Port not a port name")
        << Values{{type, serial}, {serialPort, QStringLiteral("ttyS0")}} << noPorts
        << QStringLiteral("VQ Update - ttyS0") << true << noMessages << none << Press::Ident << none
        << QStringList{kCantOpen} << notCom << kept;
    QTest::newRow("Serial Port empty")
        << Values{{type, serial}, {serialPort, QString()}} << noPorts
        << QStringLiteral("VQ Update - ") << true << noMessages << none << Press::Ident << none
        << QStringList{kCantOpen} << notCom << kept;
    QTest::newRow("Serial Port 100 000 characters")
        << Values{{type, serial}, {serialPort, kLong}} << noPorts
        << QStringLiteral("VQ Update - ") + kLong << true << noMessages << none << Press::Ident
        << none << QStringList{kCantOpen} << notCom << kept;
    QTest::newRow("Serial Port names a folder")
        << Values{{type, serial}, {serialPort, QStringLiteral("@dir")}} << noPorts
        << QStringLiteral("VQ Update - @dir") << true << noMessages << none << Press::Ident << none
        << QStringList{kCantOpen} << notOpened << kept;
    QTest::newRow("Serial Port names a file")
        << Values{{type, serial}, {serialPort, QStringLiteral("@dir/notes.txt")}} << noPorts
        << QStringLiteral("VQ Update - @dir/notes.txt") << true << noMessages << none
        << Press::Ident << none << QStringList{kCantOpen} << notOpened << kept;

    // The parameters are read before the port is opened: the port is good.
    const Values toUnit{{QStringLiteral("COM1"), QStringLiteral("@pty")}};
    for (const auto &[what, text] :
         {std::pair{"speed 99999999999", QStringLiteral("99999999999,n,8,1")},
          std::pair{"empty", QString()}, std::pair{"three fields", QStringLiteral("57600,n,8")},
          std::pair{"100 000 characters", kLong},
          std::pair{"control characters", QStringLiteral("57600,n,8,1") + kControl}})
        QTest::addRow("Serial Parameters %s", what)
            << Values{{type, serial}, {parameters, text}} << toUnit << kCom1Caption << true
            << noMessages << none << Press::Ident << none << QStringList{kCantOpen}
            << wrongParameters << kept;
    QTest::newRow("Serial Parameters with blanks reach the unit")
        << Values{{type, serial}, {parameters, QStringLiteral(" 57600 , N , 8 , 1 ")}} << toUnit
        << kCom1Caption << true << noMessages << none << Press::Ident << kIdentified << noMessages
        << none << kept;

    // Never read: the window's position is written at every close.
    QTest::newRow("Left 99999999999")
        << Values{{QStringLiteral("Left"), tooBig}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Nothing << none << noMessages << none << kept;
    QTest::newRow("Top control characters")
        << Values{{QStringLiteral("Top"), kControl}} << noPorts << kEthernetCaption << true
        << noMessages << none << Press::Nothing << none << noMessages << none << kept;
}

void TestMalformed::garbageInOneKey()
{
    QFETCH(Values, stored);
    QFETCH(Values, ports);
    QFETCH(QString, caption);
    QFETCH(bool, canProgramme);
    QFETCH(QStringList, startMessages);
    QFETCH(QString, loggedKey);
    QFETCH(Press, press);
    QFETCH(QString, status);
    QFETCH(QStringList, pressMessages);
    QFETCH(QString, pressLog);
    QFETCH(Values, saved);

    VqSimOptions o;
    o.bootMs = 20;
    o.inLoader = true;
    o.size = image.size();
    startUnit(o);
    for (const QString &device : ports)
        if (device == QLatin1String("@pty"))
            startSerialUnit(o);
    if (QTest::currentTestFailed())
        return;
    const Values all = storeOnTopOfBase(stored, ports);

    startProgram();
    QCOMPARE(window->windowTitle(), expand(caption));
    QCOMPARE(window->cmd_programme_prog->isEnabled(), canProgramme);
    QCOMPARE(answerer->texts(), startMessages);
    const QStringList startLines = env->logLines();
    if (loggedKey.isEmpty()) {
        QCOMPARE(startLines, QStringList());
    } else {
        QCOMPARE(startLines.size(), 1);
        QVERIFY2(startLines[0].startsWith(QStringLiteral("Settings: \"%1\" holds").arg(loggedKey)),
                 qPrintable(startLines[0].left(200)));
        // Only the start of a long text is quoted.
        QVERIFY2(startLines[0].size() < 400, qPrintable(startLines[0].left(200)));
    }
    // Reading wrote nothing back.
    const auto before = store();
    for (auto it = all.begin(); it != all.end(); ++it)
        QVERIFY2(before->value(it.key()).toString() == it.value(), qPrintable(it.key()));

    answerer->clear();
    pressControl(press);
    QCOMPARE(window->status(), status);
    QCOMPARE(answerer->texts(), pressMessages);
    QStringList added = env->logLines().mid(startLines.size());
    // A pseudo-terminal is no adapter with a latency timer; that is noted
    // once per device and run.
    added.removeIf(
        [](const QString &line) { return line.contains(QStringLiteral("low latency")); });
    if (pressLog.isEmpty())
        QCOMPARE(added, QStringList());
    else
        QVERIFY2(anyContains(added, pressLog), qPrintable(added.join(QLatin1Char('\n')).left(400)));
    verifyIdle(canProgramme);
    verifyLogReadable();
    QCOMPARE(sim->blocksReceived(), 0);
    if (!canProgramme)
        QCOMPARE(sim->connections(), 0);

    answerer->clear();
    QVERIFY(window->close());
    QCOMPARE(answerer->texts(), QStringList());
    verifySaved(all, saved);
    QCOMPARE(contents(firmwareFile()), image);
}

void TestMalformed::garbageInEveryKey_data()
{
    QTest::addColumn<QString>("garbage");
    QTest::addColumn<bool>("canProgramme");
    QTest::addColumn<QStringList>("startMessages");

    // Numbers take their defaults, so the link is serial on the stored port.
    QTest::newRow("numbers too big, texts 100 000 characters") << kLong << true << QStringList();
    QTest::newRow("every key empty") << QString() << false << QStringList{kPathNotSet};
    QTest::newRow("control characters in every key") << kControl << true << QStringList();
}

void TestMalformed::garbageInEveryKey()
{
    QFETCH(QString, garbage);
    QFETCH(bool, canProgramme);
    QFETCH(QStringList, startMessages);

    const QString number = garbage == kLong ? QStringLiteral("99999999999") : garbage;
    const Values stored{{QStringLiteral("Firmware"), garbage},
                        {QStringLiteral("Active Channel"), number},
                        {QStringLiteral("EthernetAddress"), garbage},
                        {QStringLiteral("EthernetNetMask"), garbage},
                        {QStringLiteral("Ethernet Port"), number},
                        {QStringLiteral("Comms Name"), garbage},
                        {QStringLiteral("Serial Parameters"), garbage},
                        {QStringLiteral("Serial Port"), garbage},
                        {QStringLiteral("Comms Type"), number},
                        {QStringLiteral("Left"), number},
                        {QStringLiteral("Top"), number}};
    env->store(stored);

    startProgram();
    QCOMPARE(window->windowTitle(), QStringLiteral("VQ Update - ") + garbage);
    QCOMPARE(window->cmd_programme_prog->isEnabled(), canProgramme);
    QCOMPARE(answerer->texts(), startMessages);
    const QStringList lines = env->logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("Settings: \"Active Channel\" holds")));
    QVERIFY(lines[1].startsWith(QStringLiteral("Settings: \"Comms Type\" holds")));

    answerer->clear();
    pressControl(Press::Ident);
    QCOMPARE(answerer->texts(), QStringList{kCantOpen});
    QCOMPARE(window->status(), QString());
    verifyIdle(canProgramme);

    answerer->clear();
    pressControl(Press::Programme);
    if (canProgramme) {
        QVERIFY(!answerer->messages().isEmpty());
        QCOMPARE(answerer->messages().first().text, kCantOpen);
    } else {
        QCOMPARE(answerer->texts(), QStringList());
    }
    QVERIFY(window->status() != kComplete);
    verifyIdle(canProgramme);
    verifyLogReadable();

    answerer->clear();
    QVERIFY(window->close());
    QCOMPARE(answerer->texts(), QStringList());
    verifySaved(stored, Values{{QStringLiteral("Active Channel"), QStringLiteral("0")},
                               {QStringLiteral("Comms Type"), QStringLiteral("1")}});
}

void TestMalformed::malformedStoreFile_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: the store's file is a folder
    QTest::addColumn<QStringList>("startMessages");
    QTest::addColumn<QString>("named"); // what a line of the log names at start-up, if anything
    QTest::addColumn<Values>("kept");   // keys read from the file, as they are saved

    // What the store's reader can make sense of is taken, and nothing after a
    // bad line is lost.
    QTest::newRow("section header without its closing bracket")
        << QByteArray("[Programmer\nComms Type=7\nComms Name=bench\n") << QStringList() << QString()
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("7")},
                  {QStringLiteral("Comms Name"), QStringLiteral("bench")}};
    QTest::newRow("line of binary junk between two keys")
        << QByteArray("[Programmer]\nComms Name=bench\n\x01\x02\xff\xfe[[[\nComms Type=7\n")
        << QStringList() << QString()
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("7")},
                  {QStringLiteral("Comms Name"), QStringLiteral("bench")}};
    QTest::newRow("Firmware a serialised value of no known type")
        << QByteArray("[Programmer]\nFirmware=@Variant(\\0\\0\\0)\nComms Type=7\n")
        << QStringList{kPathNotSet} << QString()
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("7")}};
    // A list written by hand without quotes reads as the one text it was.
    QTest::newRow("comma-separated text without quotes")
        << QByteArray("[Programmer]\nSerial Parameters=57600, n, 8, 1\n") << QStringList()
        << QString()
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("57600,n,8,1")}};
    QTest::newRow("text written in Latin-1")
        << QByteArray("[Programmer]\nComms Name=Salle n\xb0"
                      "3\nComms Type=7\n")
        << QStringList() << QStringLiteral("\"Comms Name\"")
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("7")}};
    QTest::newRow("store file is a folder")
        << QByteArray() << QStringList() << QStringLiteral("ORVANT.conf") << Values();
}

void TestMalformed::malformedStoreFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, startMessages);
    QFETCH(QString, named);
    QFETCH(Values, kept);

    // A store this process has never read, as at the program's start.
    const QString fresh = env->path(QStringLiteral("fresh-config"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, fresh);
    const QString path = fresh + QStringLiteral("/ORVANT/ORVANT.conf");
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (file.isEmpty())
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(writeFile(path, file));

    startProgram();
    QVERIFY(window->isVisible());
    QCOMPARE(answerer->texts(), startMessages);
    if (!named.isEmpty()) {
        // What the program cannot take as it is, and would write over at the
        // next close, is named in the log.
        const QStringList startLines = env->logLines();
        QVERIFY2(anyContains(startLines, named), qPrintable(startLines.join(QLatin1Char('\n'))));
    }

    answerer->clear();
    QVERIFY(window->close());
    if (file.isEmpty()) {
        // Told that nothing was saved and where, and nothing was touched.
        QCOMPARE(answerer->texts(), QStringList{kNotSaved.arg(path)});
        QVERIFY(anyContains(env->logLines(), QStringLiteral("could not be written")));
        QVERIFY(QFileInfo(path).isDir());
        return;
    }
    QCOMPARE(answerer->texts(), QStringList());
    QSettings saved(path, QSettings::IniFormat);
    saved.beginGroup(QStringLiteral("Programmer"));
    for (auto it = kept.begin(); it != kept.end(); ++it)
        QCOMPARE(saved.value(it.key()).toString(), it.value());
}
void TestMalformed::firmwareThatCannotBeRead_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("stage"); // the status painted when it happens; empty: before
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("log"); // in the line the cycle adds to the log

    const QString before;
    const QString programming = QStringLiteral("Programming ...");
    const QString notOpened = QStringLiteral("The firmware file could not be opened");
    const QStringList noFile{kNoFile};
    QTest::newRow("folder is a file") << Damage::FolderIsFile << before << noFile << QString();
    QTest::newRow("folder is a path under a file")
        << Damage::FolderUnderFile << before << noFile << QString();
    QTest::newRow("folder missing") << Damage::FolderMissing << before << noFile << QString();
    QTest::newRow("folder removed once the unit is identified")
        << Damage::FolderRemoved << kIdLine << QStringList{kGoOn} << notOpened;
    QTest::newRow("folder removed at the programming stage")
        << Damage::FolderRemoved << programming << QStringList{kGoOn} << notOpened;
    QTest::newRow("folder replaced by a file at the programming stage")
        << Damage::FolderReplacedByFile << programming << QStringList{kGoOn} << notOpened;
    QTest::newRow("file is a folder") << Damage::FileIsFolder << before << noFile << QString();
    QTest::newRow("file is a pipe") << Damage::FileIsPipe << before << noFile << QString();
    QTest::newRow("file is a link to nothing")
        << Damage::FileIsDanglingLink << before << noFile << QString();
    QTest::newRow("file removed at the programming stage")
        << Damage::FileRemoved << programming << QStringList{kGoOn} << notOpened;
    QTest::newRow("file replaced by a folder once the unit is identified")
        << Damage::FileReplacedByFolder << kIdLine << QStringList{kGoOn} << notOpened;
    QTest::newRow("file emptied at the programming stage")
        << Damage::FileEmptied << programming << QStringList{kNotSuccessful} << QString();
}

void TestMalformed::firmwareThatCannotBeRead()
{
    QFETCH(Damage, damage);
    QFETCH(QString, stage);
    QFETCH(QStringList, messages);
    QFETCH(QString, log);

    QString folder = firmwareFolder();
    bool damaged = true;
    const auto doDamage = [&] {
        switch (damage) {
        case Damage::FolderIsFile:
            folder = notesFile();
            break;
        case Damage::FolderUnderFile:
            folder = notesFile() + QStringLiteral("/fw");
            break;
        case Damage::FolderMissing:
            folder = env->path(QStringLiteral("no-such-folder"));
            break;
        case Damage::FolderRemoved:
            damaged = QDir(firmwareFolder()).removeRecursively();
            break;
        case Damage::FolderReplacedByFile:
            damaged =
                QDir(firmwareFolder()).removeRecursively() && writeFile(firmwareFolder(), kNotes);
            break;
        case Damage::FileIsFolder:
            damaged = QFile::remove(firmwareFile()) && QDir().mkpath(firmwareFile());
            break;
        case Damage::FileIsPipe:
            damaged = QFile::remove(firmwareFile()) &&
                      ::mkfifo(QFile::encodeName(firmwareFile()).constData(), 0600) == 0;
            break;
        case Damage::FileIsDanglingLink:
            damaged = QFile::remove(firmwareFile()) &&
                      QFile::link(env->path(QStringLiteral("gone.vq")), firmwareFile());
            break;
        case Damage::FileRemoved:
            damaged = QFile::remove(firmwareFile());
            break;
        case Damage::FileReplacedByFolder:
            damaged = QFile::remove(firmwareFile()) && QDir().mkpath(firmwareFile());
            break;
        case Damage::FileEmptied:
            damaged = QFile::resize(firmwareFile(), 0);
            break;
        }
    };

    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size();
    // Every answer comes some frames later, so each stage is painted at once.
    o.replyDelayMs = 50;
    startUnit(o);
    if (QTest::currentTestFailed())
        return;
    if (stage.isEmpty())
        doDamage();
    QVERIFY(damaged);
    storeOnTopOfBase(Values{{QStringLiteral("Firmware"), folder}}, Values());
    startProgram();
    QCOMPARE(answerer->texts(), QStringList());
    // Painted at once only once the window is on the screen.
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    std::unique_ptr<AtStage> at;
    if (!stage.isEmpty())
        at = std::make_unique<AtStage>(window->lbl_firmware, stage, doDamage);
    pressControl(Press::Programme);
    QVERIFY(!at || at->done());
    QVERIFY(damaged);

    QCOMPARE(answerer->texts(), messages);
    QCOMPARE(window->status(), QString());
    QCOMPARE(sim->blocksReceived(), 0);
    const QStringList lines = env->logLines();
    if (log.isEmpty()) {
        QCOMPARE(lines, QStringList());
    } else {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(logTail(lines[0]).startsWith(
                     QStringLiteral("FILE:mod_scaler_firmware SUB:Firmware_Programme <A> "
                                    "Error: 75 Desc: ") +
                     log),
                 qPrintable(lines[0]));
    }
    verifyIdle(true);
    QCOMPARE(contents(notesFile()), kNotes);
}

void TestMalformed::firmwareChangesWhileSent_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("complete");
    QTest::newRow("emptied") << Change::Emptied << false;
    QTest::newRow("cut behind the block being sent") << Change::CutBehind << false;
    QTest::newRow("cut mid-block just ahead") << Change::CutJustAhead << false;
    QTest::newRow("cut mid-block far ahead") << Change::CutFarAhead << false;
    // The length is taken when the file is opened.
    QTest::newRow("grown") << Change::Grown << true;
    // The open file is still read to its end.
    QTest::newRow("folder removed") << Change::FolderRemoved << true;
}

void TestMalformed::firmwareChangesWhileSent()
{
    QFETCH(Change, change);
    QFETCH(bool, complete);

    constexpr int BlockSize = ScalerProtocol::BlockSize;
    constexpr int Blocks = 2048;
    constexpr int FarAhead = 1500;
    image = VqSimulator::randomImage(Blocks * BlockSize, 7);
    QVERIFY(writeFile(firmwareFile(), image));
    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size();
    startUnit(o);
    if (QTest::currentTestFailed())
        return;
    storeOnTopOfBase(Values(), Values());
    startProgram();

    // Between two blocks, once a few have gone.
    int blocksAtChange = -1;
    int expectedBlocks = Blocks;
    bool changed = false;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [&] {
        if (sim->blocksReceived() < 4)
            return;
        watch.stop();
        blocksAtChange = sim->blocksReceived();
        switch (change) {
        case Change::Emptied:
            expectedBlocks = blocksAtChange;
            changed = QFile::resize(firmwareFile(), 0);
            break;
        case Change::CutBehind:
            expectedBlocks = blocksAtChange;
            changed = QFile::resize(firmwareFile(), 2 * BlockSize);
            break;
        case Change::CutJustAhead:
            expectedBlocks = blocksAtChange + 3;
            changed = QFile::resize(firmwareFile(), expectedBlocks * BlockSize + 5);
            break;
        case Change::CutFarAhead:
            expectedBlocks = FarAhead;
            changed = QFile::resize(firmwareFile(), FarAhead * BlockSize + 5);
            break;
        case Change::Grown: {
            QFile f(firmwareFile());
            changed = f.open(QIODevice::Append) && f.write(QByteArray(4096, 'G')) == 4096;
            break;
        }
        case Change::FolderRemoved:
            changed = QDir(firmwareFolder()).removeRecursively();
            break;
        }
    });
    watch.start();
    pressControl(Press::Programme);
    QVERIFY(blocksAtChange >= 4);
    QVERIFY(changed);

    verifyIdle(true);
    QCOMPARE(sim->bytesAfterUpload(), 0);
    // Whatever went, went as the file's own bytes, in order.
    QCOMPARE(sim->lastUpload(), image.left(sim->blocksReceived() * BlockSize));
    if (complete) {
        QCOMPARE(window->status(), kComplete);
        QCOMPARE(answerer->texts(), QStringList());
        QCOMPARE(sim->lastUpload(), image);
        return;
    }
    QCOMPARE(window->status(), QString());
    QCOMPARE(answerer->texts(), QStringList{kGoOn});
    const QStringList lines = env->logLines();
    QVERIFY(!lines.isEmpty());
    QVERIFY2(logTail(lines.last())
                 .contains(QStringLiteral("Error: 75 Desc: The firmware file "
                                          "changed while it was being sent")),
             qPrintable(lines.last()));
    // No block beyond the file's end as it is now.
    QCOMPARE(sim->blocksReceived(), expectedBlocks);
}

void TestMalformed::unwritableErrorLog_data()
{
    QTest::addColumn<Blocker>("blocker");
    QTest::newRow("log is a folder") << Blocker::LogIsFolder;
    QTest::newRow("log is a path under a file") << Blocker::LogUnderFile;
    QTest::newRow("log is a folder, per-user data folder is a file")
        << Blocker::LogAndFallbackBlocked;
}

void TestMalformed::unwritableErrorLog()
{
    QFETCH(Blocker, blocker);

    const QString dataFolder = env->path(QStringLiteral("data"));
    switch (blocker) {
    case Blocker::LogIsFolder:
        QVERIFY(QDir().mkpath(env->logPath()));
        break;
    case Blocker::LogUnderFile:
        setProgramFolder(notesFile());
        break;
    case Blocker::LogAndFallbackBlocked:
        QVERIFY(QDir().mkpath(env->logPath()));
        QVERIFY(QDir(dataFolder).removeRecursively());
        QVERIFY(writeFile(dataFolder, kNotes));
        break;
    }
    const bool toStandardError = blocker == Blocker::LogAndFallbackBlocked;
    const QString fallback = ErrorLog::fallbackTarget();
    QVERIFY2(fallback.startsWith(dataFolder + QLatin1Char('/')), qPrintable(fallback));

    env->store({{QStringLiteral("Active Channel"), QStringLiteral("abc")},
                {QStringLiteral("Firmware"), firmwareFolder()}});
    const QString captured = env->path(QStringLiteral("stderr.txt"));
    StandardErrorCapture capture(captured);
    QVERIFY(capture.ok());

    startProgram();
    const QString target = errorLogTarget();
    pressControl(Press::Ident);
    // The store cannot be written at close: a report through error control.
    QVERIFY(QDir(env->path(QStringLiteral("config"))).removeRecursively());
    QVERIFY(writeFile(env->path(QStringLiteral("config")), kNotes));
    QVERIFY(window->close());
    capture.restore();

    QCOMPARE(answerer->texts(), (QStringList{kCantOpen, kNotSaved.arg(env->storeFile())}));
    QStringList entries;
    const QString errors = QString::fromUtf8(contents(captured));
    if (toStandardError) {
        QVERIFY(!QFileInfo::exists(fallback));
        entries = errors.split(QLatin1Char('\n'));
    } else {
        entries = QString::fromUtf8(contents(fallback)).split(QLatin1Char('\n'));
        // The first entry there says where the others were meant to go.
        QVERIFY2(entries.first().startsWith(
                     QStringLiteral("Error log %1 cannot be written (").arg(target)),
                 qPrintable(entries.first()));
        QCOMPARE(entries.filter(QStringLiteral("cannot be written (")).size(), 1);
        QVERIFY2(!errors.contains(QStringLiteral("Settings:")), qPrintable(errors));
    }
    QVERIFY2(anyContains(entries, QStringLiteral("Settings: \"Active Channel\" holds \"abc\"")),
             qPrintable(entries.join(QLatin1Char('\n'))));
    QVERIFY2(anyContains(entries, QStringLiteral("Link: serial port COM1: (")),
             qPrintable(entries.join(QLatin1Char('\n'))));
    QVERIFY2(anyContains(entries, QStringLiteral("FILE:frm_programme SUB:Form Unload Error: 8030")),
             qPrintable(entries.join(QLatin1Char('\n'))));
    // What stood in the log's way is as it was.
    QCOMPARE(contents(notesFile()), kNotes);
    if (blocker != Blocker::LogUnderFile)
        QVERIFY(QFileInfo(target).isDir());
}

QTEST_MAIN(TestMalformed)
#include "tst_malformed.moc"
