// The dialogs as the technician uses them: the about box, the firmware
// folder, the communication settings, and the message box itself.
#include "FlashwrightVersion.h"
#include "LinkInstances.h"
#include "MessageBox.h"
#include "ProgramFixture.h"
#include "RunError.h"
#include "ScalerSettings.h"
#include "frmAbout.h"
#include "frm_Commsettings.h"
#include "frm_pathselect.h"
#include "frm_programme.h"
#include "mod_MsgBoxEx.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {
using Values = QMap<QString, QString>;

QString stored(const QString &key)
{
    return openSettingsStore()->value(key).toString();
}

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Runs act on the modal dialog of type D once it is up.
template <typename D> void whenShown(QObject *context, std::function<void(D *)> act)
{
    QTimer::singleShot(0, context, [act] {
        if (auto *d = qobject_cast<D *>(QApplication::activeModalWidget()))
            act(d);
    });
}
} // namespace

class TestDialogs : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        startFixture();
        // COM ports that lead nowhere, so that reopening the link fails quietly.
        for (int n = 1; n <= 10; ++n)
            env->mapPort(QStringLiteral("COM%1").arg(n), env->path(QStringLiteral("no-tty")));
    }
    void cleanup()
    {
        window.reset();
        stopFixture();
    }

    void aboutBox();
    void folderMenu_data();
    void folderMenu();
    void folderLists();
    void unreachableFolder_data();
    void unreachableFolder();
    void commsOk_data();
    void commsOk();
    void commsMalformed_data();
    void commsMalformed();
    void commsModeless();
    void messageBox_data();
    void messageBox();

private:
    void start(const Values &values = {})
    {
        env->store(values);
        window = std::make_unique<frm_programme>();
        Main();
    }
    frm_Commsettings *comms(const Values &values)
    {
        start(values);
        window->mnu_tools_serialport->trigger();
        return window->findChild<frm_Commsettings *>();
    }
    QString folder(const QString &name, const QStringList &files, const QStringList &dirs = {})
    {
        const QString path = QDir::cleanPath(env->path(name));
        QDir().mkpath(path);
        for (const QString &f : files)
            QFile(QDir(path).filePath(f)).open(QIODevice::WriteOnly);
        for (const QString &d : dirs)
            QDir(path).mkpath(d);
        return path;
    }

    std::unique_ptr<frm_programme> window;
};

void TestDialogs::aboutBox()
{
    start();
    QVERIFY(!window->windowIcon().isNull());
    // Twice in a row, closed by Enter and by Escape: a new box each time, the same texts.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QStringList seen;
        whenShown<frmAbout>(window.get(), [&](frmAbout *about) {
            seen << about->windowTitle() << about->lblTitle->text() << about->lblVersion->text()
                 << about->lblDescription->text()
                 << QString::number(about->picIcon->pixmap().width());
            QTest::keyClick(about, key);
        });
        window->mnu_about->trigger();
        QCOMPARE(seen,
                 (QStringList{QStringLiteral("About Flashwright"), QStringLiteral("Flashwright"),
                              QStringLiteral("Version %1.%2.%3")
                                  .arg(FlashwrightVersion::Major)
                                  .arg(FlashwrightVersion::Minor)
                                  .arg(FlashwrightVersion::Revision),
                              QStringLiteral("Programming tool for the VQ series units"),
                              QStringLiteral("66")}));
        QVERIFY(!QApplication::activeModalWidget());
    }
    QVERIFY(window->findChildren<frmAbout *>().isEmpty()); // unloaded after each OK
    QVERIFY(answerer->messages().isEmpty());
}

void TestDialogs::folderMenu_data()
{
    QTest::addColumn<bool>("pathBefore");
    QTest::addColumn<QString>("files");   // in the folder chosen; "" for Cancel
    QTest::addColumn<bool>("chosen");     // the folder became the firmware path
    QTest::addColumn<QString>("message"); // "No VQ files found ..." for a folder without any
    QTest::newRow("first use, folder chosen") << false << "b.vq a.vq" << true << "";
    QTest::newRow("upper-case extension") << false << "A.VQ" << true << "";
    QTest::newRow("first use, cancelled") << false << "" << false << "";
    QTest::newRow("path set, cancelled: still saved and enabled") << true << "" << false << "";
    QTest::newRow("only other files: told, not chosen")
        << false << "a.bin" << false << "No VQ files found please select another directory";
    QTest::newRow("a folder named like a file")
        << false << "x.vq/" << false << "No VQ files found please select another directory";
}

