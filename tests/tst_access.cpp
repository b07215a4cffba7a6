// Each window as a screen reader and the keyboard meet it: every focusable
// control has a name, Tab stops once at each control (at each group of radio
// buttons), and the status line and the percentage bar say what a cycle does.
#include "HiResPerc.h"
#include "WindowFixture.h"
#include "frmAbout.h"
#include "frm_Commsettings.h"
#include "frm_pathselect.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
// Focusable controls the accessibility tree below face gives no name.
void unnamed(QAccessibleInterface *face, QStringList &wrong)
{
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface *child = face->child(i);
        if (!child)
            continue;
        if (child->state().focusable && !child->state().invisible &&
            child->text(QAccessible::Name).trimmed().isEmpty())
            wrong << child->object()->objectName() + QStringLiteral(" has no name");
        unnamed(child, wrong);
    }
}

// A Tab stop: the control, or for a radio button its group, where the
// arrows choose.
QObject *stopOf(QWidget *w)
{
    auto *radio = qobject_cast<QRadioButton *>(w);
    return radio && radio->autoExclusive() ? static_cast<QObject *>(w->parentWidget()) : w;
}

// What is wrong with the Tab order of window: a stop it skips or repeats.
QStringList tabOrder(QWidget *window)
{
    QList<QObject *> stops;
    for (QWidget *w : window->findChildren<QWidget *>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() &&
            !stops.contains(stopOf(w)))
            stops << stopOf(w);
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window) || !QApplication::focusWidget())
        return {window->objectName() + QStringLiteral(" takes no focus")};
    QList<QObject *> seen;
    for (int i = 0; i <= stops.size(); ++i) {
        seen << stopOf(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QStringList wrong;
    if (seen.constLast() != seen.constFirst())
        wrong << window->objectName() + QStringLiteral(": Tab does not come round");
    seen.removeLast();
    for (QObject *stop : std::as_const(stops))
        if (seen.count(stop) != 1)
            wrong << QStringLiteral("%1: Tab stops %2 times at %3")
                         .arg(window->objectName())
                         .arg(seen.count(stop))
                         .arg(stop->objectName());
    return wrong;
}
} // namespace

class TestAccess : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        stopWindow();
        stopFixture();
    }
    void everyWindowNamedAndInTabOrder();
    void statusAndBarAnnounced();
};

void TestAccess::everyWindowNamedAndInTabOrder()
{
    frm_programme window(env->paths());
    Main(window, env->paths());
    window.setProgrammeEnabled(true);
    window.show();
    QStringList wrong;
    const auto check = [&wrong](QWidget *w) {
        unnamed(QAccessible::queryAccessibleInterface(w), wrong);
        wrong << tabOrder(w);
    };
    check(&window);
    for (const int type : {1, 0}) {
        frm_Commsettings comms(window.settings(), window, &window);
        comms.opt_ethser_Click(type);
        comms.show();
        check(&comms);
    }
    frm_pathselect path(QString(), env->programFolder(), &window, &window);
    path.show();
    check(&path);
    frmAbout about(&window);
    about.show();
    check(&about);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
}

void TestAccess::statusAndBarAnnounced()
{
    VqSimOptions unit;
    unit.inLoader = true;
    unit.size = 32 * 40;
    unit.replyDelayMs = 2; // the window passes over its input during the blocks
    startWindow(unit);
    writeFirmware(QStringLiteral("vq200_s70_1.vq"), VqSimulator::randomImage(unit.size, 1));
    QAccessibleInterface *line = QAccessible::queryAccessibleInterface(window->lbl_firmware);
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(window->ProgressBar1);
    // During the blocks a screen reader hears the stage, not each block's number.
    QString duringBlocks;
    atBlock(3, [&] { duringBlocks = line->text(QAccessible::Name) + u'|' + window->status(); });
    window->cmd_programme_prog->click();
    QTRY_VERIFY(!window->busy());
    QVERIFY2(duringBlocks.startsWith(QStringLiteral("Programming ...|Programming... ")),
             qPrintable(duringBlocks));
    QCOMPARE(line->text(QAccessible::Name), QStringLiteral("Programing Complete...."));
    QCOMPARE(bar->role(), QAccessible::ProgressBar);
    QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("100%"));
    QCOMPARE(bar->valueInterface()->currentValue().toInt(),
             bar->valueInterface()->maximumValue().toInt());
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
