// The dialogs as the technician uses them: the about box, the firmware
// folder, the communication settings, and the message box itself.
#include "FlashwrightVersion.h"
#include "MessageBox.h"
#include "ScalerSettings.h"
#include "WindowFixture.h"
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
#include <QStorageInfo>
#include <QTest>
#include <QTimer>

namespace {
const QString kGoOn = QStringLiteral(
    "Application problem|52|An Error Occured in the application\r\nAttempt to continue?");
const QString kNoVq = QStringLiteral("Error|48|No VQ files found please select another directory");

QString texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out.join(u' ');
}

// Runs act on the modal dialog of type D once it is up.
template <typename D> void whenShown(QObject *context, std::function<void(D *)> act)
{
    QTimer::singleShot(0, context,
                       [act] { act(qobject_cast<D *>(QApplication::activeModalWidget())); });
}
} // namespace

class TestDialogs : public QObject, private WindowFixture
{
    Q_OBJECT

    void start(const QMap<QString, QString> &values = {})
    {
        env->store(values);
        window = std::make_unique<frm_programme>(env->paths());
        Main(*window, env->paths());
    }
    // A folder of the test's own with these entries; a name ending in "/" is a folder.
    void folder(const QString &name, const QStringList &entries)
    {
        const QDir dir(env->path(name));
        dir.mkpath(".");
        for (const QString &entry : entries)
            entry.endsWith(u'/') ? dir.mkpath(entry)
                                 : QFile(dir.filePath(entry)).open(QIODevice::WriteOnly);
    }
    // The messages shown, then the failures logged without their descriptions.
    QStringList reported() const
    {
        QStringList out = messages();
        for (const QString &line : env->logLines())
            out << logTail(line).section(" Desc:", 0, 0);
        return out;
    }

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        stopWindow();
        stopFixture();
    }

    void aboutBox()
    {
        start();
        // Twice in a row, closed by Enter and by Escape: a new box each time, the same texts.
        QStringList seen;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            whenShown<frmAbout>(window.get(), [&](frmAbout *about) {
                seen << about->windowTitle() + u'|' + about->lblTitle->text() + u'|' +
                            about->lblVersion->text() + u'|' + about->lblDescription->text() +
                            u'|' + QString::number(about->picIcon->pixmap().width());
                QTest::keyClick(about, key);
            });
            window->mnu_about->trigger();
        }
        const QString shown = "About Flashwright|Flashwright|Version " +
                              QString(FlashwrightVersion::Text) +
                              "|Programming tool for the VQ series units|66";
        QCOMPARE(seen, QStringList(2, shown));
        QVERIFY(window->findChildren<frmAbout *>().isEmpty() && answerer->messages().isEmpty());
        QVERIFY(!window->windowIcon().isNull());
    }

    // The folder menu: the lists open at the stored folder, or where the program lives (when none
    // is stored or it cannot be shown); the person goes up into "fw" and presses OK or Cancel.
    void folderMenu_data()
    {
        QTest::addColumn<QString>("before"); // the stored path, in the test's folder
        QTest::addColumn<int>("error");      // reported as the dialog opens
        QTest::addColumn<QString>("files");  // in "fw"; none: Cancel
        QTest::addColumn<QString>("after");  // the path afterwards; "told": "No VQ files found ..."
        row("first use, folder chosen", "", 0, "b.vq a.vq", "fw");
        row("upper-case extension", "", 0, "A.VQ", "fw");
        row("first use, cancelled", "", 0, "", "");
        row("path set, cancelled: still saved and enabled", "old", 0, "", "old");
        row("only other files: told, not chosen", "", 0, "a.bin", "told");
        row("a folder named like a file", "", 0, "x.vq/", "told");
        row("stored folder gone", "gone", 53, "", "gone");
        row("stored path names a file", "old/a.vq", 75, "", "old/a.vq");
    }
    void folderMenu()
    {
        QFETCH(QString, before);
        QFETCH(int, error);
        QFETCH(QString, files);
        QFETCH(QString, after);
        folder("old", {"a.vq", "B.vq", "y.bin", "alpha/", "Sub/"});
        folder("fw", files.split(u' ', Qt::SkipEmptyParts));
        start({{"Firmware", before.isEmpty() ? before : env->path(before)}});
        answerer->clear(); // "Firmware path not set" at start
        QString opened;    // title, folder, its folders and firmware files
        bool open = false;
        whenShown<frm_pathselect>(window.get(), [&](frm_pathselect *d) {
            opened = d->windowTitle() + " / " + d->Dir1Path().section(u'/', -1) + " / " +
                     texts(d->Dir1) + " / " + texts(d->File1);
            if (!d->Label1->wordWrap() && d->Label1->width() < d->Label1->sizeHint().width())
                opened += " (label cut)";
            for (const char *name : {"..", "fw"})
                Q_EMIT d->Dir1->itemActivated(d->Dir1->findItems(name, Qt::MatchExactly).value(0));
            if (files.isEmpty())
                return QTest::keyClick(d, Qt::Key_Escape);
            d->cmd_programme_prog->click();
            if ((open = d->isVisible()))
                d->cmd_cancel->click();
        });
        window->mnu_file_path->trigger();
        QCOMPARE(opened, before == "old" ? "Path Selection / old / .. alpha Sub / a.vq B.vq"
                                         : "Path Selection / program / .. / ");
        const bool told = after == "told";
        QCOMPARE(open, told);
        QCOMPARE(reported(), error
                                 ? (QStringList{kGoOn, "FILE:frm_pathselect SUB:form_load Error: " +
                                                           QString::number(error)})
                                 : QStringList(told ? 1 : 0, kNoVq));
        // A folder chosen in the dialog is stored as the system writes paths.
        const QString path = told || after.isEmpty() ? QString()
                             : files.isEmpty()       ? env->path(after)
                                                     : QDir::toNativeSeparators(env->path(after));
        QCOMPARE(window->cmd_programme_prog->isEnabled(), !path.isEmpty());
        QCOMPARE(openSettingsStore()->contains("Left"), !path.isEmpty());
        QCOMPARE(openSettingsStore()->value("Firmware").toString(), path);
    }

    // The drive list names the system's drives (on Windows its letters, elsewhere the mounted
    // volumes) and opens on the one that holds the folder shown; choosing another shows that
    // drive's own folders.
    void driveList()
    {
        start();
        answerer->clear();
        QStringList drives, listed;
        QString current, other, otherFolder;
        whenShown<frm_pathselect>(window.get(), [&](frm_pathselect *d) {
            for (int i = 0; i < d->Drive1->count(); ++i)
                drives << d->Drive1->itemText(i);
            current = d->Drive1->currentText();
            const int next = d->Drive1->currentIndex() == 0 ? 1 : 0;
            other = d->Drive1->itemData(next).toString();
            d->Drive1->setCurrentIndex(next);
            otherFolder = d->Dir1Path();
            for (int i = 0; i < d->Dir1->count(); ++i)
                listed << d->Dir1->item(i)->text();
            d->cmd_cancel->click();
        });
        window->mnu_file_path->trigger();
        const QString program = env->path("program");
        QStringList system;
#ifdef Q_OS_WIN
        for (const QFileInfo &drive : QDir::drives())
            system << drive.absoluteFilePath().left(2).toUpper();
        QCOMPARE(current, program.left(2).toUpper());
#else
        for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
            if (volume.isValid() && volume.isReady())
                system << volume.rootPath();
        system.sort();
        system.removeDuplicates();
        QCOMPARE(current, QStorageInfo(program).rootPath());
#endif
        QCOMPARE(drives, system);
        QVERIFY2(drives.size() > 1 && !other.isEmpty(), "no second drive to choose");
        QCOMPARE(otherFolder, QDir::cleanPath(other));
        const QStringList folders = QDir(other).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY2(folders.isEmpty() || listed.contains(folders.first()),
                 qPrintable(listed.join('|')));
        QVERIFY(answerer->messages().isEmpty());
    }

    // The communication settings: what the load chooses from the stored texts, and what OK
    // stores. A text the load cannot read is reported, and No stops the load there.
    void comms_data()
    {
        QTest::addColumn<QString>("stored"); // port and parameters; none: nothing stored
        QTest::addColumn<qint32>("answer");  // to the load's failure; 0: it does not fail
        QTest::addColumn<QString>("click");  // controls clicked before OK, by object name
        QTest::addColumn<QString>("chosen"); // the choices after the load
        QTest::addColumn<QString>("saved");  // port, parameters, type after OK; none: Cancel
        const qint32 yes = MsgAnswer::Yes, no = MsgAnswer::No;
        const char *plain = "Serial Com1 57600 None 8 1";
        row("no stored settings", "", 0, "", plain, "COM1: 57600,N,8,1 1");
        row("ethernet still rewrites the serial texts; Com10 chosen at load", "COM10: 9600,o,7,2",
            0, "opt_ethser0", "Serial Com10 9600 Odd 7 2", "COM10: 9600,O,7,2 0");
        row("4800 survives, unknown parity passes through", "COM1: 4800,m,8,1", 0, "",
            "Serial Com1 4800 8 1", "COM1: 4800,m,8,1 1");
        row("a hidden speed wins over a visible one", "COM1: 9600,n,8,1", 0, "baud576",
            "Serial Com1 9600 None 8 1", "COM1: 9600,N,8,1 1");
        row("visible speed, Com10", "", 0, "baud115 ComPort10", plain, "COM10: 115200,N,8,1 1");
        row("parity e comes back E; extra fields dropped, stop bits cut", "COM1: 57600,e,8,12,x,y",
            0, "", "Serial Com1 57600 Even 8 1", "COM1: 57600,E,8,1 1");
        row("port without colon, No stops the load", "COM1 57600,n,8,1", no, "", "", "");
        row("port without colon, Yes goes on", "COM1 57600,n,8,1", yes, "", plain, "");
        row("two commas, No stops", "COM1: 57600,n,8", no, "", "", "");
    }
    void comms()
    {
        QFETCH(QString, stored);
        QFETCH(qint32, answer);
        QFETCH(QString, click);
        QFETCH(QString, saved);
        QStringList keys{"Serial Port", "Serial Parameters", "Comms Type", "EthernetAddress",
                         "Ethernet Port"};
        const QStringList texts = stored.split(u' ', Qt::SkipEmptyParts);
        if (!texts.isEmpty())
            env->store({{keys[0], texts[0]}, {keys[1], texts[1]}});
        // Ports that lead nowhere, so that reopening the link fails quietly.
        env->mapPort("COM1", env->path("no-tty"));
        env->mapPort("COM10", env->path("no-tty"));
        answerer->plan({answer});
        // The link is reopened (and cannot open) before the new values are stored.
        QString portWhenReopened = QStringLiteral("(never)");
        answerer->onMessage([&](const MessageRequest &m) {
            if (m.title == QLatin1String(" Error "))
                portWhenReopened = openSettingsStore()->value(keys[0]).toString();
        });
        start();
        // What an earlier load of the defaults left.
        ParseCommsSettings(QStringLiteral("COM1:"), QStringLiteral("57600,n,8,1"),
                           window->commsWorkingValues());
        window->mnu_tools_serialport->trigger();
        window->mnu_tools_serialport->trigger(); // brings the same dialog forward
        QCOMPARE(window->findChildren<frm_Commsettings *>().size(), 1);
        frm_Commsettings *dialog = window->findChild<frm_Commsettings *>();
        // Modeless, the main window's menus usable; the hidden frames lie outside the dialog.
        QVERIFY(dialog->isVisible() && !dialog->isModal() &&
                window->mnu_tools->menuAction()->isEnabled());
        QVERIFY(!dialog->rect().intersects(dialog->Frame1->geometry()));
        QStringList chosen;
        for (const QRadioButton *button : dialog->findChildren<QRadioButton *>())
            chosen << (button->isChecked() ? button->text().remove(u'&') : QString());
        QTEST(chosen.join(u' ').simplified(), "chosen");
        QCOMPARE(reported(),
                 answer ? (QStringList{kGoOn, "FILE:frm_commsettings SUB:Form_Load Error: 5"})
                        : QStringList());
        QCOMPARE(dialog->txt_ethaddress->text() + u' ' + dialog->txt_ethport->text(),
                 "10.1.2.123 10001");
        // The link may reach only this machine: a loopback port that refuses.
        dialog->txt_ethaddress->setText("127.0.0.1");
        dialog->txt_ethport->setText("10009"); // five digits, kept whole
        for (const QString &name : click.split(u' ', Qt::SkipEmptyParts))
            dialog->findChild<QRadioButton *>(name)->click();
        (saved.isEmpty() ? dialog->cmd_cancel : dialog->okbutton)->click();
        QTRY_VERIFY(!window->findChild<frm_Commsettings *>()); // closed and gone
        QCOMPARE(openSettingsStore()->contains("Left"), !saved.isEmpty());
        if (!saved.isEmpty()) {
            QCOMPARE(portWhenReopened, texts.value(0));
            for (QString &key : keys)
                key = openSettingsStore()->value(key).toString();
            QCOMPARE(keys.join(u' '), saved + " 127.0.0.1 10009"); // the boxes, shown or not
        }
    }

    // The message box: title, icon, buttons, the answer, and its place: as wanted, but kept 1 px
    // inside the screen's right and bottom edges and never left of or above pixel 1.
    void messageBox_data()
    {
        QTest::addColumn<qint32>("style");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("click");
        QTest::addColumn<QPoint>("twips"); // where its top left corner is wanted
        QTest::addColumn<QString>("seen"); // title, icon, buttons: the answer
        const int yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok;
        row("Yes answered, far right", 52, "W", yes, QPoint(999999, 300), "W Warning Yes No: 6");
        row("No answered, far left", 36, "Q", no, QPoint(-999, 300), "Q Question Yes No: 7");
        row("empty title, far below", 48, "", ok, QPoint(300, 999999), "Message Warning OK: 1");
        row("critical, at 0, above the screen", 16, "C", ok, QPoint(0, -999), "C Critical OK: 1");
        row("information, inside", 64, "I", ok, QPoint(300, 450), "I Information OK: 1");
    }
    void messageBox()
    {
        QFETCH(qint32, style);
        QFETCH(QString, title);
        QFETCH(int, click);
        QFETCH(QPoint, twips);
        QString seen, text;
        QRect at;
        // Answered once it is up and has been placed.
        QTimer::singleShot(50, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            at = box->frameGeometry();
            text = box->text() + (box->windowFlags() & Qt::WindowStaysOnTopHint ? " (on top)" : "");
            seen = box->windowTitle() + u' ' +
                   QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon());
            for (const QAbstractButton *button : box->buttons())
                seen += u' ' + button->text().remove(u'&');
            box->button(QMessageBox::StandardButton(click))->click();
        });
        MessageBoxAnswerer real;
        MessageAnswerer *previous = setMessageAnswerer(&real);
        const qint16 answer = MsgBoxEx("Line one\r\nLine two", style, title, twips.x(), twips.y());
        setMessageAnswerer(previous);
        QTEST(seen + ": " + QString::number(answer), "seen");
        QCOMPARE(text, "Line one\nLine two (on top)");
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QSize room = screen->geometry().size() - at.size() - QSize(1, 1);
        const auto px = [&](int t) { return twipsToPixels(t, screen->logicalDotsPerInchX()); };
        QCOMPARE(at.topLeft(), QPoint(std::clamp(px(twips.x()), 1, room.width()),
                                      std::clamp(px(twips.y()), 1, room.height())));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