void TestDialogs::folderMenu()
{
    QFETCH(bool, pathBefore);
    QFETCH(QString, files);
    QFETCH(bool, chosen);
    QFETCH(QString, message);
    const QString old = folder(QStringLiteral("old"), {QStringLiteral("vq200_s70_1.vq")});
    QStringList names = files.split(u' ', Qt::SkipEmptyParts);
    const QStringList dirs = names.filter(QStringLiteral("/"));
    for (const QString &d : dirs)
        names.removeAll(d);
    const QString fw = folder(QStringLiteral("fw"), names, dirs);
    answerer->plan({MsgAnswer::Ok}); // "Firmware path not set" at start
    start({{QStringLiteral("Firmware"), pathBefore ? old : QString()}});
    QCOMPARE(window->cmd_programme_prog->isEnabled(), pathBefore);
    answerer->clear();

    bool stillOpen = false;
    whenShown<frm_pathselect>(window.get(), [&](frm_pathselect *dialog) {
        if (files.isEmpty())
            return QTest::keyClick(dialog, Qt::Key_Escape);
        dialog->setDir1Path(fw);
        dialog->cmd_programme_prog->click();
        stillOpen = dialog->isVisible();
        if (stillOpen)
            dialog->cmd_cancel->click();
    });
    window->mnu_file_path->trigger();
    QCOMPARE(stillOpen, !message.isEmpty());
    QCOMPARE(answerer->messages().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(answerer->messages()[0].title + u'|' +
                     QString::number(answerer->messages()[0].style) + u'|' +
                     answerer->messages()[0].text,
                 QStringLiteral("Error|48|") + message);
    const bool pathAfter = chosen || pathBefore;
    QCOMPARE(window->cmd_programme_prog->isEnabled(), pathAfter);
    // Saved whenever a path exists, every key then; the folder, not a file.
    QCOMPARE(openSettingsStore()->contains(QStringLiteral("Left")), pathAfter);
    QCOMPARE(QDir::cleanPath(programSettings().FirmwarePath), chosen       ? fw
                                                              : pathBefore ? old
                                                                           : QString());
}

void TestDialogs::folderLists()
{
    const QString fw = folder(QStringLiteral("fw"), {QStringLiteral("b.vq")},
                              {QStringLiteral("sub"), QStringLiteral("Alpha")});
    folder(QStringLiteral("fw/sub"), {QStringLiteral("x.vq"), QStringLiteral("y.bin")});
    // First use: the program's folder, its drive, the root drive first.
    frm_pathselect first;
    QCOMPARE(first.windowTitle(), QStringLiteral("Path Selection"));
    QVERIFY(first.isModal());
    QCOMPARE(first.Dir1Path(), QDir::cleanPath(env->programFolder()));
    QCOMPARE(first.Drive1->currentText(), first.driveOf(env->programFolder()));
    QCOMPARE(first.Drive1->itemText(0), QStringLiteral("/"));
    QCOMPARE(first.File1->count(), 0);
    QVERIFY(first.Label1->wordWrap() || first.Label1->width() >= first.Label1->sizeHint().width());
    // A stored folder is where it starts; the lists follow the folder entered.
    programSettings().FirmwarePath = fw;
    frm_pathselect dlg;
    QCOMPARE(texts(dlg.Dir1), (QStringList{"..", "Alpha", "sub"}));
    QCOMPARE(texts(dlg.File1), QStringList{"b.vq"});
    Q_EMIT dlg.Dir1->itemActivated(dlg.Dir1->item(2));
    QCOMPARE(dlg.Dir1Path(), fw + QStringLiteral("/sub"));
    QCOMPARE(texts(dlg.File1), QStringList{"x.vq"});
    Q_EMIT dlg.Dir1->itemActivated(dlg.Dir1->item(0));
    QCOMPARE(dlg.Dir1Path(), fw);
    QVERIFY(answerer->messages().isEmpty());
}

void TestDialogs::unreachableFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("folder gone") << QStringLiteral("gone") << int(RunError::FileNotFound);
    QTest::newRow("names a file") << QStringLiteral("fw.vq") << int(RunError::PathFileAccess);
}

