#include "FlashwrightVersion.h"
#include "ProgramFixture.h"
#include "ScalerSettings.h"
#include "frmAbout.h"
#include "frm_pathselect.h"
#include "frm_programme.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <memory>

class TestDialogs : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void aboutBox_data();
    void aboutBox();
    void folderMenu_data();
    void folderMenu();
};

void TestDialogs::aboutBox_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter closes") << int(Qt::Key_Return);
    QTest::newRow("Escape closes") << int(Qt::Key_Escape);
}

void TestDialogs::aboutBox()
{
    QFETCH(int, key);
    frm_programme window;
    Main();
    QVERIFY(!window.windowIcon().isNull());

    const QString version = QStringLiteral("Version %1.%2.%3")
                                .arg(FlashwrightVersion::Major)
                                .arg(FlashwrightVersion::Minor)
                                .arg(FlashwrightVersion::Revision);
    // Twice in a row: a new box each time, with the same texts.
    for (int round = 0; round < 2; ++round) {
        QStringList seen;
        QSize logo;
        bool modal = false;
        QTimer::singleShot(0, &window, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about)
                return;
            modal = about->isModal();
            seen << about->windowTitle() << about->lblTitle->text() << about->lblVersion->text()
                 << about->lblDescription->text();
            logo = about->picIcon->pixmap().size();
            QTest::keyClick(about, Qt::Key(key));
        });
        window.mnu_about->trigger();
        QCOMPARE(seen, (QStringList{QStringLiteral("About Flashwright"),
                                    QStringLiteral("Flashwright"), version,
                                    QStringLiteral("Programming tool for the VQ series units")}));
        QCOMPARE(logo, QSize(66, 64));
        QVERIFY(modal);
        QVERIFY(!QApplication::activeModalWidget());
    }
    QVERIFY(window.findChildren<frmAbout *>().isEmpty()); // unloaded after each OK
    QVERIFY(answerer->messages().isEmpty());
}

void TestDialogs::folderMenu_data()
{
    QTest::addColumn<bool>("pathBefore");
    QTest::addColumn<bool>("chooseFolder"); // else Cancel
    QTest::addColumn<bool>("enabledAfter");
    QTest::newRow("first use, folder chosen") << false << true << true;
    QTest::newRow("first use, cancelled") << false << false << false;
    QTest::newRow("path set, cancelled: still saved and enabled") << true << false << true;
}

void TestDialogs::folderMenu()
{
    QFETCH(bool, pathBefore);
    QFETCH(bool, chooseFolder);
    QFETCH(bool, enabledAfter);
    const QString folder = env->path(QStringLiteral("fw"));
    QDir().mkpath(folder);
    QFile vq(QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq")));
    QVERIFY(vq.open(QIODevice::WriteOnly));
    vq.close();
    env->store({{QStringLiteral("Firmware"), pathBefore ? folder : QString()}});
    answerer->plan({MsgAnswer::Ok}); // "Firmware path not set" at start
    frm_programme window;
    Main();
    QCOMPARE(window.cmd_programme_prog->isEnabled(), pathBefore);

    QTimer::singleShot(0, &window, [&] {
        auto *dialog = qobject_cast<frm_pathselect *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (chooseFolder) {
            dialog->setDir1Path(folder);
            dialog->cmd_programme_prog->click();
        } else {
            dialog->cmd_cancel->click();
        }
    });
    window.mnu_file_path->trigger();
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(window.cmd_programme_prog->isEnabled(), enabledAfter);
    const auto store = openSettingsStore(QString());
    // Saved only when a path exists: then every key is written.
    QCOMPARE(store->contains(QStringLiteral("Programmer/Left")), enabledAfter);
    if (enabledAfter)
        QCOMPARE(QDir::cleanPath(store->value(QStringLiteral("Programmer/Firmware")).toString()),
                 QDir::cleanPath(folder));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
