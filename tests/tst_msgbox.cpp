#include "MessageBox.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "UserMessage.h"
#include "mod_MsgBoxEx.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

class TestMsgBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    void clamp_data();
    void clamp();
    void twipsRoundHalfToEven_data();
    void twipsRoundHalfToEven();
    void realBox_data();
    void realBox();

private:
    std::unique_ptr<TestEnvironment> env;
};

void TestMsgBox::clamp_data()
{
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("expected");
    // A 200 x 100 box on an 800 x 600 screen.
    QTest::newRow("inside stays") << QPoint(100, 50) << QPoint(100, 50);
    QTest::newRow("far right pulled to 1 px inside") << QPoint(5000, 50) << QPoint(599, 50);
    QTest::newRow("far below pulled to 1 px inside") << QPoint(10, 9000) << QPoint(10, 499);
    QTest::newRow("exactly at the limit stays") << QPoint(599, 499) << QPoint(599, 499);
    QTest::newRow("one past the limit") << QPoint(600, 500) << QPoint(599, 499);
    QTest::newRow("left of the screen moves to 1") << QPoint(-300, 40) << QPoint(1, 40);
    QTest::newRow("above the screen moves to 1") << QPoint(40, -1) << QPoint(40, 1);
    QTest::newRow("zero moves to 1") << QPoint(0, 0) << QPoint(1, 1);
}

void TestMsgBox::clamp()
{
    QFETCH(QPoint, target);
    QFETCH(QPoint, expected);
    QCOMPARE(clampBoxPosition(target, QSize(200, 100), QSize(800, 600)), expected);
}

void TestMsgBox::twipsRoundHalfToEven_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("22.5 px rounds down to even") << 337.5 << 22;
    QTest::newRow("23.5 px rounds up to even") << 352.5 << 24;
    QTest::newRow("a whole pixel") << 1440.0 << 96;
    QTest::newRow("negative") << -15.0 << -1;
}

void TestMsgBox::twipsRoundHalfToEven()
{
    QFETCH(double, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips, 96), pixels);
}

void TestMsgBox::realBox_data()
{
    QTest::addColumn<qint32>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("button");
    QTest::addColumn<qint16>("answer");
    QTest::addColumn<int>("xTwips");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("Yes/No answered Yes")
        << 52 << "Warning" << int(QMessageBox::Yes) << qint16(6) << 999999 << "Warning";
    QTest::newRow("Yes/No answered No")
        << 36 << "Q" << int(QMessageBox::No) << qint16(7) << -999 << "Q";
    QTest::newRow("OK box, empty title")
        << 48 << "" << int(QMessageBox::Ok) << qint16(1) << 300 << "Message";
}

void TestMsgBox::realBox()
{
    QFETCH(qint32, style);
    QFETCH(QString, title);
    QFETCH(int, button);
    QFETCH(qint16, answer);
    QFETCH(int, xTwips);
    QFETCH(QString, shownTitle);

    QRect shownAt;
    QString seenTitle;
    bool onTop = false;
    // Answer the box once it is up and has been placed.
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownAt = box->frameGeometry();
        seenTitle = box->windowTitle();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::StandardButton(button))->click();
    });
    MessageBoxAnswerer real;
    MessageAnswerer *previous = setMessageAnswerer(&real);
    const qint16 answered =
        MsgBoxEx(QStringLiteral("Line one\r\nLine two"), style, title, xTwips, 300);
    setMessageAnswerer(previous);
    QCOMPARE(answered, answer);
    QCOMPARE(seenTitle, shownTitle);
    QVERIFY(onTop);

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QPoint wanted(twipsToPixels(xTwips, primary->logicalDotsPerInchX()),
                        twipsToPixels(300, primary->logicalDotsPerInchY()));
    QCOMPARE(shownAt.topLeft(), clampBoxPosition(wanted, shownAt.size(), screen));
}

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