void TestDialogs::unreachableFolder()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QFile(env->path(QStringLiteral("fw.vq"))).open(QIODevice::WriteOnly);
    programSettings().FirmwarePath = env->path(name);
    frm_pathselect dlg;
    // Reported, and the lists stay where they were: the program's folder and its drive.
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    QVERIFY2(
        logTail(env->logLines().last())
            .startsWith(QStringLiteral("FILE:frm_pathselect SUB:form_load Error: %1").arg(number)),
        qPrintable(env->logLines().last()));
    QCOMPARE(dlg.Dir1Path(), QDir::cleanPath(env->programFolder()));
    QCOMPARE(dlg.Drive1->currentText(), dlg.driveOf(env->programFolder()));
    QCOMPARE(programSettings().FirmwarePath, env->path(name));
}

void TestDialogs::commsOk_data()
{
    QTest::addColumn<QString>("parameters"); // stored
    QTest::addColumn<QString>("port");       // stored
    QTest::addColumn<QString>("click");      // a control clicked before OK, by object name
    QTest::addColumn<QString>("saved");      // port, parameters, type as stored after OK
    QTest::newRow("no stored settings") << ""
                                        << ""
                                        << ""
                                        << "COM1: 57600,N,8,1 1";
    QTest::newRow("ethernet still rewrites the serial texts") << "9600,o,7,2"
                                                              << ""
                                                              << "opt_ethser0"
                                                              << "COM1: 9600,O,7,2 0";
    QTest::newRow("4800 survives") << "4800,n,8,1"
                                   << ""
                                   << ""
                                   << "COM1: 4800,N,8,1 1";
    QTest::newRow("a hidden speed wins over a visible one") << "9600,n,8,1"
                                                            << ""
                                                            << "baud115"
                                                            << "COM1: 9600,N,8,1 1";
    QTest::newRow("visible speed") << ""
                                   << ""
                                   << "baud115"
                                   << "COM1: 115200,N,8,1 1";
    QTest::newRow("Com10") << ""
                           << ""
                           << "ComPort10"
                           << "COM10: 57600,N,8,1 1";
    QTest::newRow("Com10 chosen again at load") << ""
                                                << "COM10:"
                                                << ""
                                                << "COM10: 57600,N,8,1 1";
    QTest::newRow("parity e comes back E") << "57600,e,8,1"
                                           << ""
                                           << ""
                                           << "COM1: 57600,E,8,1 1";
    QTest::newRow("unknown parity passes through") << "57600,m,8,1"
                                                   << ""
                                                   << ""
                                                   << "COM1: 57600,m,8,1 1";
    QTest::newRow("extra fields dropped, stop bits cut") << "57600,n,8,12,x,y"
                                                         << ""
                                                         << ""
                                                         << "COM1: 57600,N,8,1 1";
}

void TestDialogs::commsOk()
{
    QFETCH(QString, parameters);
    QFETCH(QString, port);
    QFETCH(QString, click);
    QFETCH(QString, saved);
    Values values;
    if (!parameters.isEmpty())
        values.insert(QStringLiteral("Serial Parameters"), parameters);
    if (!port.isEmpty())
        values.insert(QStringLiteral("Serial Port"), port);
    QString portWhenReopened = QStringLiteral("(never)");
    // The link is reopened (and cannot open) before the new values are stored.
    answerer->onMessage([&](const MessageRequest &m) {
        if (m.title == QLatin1String(" Error "))
            portWhenReopened = stored(QStringLiteral("Serial Port"));
    });
    frm_Commsettings *dialog = comms(values);
    QVERIFY(dialog);
    QCOMPARE(dialog->txt_ethaddress->text() + u' ' + dialog->txt_ethport->text(),
             QStringLiteral("10.1.2.123 10001"));
    // The link may reach only this machine: a loopback port that refuses.
    dialog->txt_ethaddress->setText(QStringLiteral("127.0.0.1"));
    dialog->txt_ethport->setText(QStringLiteral("9"));
    if (!click.isEmpty())
        dialog->findChild<QRadioButton *>(click)->click();
    dialog->okbutton->click();
    QCOMPARE(QStringList({stored(QStringLiteral("Serial Port")),
                          stored(QStringLiteral("Serial Parameters")),
                          stored(QStringLiteral("Comms Type"))})
                 .join(u' '),
             saved);
    // The boxes always overwrite the address, shown or not.
    QCOMPARE(stored(QStringLiteral("EthernetAddress")) + u' ' +
                 stored(QStringLiteral("Ethernet Port")),
             QStringLiteral("127.0.0.1 9"));
    QCOMPARE(portWhenReopened, port);
    QTRY_VERIFY(!window->findChild<frm_Commsettings *>()); // closed and gone
}

