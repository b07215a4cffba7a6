#include "LinkInstances.h"
#include "ScalerSettings.h"
#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"
#include "frm_Commsettings.h"
#include "frm_programme.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {
using Values = QMap<QString, QString>;

QString stored(const QString &key)
{
    return openSettingsStore()->value(key).toString();
}

// Answers like the scripted answerer, and notes what the store held when
// the link's "cannot open" message came: the link is reopened before the save.
class StoreWatcher : public ScriptedAnswerer
{
public:
    qint32 answer(const MessageRequest &request) override
    {
        if (request.title == QLatin1String(" Error "))
            portAtLinkMessage = stored(QStringLiteral("Serial Port"));
        return ScriptedAnswerer::answer(request);
    }
    QString portAtLinkMessage = QStringLiteral("(no message)");
};
} // namespace

class TestCommSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        env = std::make_unique<TestEnvironment>();
        answerer = std::make_unique<StoreWatcher>();
        setProgramFolder(env->programFolder());
        programSettings() = ScalerSettings();
        releaseScalerLink();
        // COM ports that lead nowhere, so that reopening the link fails quietly.
        for (int n = 1; n <= 10; ++n)
            env->mapPort(QStringLiteral("COM%1").arg(n), env->path(QStringLiteral("no-tty")));
    }
    void cleanup()
    {
        window.reset();
        answerer.reset();
        env.reset();
    }

    void okStoresTheChoice_data();
    void okStoresTheChoice();
    void malformedStoredText_data();
    void malformedStoredText();
    void modelessAndTooltips();

private:
    frm_Commsettings *open(const Values &values)
    {
        env->store(values);
        window = std::make_unique<frm_programme>();
        Main();
        window->mnu_tools_serialport->trigger();
        return window->findChild<frm_Commsettings *>();
    }

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<StoreWatcher> answerer;
    std::unique_ptr<frm_programme> window;
};

void TestCommSettings::okStoresTheChoice_data()
{
    QTest::addColumn<Values>("stored");
    QTest::addColumn<QString>("click"); // a control to click before OK, by object name
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("type");

    QTest::newRow("no stored settings") << Values{} << ""
                                        << "COM1:"
                                        << "57600,N,8,1"
                                        << "1";
    QTest::newRow("ethernet still rewrites the serial texts")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("9600,o,7,2")}}
        << "opt_ethser0"
        << "COM1:"
        << "9600,O,7,2"
        << "0";
    QTest::newRow("4800 survives")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("4800,n,8,1")}} << ""
        << "COM1:"
        << "4800,N,8,1"
        << "1";
    QTest::newRow("a hidden speed wins over a visible one")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("9600,n,8,1")}} << "baud115"
        << "COM1:"
        << "9600,N,8,1"
        << "1";
    QTest::newRow("visible speed") << Values{} << "baud115"
                                   << "COM1:"
                                   << "115200,N,8,1"
                                   << "1";
    QTest::newRow("Com10") << Values{} << "ComPort10"
                           << "COM10:"
                           << "57600,N,8,1"
                           << "1";
    QTest::newRow("Com10 chosen again at load")
        << Values{{QStringLiteral("Serial Port"), QStringLiteral("COM10:")}} << ""
        << "COM10:"
        << "57600,N,8,1"
        << "1";
    QTest::newRow("parity e comes back E")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("57600,e,8,1")}} << ""
        << "COM1:"
        << "57600,E,8,1"
        << "1";
    QTest::newRow("unknown parity passes through")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("57600,m,8,1")}} << ""
        << "COM1:"
        << "57600,m,8,1"
        << "1";
    QTest::newRow("extra fields dropped, stop bits cut")
        << Values{{QStringLiteral("Serial Parameters"), QStringLiteral("57600,n,8,12,x,y")}} << ""
        << "COM1:"
        << "57600,N,8,1"
        << "1";
    QTest::newRow("ethernet stored, serial chosen")
        << Values{{QStringLiteral("Comms Type"), QStringLiteral("0")}} << "opt_ethser1"
        << "COM1:"
        << "57600,N,8,1"
        << "1";
}

void TestCommSettings::okStoresTheChoice()
{
    QFETCH(Values, stored);
    QFETCH(QString, click);
    QFETCH(QString, port);
    QFETCH(QString, parameters);
    QFETCH(QString, type);

    frm_Commsettings *dialog = open(stored);
    QVERIFY(dialog);
    QCOMPARE(dialog->txt_ethaddress->text(), QStringLiteral("10.1.2.123"));
    QCOMPARE(dialog->txt_ethport->text(), QStringLiteral("10001"));
    // The link may reach only this machine: a loopback port that refuses.
    dialog->txt_ethaddress->setText(QStringLiteral("127.0.0.1"));
    dialog->txt_ethport->setText(QStringLiteral("9"));
    if (!click.isEmpty()) {
        auto *button = dialog->findChild<QRadioButton *>(click);
        QVERIFY2(button, qPrintable(click));
        button->click();
    }
    dialog->okbutton->click();

    QCOMPARE(::stored(QStringLiteral("Serial Port")), port);
    QCOMPARE(::stored(QStringLiteral("Serial Parameters")), parameters);
    QCOMPARE(::stored(QStringLiteral("Comms Type")), type);
    // The boxes always overwrite the address, shown or not.
    QCOMPARE(::stored(QStringLiteral("EthernetAddress")), QStringLiteral("127.0.0.1"));
    QCOMPARE(::stored(QStringLiteral("Ethernet Port")), QStringLiteral("9"));
    // The link was reopened (and could not open) before the new values were stored.
    QCOMPARE(answerer->portAtLinkMessage, stored.value(QStringLiteral("Serial Port")));
    QTRY_VERIFY(!window->findChild<frm_Commsettings *>()); // closed and gone
}

void TestCommSettings::malformedStoredText_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<qint32>("answer");
    QTest::addColumn<bool>("serialChosen");
    QTest::newRow("port without colon, No stops the load")
        << "COM1"
        << "57600,n,8,1" << qint32(MsgAnswer::No) << false;
    QTest::newRow("port without colon, Yes goes on")
        << "COM1"
        << "57600,n,8,1" << qint32(MsgAnswer::Yes) << true;
    QTest::newRow("two commas, No stops") << "COM1:"
                                          << "57600,n,8" << qint32(MsgAnswer::No) << false;
}

void TestCommSettings::malformedStoredText()
{
    QFETCH(QString, port);
    QFETCH(QString, parameters);
    QFETCH(qint32, answer);
    QFETCH(bool, serialChosen);
    answerer->plan({answer, MsgAnswer::Yes, MsgAnswer::Yes});
    frm_Commsettings *dialog = open(
        {{QStringLiteral("Serial Port"), port}, {QStringLiteral("Serial Parameters"), parameters}});
    QVERIFY(dialog);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Application problem"));
    QVERIFY(logTail(env->logLines().first())
                .startsWith(QStringLiteral("FILE:frm_commsettings SUB:Form_Load Error: 5")));
    QCOMPARE(dialog->opt_ethser[1]->isChecked(), serialChosen);
}

void TestCommSettings::modelessAndTooltips()
{
    frm_Commsettings *dialog = open({});
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!dialog->isModal());
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
    QCOMPARE(::stored(QStringLiteral("Serial Parameters")), QString()); // Cancel stores nothing
}

QTEST_MAIN(TestCommSettings)
#include "tst_commsettings.moc"
