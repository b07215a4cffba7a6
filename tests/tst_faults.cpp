// Every way a unit or its link can break a programming cycle, in turn: the
// cycle never reports success, the window ends idle, the firmware file and
// the link are closed, and the very next cycle programs the unit whole.
#include "LinkInstances.h"
#include "ProgramFixture.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {
enum class Break
{
    DropAt,
    NakAt,
    EarlyEAt,
    SilentAt,
    WrongAckAt,
    Silent,
    NoAckNoId,
    NoS,
    NoAAfterY,
};

constexpr int kBlocks = 20;
constexpr int kBlockSize = 32;
const QString kComplete = QStringLiteral("Programing Complete....");

// The descriptors this process has open, with what each one names.
QStringList openDescriptors()
{
    QStringList out;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        out.append(fd.symLinkTarget());
    return out;
}
} // namespace

class TestFaults : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void brokenCycle_data();
    void brokenCycle();

private:
    // Runs one cycle against a unit with these options; the cycle's status.
    QString cycle(const VqSimOptions &options, VqSimulator **unit = nullptr);
    QString firmwareFile() const
    {
        return QDir(env->path(QStringLiteral("fw"))).filePath(QStringLiteral("vq200_s70_1.vq"));
    }

    QByteArray image = VqSimulator::randomImage(kBlocks * kBlockSize, 20);
    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<frm_programme> window;
};

void TestFaults::initTestCase()
{
    // One clean cycle first, so that what the platform opens once (fonts,
    // the display) is open before descriptors are counted.
    init();
    VqSimOptions o;
    o.inLoader = true;
    o.size = image.size();
    QCOMPARE(cycle(o), kComplete);
    cleanup();
}

void TestFaults::init()
{
    startFixture();
    QDir().mkpath(env->path(QStringLiteral("fw")));
    QFile f(firmwareFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(image);
    f.close();
    // Each cycle sets the port of the unit it runs against.
    env->storeLoopbackUnit(0, env->path(QStringLiteral("fw")));
    window = std::make_unique<frm_programme>();
    Main();
}

void TestFaults::cleanup()
{
    window.reset();
    sim.reset();
    stopFixture();
}

QString TestFaults::cycle(const VqSimOptions &options, VqSimulator **unit)
{
    sim = std::make_unique<VqSimulator>(options);
    if (!sim->startTcp(0))
        return QStringLiteral("the simulated unit did not start");
    if (unit)
        *unit = sim.get();
    programSettings().EthernetPort = QString::number(sim->port());
    window->cmd_programme_prog_Click();
    return window->status();
}

void TestFaults::brokenCycle_data()
{
    QTest::addColumn<Break>("kind");
    QTest::addColumn<int>("k");
    QTest::addColumn<QByteArray>("answer");

    for (int k = 0; k < kBlocks; ++k) {
        QTest::addRow("link dropped at block %d", k) << Break::DropAt << k << QByteArray();
        QTest::addRow("block %d refused", k) << Break::NakAt << k << QByteArray();
        // An "E" for the last block is the unit's normal end.
        if (k < kBlocks - 1)
            QTest::addRow("early E at block %d", k) << Break::EarlyEAt << k << QByteArray();
    }
    QTest::newRow("silent unit") << Break::Silent << 0 << QByteArray();
    QTest::newRow("no acknowledgement, no id") << Break::NoAckNoId << 0 << QByteArray();
    QTest::newRow("no S after U") << Break::NoS << 0 << QByteArray();
    QTest::newRow("no A after Y") << Break::NoAAfterY << 0 << QByteArray();
    QTest::newRow("silent from block 10") << Break::SilentAt << 10 << QByteArray();
    for (const int k : {0, 7, kBlocks - 1}) {
        QTest::addRow("\"N\" at block %d", k) << Break::WrongAckAt << k << QByteArray("N");
        QTest::addRow("\"a\" at block %d", k) << Break::WrongAckAt << k << QByteArray("a");
        QTest::addRow("zero byte at block %d", k) << Break::WrongAckAt << k << QByteArray(1, '\0');
        QTest::addRow("\"AA\" at block %d", k) << Break::WrongAckAt << k << QByteArray("AA");
    }
}

void TestFaults::brokenCycle()
{
    QFETCH(Break, kind);
    QFETCH(int, k);
    QFETCH(QByteArray, answer);

    const QStringList descriptorsBefore = openDescriptors();
    VqSimOptions o;
    o.bootMs = 10;
    o.size = image.size();
    // A unit that waits in its loader skips the second it takes to find out
    // that a running unit announces nothing; the stages before the blocks
    // are broken from a running unit below.
    o.inLoader = true;
    switch (kind) {
    case Break::DropAt:
        o.dropAt = k;
        break;
    case Break::NakAt:
        o.nakAt = k;
        break;
    case Break::EarlyEAt:
        o.earlyEAt = k;
        break;
    case Break::SilentAt:
        o.silentAt = k;
        break;
    case Break::WrongAckAt:
        o.wrongAckAt = k;
        o.wrongAck = answer;
        break;
    case Break::Silent:
        o.inLoader = false;
        o.silent = true;
        break;
    case Break::NoAckNoId:
        o.inLoader = false;
        o.noAck = true;
        o.noId = true;
        break;
    case Break::NoS:
        o.inLoader = false;
        o.noS = true;
        break;
    case Break::NoAAfterY:
        o.inLoader = false;
        o.noAAfterY = true;
        break;
    }

    VqSimulator *unit = nullptr;
    const QString status = cycle(o, &unit);
    QVERIFY2(status != kComplete, "a broken cycle reported success");
    QVERIFY(!window->cmd_abort->isEnabled());
    QVERIFY(window->cmd_programme_prog->isEnabled());
    QVERIFY(window->cmd_checkupdate->isEnabled());
    QVERIFY(window->mnu_about->isEnabled());
    QVERIFY(window->mnu_tools->menuAction()->isEnabled());
    QVERIFY(window->mnu_file_path->isEnabled());
    QVERIFY(!window->busy());
    QVERIFY(!static_cast<ScalerLink &>(scalerLink()).isOpen());
    QVERIFY(!openDescriptors().contains(QFileInfo(firmwareFile()).canonicalFilePath()));
    // Nothing goes to the unit after it ended the upload.
    QCOMPARE(unit->bytesAfterUpload(), 0);
    if (kind == Break::DropAt || kind == Break::NakAt || kind == Break::EarlyEAt)
        QCOMPARE(unit->blocksReceived(), k + 1);

    // The very next cycle, against a sound unit, programs it byte for byte.
    answerer->clear();
    VqSimOptions sound;
    sound.inLoader = true;
    sound.size = image.size();
    QCOMPARE(cycle(sound, &unit), kComplete);
    QCOMPARE(unit->lastUpload(), image);
    QCOMPARE(answerer->messages().size(), 0);

    sim.reset();
    QCOMPARE(openDescriptors(), descriptorsBefore);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
