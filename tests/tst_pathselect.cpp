#include "ProgramFixture.h"
#include "RunError.h"
#include "ScalerSettings.h"
#include "frm_pathselect.h"
#include "mod_programmer_main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

class TestPathSelect : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void firstUse();
    void folderList();
    void okButton_data();
    void okButton();
    void closeWithoutChoosing_data();
    void closeWithoutChoosing();
    void unreachablePath_data();
    void unreachablePath();

private:
    // A folder under the test's own folder holding the given files and subfolders.
    QString makeFolder(const QString &name, const QStringList &files,
                       const QStringList &folders = {})
    {
        const QString path = env->path(name);
        QDir().mkpath(path);
        for (const QString &f : files)
            QFile(QDir(path).filePath(f)).open(QIODevice::WriteOnly);
        for (const QString &d : folders)
            QDir(path).mkpath(d);
        return QDir::cleanPath(path);
    }
    static QStringList texts(const QListWidget *list)
    {
        QStringList out;
        for (const QListWidgetItem *item : list->findItems(QStringLiteral("*"), Qt::MatchWildcard))
            out << item->text();
        return out;
    }
};

void TestPathSelect::firstUse()
{
    frm_pathselect dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Path Selection"));
    QVERIFY(dlg.isModal());
    QCOMPARE(dlg.Dir1Path(), QDir::cleanPath(env->programFolder()));
    QCOMPARE(dlg.Drive1->currentText(), dlg.driveOf(env->programFolder()));
    QCOMPARE(dlg.Drive1->itemText(0), QStringLiteral("/"));
    QCOMPARE(dlg.File1->count(), 0);
    QVERIFY(dlg.Label1->wordWrap() || dlg.Label1->width() >= dlg.Label1->sizeHint().width());
    QVERIFY(answerer->messages().isEmpty());
    QVERIFY(programSettings().FirmwarePath.isEmpty());
}

void TestPathSelect::folderList()
{
    const QString fw = makeFolder(QStringLiteral("fw"), {QStringLiteral("b.vq")},
                                  {QStringLiteral("sub"), QStringLiteral("Alpha")});
    makeFolder(QStringLiteral("fw/sub"), {QStringLiteral("x.vq"), QStringLiteral("y.bin")});
    frm_pathselect dlg;
    dlg.setDir1Path(fw);
    QCOMPARE(texts(dlg.Dir1), (QStringList{"..", "Alpha", "sub"}));
    QCOMPARE(texts(dlg.File1), QStringList{"b.vq"});

    Q_EMIT dlg.Dir1->itemActivated(dlg.Dir1->item(2));
    QCOMPARE(dlg.Dir1Path(), fw + QStringLiteral("/sub"));
    QCOMPARE(texts(dlg.File1), QStringList{"x.vq"});
    Q_EMIT dlg.Dir1->itemActivated(dlg.Dir1->item(0));
    QCOMPARE(dlg.Dir1Path(), fw);
    QVERIFY(answerer->messages().isEmpty());
}

void TestPathSelect::okButton_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<bool>("chosen");
    QTest::newRow("firmware files") << QStringList{"b.vq", "a.vq"} << QStringList{} << true;
    QTest::newRow("upper-case extension") << QStringList{"A.VQ"} << QStringList{} << true;
    QTest::newRow("other files only") << QStringList{"a.bin"} << QStringList{} << false;
    QTest::newRow("folder named like a file") << QStringList{} << QStringList{"x.vq"} << false;
}

void TestPathSelect::okButton()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(bool, chosen);
    const QString fw = makeFolder(QStringLiteral("fw"), files, folders);
    frm_pathselect dlg;
    dlg.show();
    dlg.setDir1Path(fw);
    dlg.cmd_programme_prog->click();

    if (chosen) {
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(programSettings().FirmwarePath, QDir::toNativeSeparators(fw)); // the folder
        QVERIFY(answerer->messages().isEmpty());
    } else {
        QVERIFY(dlg.isVisible());
        QVERIFY(programSettings().FirmwarePath.isEmpty());
        QCOMPARE(answerer->texts(),
                 QStringList{"No VQ files found please select another directory"});
        QCOMPARE(answerer->messages().first().style, 48);
        QCOMPARE(answerer->messages().first().title, QStringLiteral("Error"));
    }
}

void TestPathSelect::closeWithoutChoosing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape") << true;
}

void TestPathSelect::closeWithoutChoosing()
{
    QFETCH(bool, escape);
    const QString old = makeFolder(QStringLiteral("old"), {QStringLiteral("a.vq")});
    const QString other = makeFolder(QStringLiteral("other"), {QStringLiteral("b.vq")});
    programSettings().FirmwarePath = old;
    frm_pathselect dlg;
    QCOMPARE(dlg.Dir1Path(), old); // the stored folder is where it starts
    QCOMPARE(texts(dlg.File1), QStringList{"a.vq"});
    dlg.show();
    dlg.setDir1Path(other);
    if (escape)
        QTest::keyClick(&dlg, Qt::Key_Escape);
    else
        dlg.cmd_cancel->click();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(programSettings().FirmwarePath, old);
    QVERIFY(answerer->messages().isEmpty());
}

void TestPathSelect::unreachablePath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("folder gone") << QStringLiteral("gone") << int(RunError::FileNotFound);
    QTest::newRow("names a file") << QStringLiteral("fw.vq") << int(RunError::PathFileAccess);
    QTest::newRow("network path") << QStringLiteral("//nowhere/share")
                                  << int(RunError::FileNotFound);
}

void TestPathSelect::unreachablePath()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QFile(env->path(QStringLiteral("fw.vq"))).open(QIODevice::WriteOnly);
    const QString stored = name.startsWith(QLatin1String("//")) ? name : env->path(name);
    programSettings().FirmwarePath = stored;
    frm_pathselect dlg;
    // Reported, and the lists stay where they were: the program's folder and its drive
    // (for the network path the drive list is not even asked to move).
    QCOMPARE(answerer->messages().size(), 1);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    QVERIFY2(
        logTail(env->logLines().last())
            .startsWith(QStringLiteral("FILE:frm_pathselect SUB:form_load Error: %1").arg(number)),
        qPrintable(env->logLines().last()));
    QCOMPARE(dlg.Dir1Path(), QDir::cleanPath(env->programFolder()));
    QCOMPARE(dlg.Drive1->currentText(), dlg.driveOf(env->programFolder()));
    QCOMPARE(programSettings().FirmwarePath, stored);
}

QTEST_MAIN(TestPathSelect)
#include "tst_pathselect.moc"