void TestDialogs::commsMalformed_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<qint32>("answer");
    QTest::addColumn<bool>("serialChosen"); // the load went on past the failure
    QTest::newRow("port without colon, No stops the load")
        << "COM1"
        << "57600,n,8,1" << qint32(MsgAnswer::No) << false;
    QTest::newRow("port without colon, Yes goes on")
        << "COM1"
        << "57600,n,8,1" << qint32(MsgAnswer::Yes) << true;
    QTest::newRow("two commas, No stops") << "COM1:"
                                          << "57600,n,8" << qint32(MsgAnswer::No) << false;
}

void TestDialogs::commsMalformed()
{
    QFETCH(QString, port);
    QFETCH(QString, parameters);
    QFETCH(qint32, answer);
    QFETCH(bool, serialChosen);
    answerer->plan({answer, MsgAnswer::Yes, MsgAnswer::Yes});
    frm_Commsettings *dialog = comms(
        {{QStringLiteral("Serial Port"), port}, {QStringLiteral("Serial Parameters"), parameters}});
    QVERIFY(dialog);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    QVERIFY(logTail(env->logLines().first())
                .startsWith(QStringLiteral("FILE:frm_commsettings SUB:Form_Load Error: 5")));
    QCOMPARE(dialog->opt_ethser[1]->isChecked(), serialChosen);
}

void TestDialogs::commsModeless()
{
    frm_Commsettings *dialog = comms({});
    QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
    QVERIFY(window->mnu_tools->menuAction()->isEnabled());
    // A second "Communications Port" brings the same dialog forward.
    window->mnu_tools_serialport->trigger();
    QCOMPARE(window->findChildren<frm_Commsettings *>().size(), 1);
    QCOMPARE(dialog->ComPort[3]->toolTip(), env->path(QStringLiteral("no-tty")));
    // The hidden frames lie outside the dialog.
    QVERIFY(!dialog->rect().intersects(dialog->Frame1->geometry()));
    QVERIFY(dialog->Data8->isChecked() && dialog->Stop1->isChecked() &&
            dialog->NoParity->isChecked() && dialog->baud576->isChecked());
    dialog->cmd_cancel->click();
    QTRY_VERIFY(!window->findChild<frm_Commsettings *>());
    QCOMPARE(stored(QStringLiteral("Serial Parameters")), QString()); // Cancel stores nothing
}

void TestDialogs::messageBox_data()
{
    QTest::addColumn<qint32>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("button");
    QTest::addColumn<qint16>("answer");
    QTest::addColumn<int>("xTwips");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("Yes/No answered Yes, placed far right")
        << 52 << "Warning" << int(QMessageBox::Yes) << qint16(6) << 999999 << "Warning";
    QTest::newRow("Yes/No answered No, placed left of the screen")
        << 36 << "Q" << int(QMessageBox::No) << qint16(7) << -999 << "Q";
    QTest::newRow("OK box, empty title")
        << 48 << "" << int(QMessageBox::Ok) << qint16(1) << 300 << "Message";
}

void TestDialogs::messageBox()
{
    QFETCH(qint32, style);
    QFETCH(QString, title);
    QFETCH(int, button);
    QFETCH(qint16, answer);
    QFETCH(int, xTwips);
    QFETCH(QString, shownTitle);
    QRect shownAt;
    QString seen;
    bool onTop = false;
    // Answered once it is up and has been placed.
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownAt = box->frameGeometry();
        seen = box->windowTitle() + u'|' + box->text();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::StandardButton(button))->click();
    });
    MessageBoxAnswerer real;
    MessageAnswerer *previous = setMessageAnswerer(&real);
    const qint16 answered =
        MsgBoxEx(QStringLiteral("Line one\r\nLine two"), style, title, xTwips, 300);
    setMessageAnswerer(previous);
    QCOMPARE(answered, answer);
    QCOMPARE(seen, shownTitle + QStringLiteral("|Line one\nLine two"));
    QVERIFY(onTop);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint wanted(twipsToPixels(xTwips, screen->logicalDotsPerInchX()),
                        twipsToPixels(300, screen->logicalDotsPerInchY()));
    QCOMPARE(shownAt.topLeft(),
             clampBoxPosition(wanted, shownAt.size(), screen->geometry().size()));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
