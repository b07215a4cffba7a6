#include "LinkInstances.h"
#include "ProcessEnd.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <memory>

// Leaving the program while a unit is being programmed: the program ends
// there, with the link closed, and only closing the window saves.
class TestShutdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leaveDuringCycle_data();
    void leaveDuringCycle();
};

void TestShutdown::leaveDuringCycle_data()
{
    QTest::addColumn<bool>("closeWindow"); // else File -> Exit
    QTest::newRow("closing the window") << true;
    QTest::newRow("File, Exit") << false;
}

void TestShutdown::leaveDuringCycle()
{
    QFETCH(bool, closeWindow);
    TestEnvironment env;
    ScriptedAnswerer answerer;
    setProgramFolder(env.programFolder());
    programSettings() = ScalerSettings();
    releaseScalerLink();

    const QString folder = env.path(QStringLiteral("fw"));
    QDir().mkpath(folder);
    QFile image(QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq")));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096 * 32, '\x5A'));
    image.close();

    VqSimOptions o;
    o.inLoader = true;
    o.size = 4096 * 32;
    o.replyDelayMs = 1;
    VqSimulator sim(o);
    QVERIFY(sim.startTcp(0));
    env.storeLoopbackUnit(sim.port(), folder);

    frm_programme window;
    Main();
    int blocksWhenLeft = -1;
    QTimer::singleShot(100, &window, [&] {
        blocksWhenLeft = sim.blocksReceived();
        if (closeWindow)
            window.close();
        else
            window.mnu_programme_exit->trigger();
    });
    try {
        window.cmd_programme_prog->click();
        QFAIL("the program went on after it was left");
    } catch (const ProgramEnded &e) {
        QCOMPARE(e.exitCode, 0);
    }
    QVERIFY(blocksWhenLeft > 0);
    QVERIFY(!static_cast<ScalerLink &>(scalerLink()).isOpen());
    QVERIFY(answerer.messages().isEmpty());
    // Nothing more reaches the unit once the program has been left.
    QTest::qWait(50);
    QVERIFY(sim.blocksReceived() <= blocksWhenLeft + 1);

    const auto store = openSettingsStore();
    QCOMPARE(store->contains(QStringLiteral("Left")), closeWindow);
    QCOMPARE(store->childKeys().size(), closeWindow ? 11 : 4);
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
