#include "ProcessEnd.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "WindowFixture.h"
#include "frm_programme.h"

#include <QAction>
#include <QPushButton>
#include <QSettings>
#include <QTest>

// Leaving the program while a unit is being programmed: the program ends
// there, with the link closed, and only closing the window saves.
class TestShutdown : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        stopWindow();
        stopFixture();
    }
    void leaveDuringCycle_data()
    {
        QTest::addColumn<bool>("closeWindow"); // else File -> Exit
        QTest::newRow("closing the window") << true;
        QTest::newRow("File, Exit") << false;
    }
    void leaveDuringCycle()
    {
        QFETCH(bool, closeWindow);
        writeFirmware("vq200_s70_1.vq", QByteArray(4096 * 32, '\x5A'));
        VqSimOptions unit;
        unit.inLoader = true;
        startWindow(unit);
        atBlock(1, [&] {
            closeWindow ? void(window->close()) : window->mnu_programme_exit->trigger();
        });
        try {
            window->cmd_programme_prog->click();
            QFAIL("the program went on after it was left");
        } catch (const ProgramEnded &e) {
            QCOMPARE(e.exitCode, 0);
        }
        QVERIFY(!static_cast<ScalerLink &>(window->link()).isOpen() &&
                answerer->messages().isEmpty());
        QCOMPARE(openSettingsStore()->childKeys().size(), closeWindow ? 11 : 4);
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
