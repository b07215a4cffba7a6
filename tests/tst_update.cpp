#include "FlashwrightVersion.h"
#include "LinkInstances.h"
#include "ProcessEnd.h"
#include "ProgramFixture.h"
#include "RevisionFile.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "SiteKey.h"
#include "SiteServer.h"
#include "UpdateSite.h"
#include "VqSimulator.h"
#include "WebFetcher.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSslConfiguration>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
const QString kRestart = QStringLiteral(
    "Your current firmware requires a reboot of the scaler \r\nin order to determine the scaler "
    "type. It is not possible to \r\ndetermine the current software version of the device \r\nso "
    "the latest will be downloaded\r\n\r\nContinue ?");
const QString kNotIdentified = QStringLiteral("Failed to read scaler type");
const QString kNotFound = QStringLiteral("Web Page not found");
const QString kUnknown =
    QStringLiteral("Unknown error\r\nPlease check internet connection settings");
const QString kNoInternet = QStringLiteral("Could not access the internet");
const QString kProxy =
    QStringLiteral("Proxy authentication failure.\r\nPlease check internet connection settings");
const QString kCancelled = QStringLiteral("Update aborted at user request");
const QString kWrongRevision = QStringLiteral(
    "Wrong version of revision file on web site\r\nEnsure that the programmer is the latest "
    "version");
const QString kNewerProgram = QStringLiteral("Newer Version of Programmer availiable, download ?");
const QString kWillExit = QStringLiteral("The application will now exit and install the updates");
const QString kNewerFirmware = QStringLiteral("Newer Firmware availiable, download ?");
const QString kLatest =
    QStringLiteral("You currently have the latest firmware.\r\nDo you wish to download anyway?");
const QString kProgram = QStringLiteral("Program scaler ?");
const QString kFinished = QStringLiteral("Check Update finished");

const QString kFirmwareName = QStringLiteral("vq200_s70_1.vq");
const QString kFirmwareRevision = QStringLiteral("vq200_s70_1.rev");
const QString kInstaller = QStringLiteral("flashwright-setup.sh");

QString ownVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(FlashwrightVersion::Major)
        .arg(FlashwrightVersion::Minor)
        .arg(FlashwrightVersion::Revision);
}

QString newerProgramVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(FlashwrightVersion::Major)
        .arg(FlashwrightVersion::Minor)
        .arg(FlashwrightVersion::Revision + 1);
}

// The site's key, made for this run, and another that the program does not hold.
const SiteKey &siteKey(int which = 0)
{
    QString why;
    static const SiteKey keys[] = {*SiteKey::generate(&why), *SiteKey::generate(&why)};
    return keys[which];
}

// A revision file describing described as file, signed with the site's key.
QByteArray revision(const QString &version, const QByteArray &described, const QString &file,
                    qint64 size = -1)
{
    return siteKey().signRevision(
        "# test site\nformat=1\nversion=" + version.toUtf8() + "\nfile=" + file.toUtf8() +
        "\nsize=" + QByteArray::number(size < 0 ? described.size() : size) +
        "\nsha256=" + QCryptographicHash::hash(described, QCryptographicHash::Sha256).toHex());
}

// The most this process has held in memory, in KiB, since the last reset.
qint64 peakResidentKiB(bool reset = false)
{
    QFile clear(QStringLiteral("/proc/self/clear_refs")),
        status(QStringLiteral("/proc/self/status"));
    if (reset && !(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1))
        return -1;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

enum class Setup
{
    Normal,
    SiteDown,
    NoKey // the program holds no key for revision files
};

// How a firmware download is made to fail.
enum class Change
{
    None,
    FlipByte,
    Longer,
    Cancel,
    OtherFirmware,
    OverLimit
};

// A port on loopback where nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}
} // namespace

class TestUpdate : public QObject, private ProgramFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void beforeTheFirmwareSite_data();
    void beforeTheFirmwareSite();
    void programRevisionFailures_data();
    void programRevisionFailures();
    void firmwareOffers_data();
    void firmwareOffers();
    void redirectsAndCertificates_data();
    void redirectsAndCertificates();
    void newerProgramTaken();
    void newerProgramNotFetched_data();
    void newerProgramNotFetched();
    void installerNotStarted_data();
    void installerNotStarted();
    void olderFileInAnotherCase();
    void failedDownloadKeepsEarlierFile_data();
    void failedDownloadKeepsEarlierFile();

private:
    // Starts the unit on loopback TCP and the program against it and the site.
    void start(const VqSimOptions &options);
    // Presses "&Check Update"; true when the program ended during the check.
    bool check();
    void cancelDownloadWhenShown(QTimer &presser);
    void verifyIdle();
    QString downloaded(const QString &name) const
    {
        return QDir(env->programFolder()).filePath(name);
    }
    // The download folder's files but the error log, which shares it.
    QStringList firmwareFolderFiles() const
    {
        QStringList files = QDir(env->programFolder()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QFileInfo(env->logPath()).fileName());
        return files;
    }
    QString storedFirmwarePath() const
    {
        return openSettingsStore()->value(QStringLiteral("Firmware")).toString();
    }

    std::unique_ptr<SiteServer> site;
    std::unique_ptr<VqSimulator> sim;
    std::unique_ptr<frm_programme> window;
};

void TestUpdate::init()
{
    startFixture();
    QDir().mkpath(env->path(QStringLiteral("fw")));
    site = std::make_unique<SiteServer>();
    QString why;
    QVERIFY2(site->start(&why), qPrintable(why));
    setUpdateSiteBase(site->base());
    setUpdateSiteKey(siteKey().publicKey());
    // By default the site offers this very program, so only the firmware counts.
    site->setFile(QStringLiteral("programmer.rev"), revision(ownVersion(), "x", kInstaller));
}

void TestUpdate::cleanup()
{
    window.reset();
    sim.reset();
    site.reset();
    setUpdateSiteBase(QString());
    setUpdateSiteKey(std::nullopt);
    stopFixture();
}

void TestUpdate::start(const VqSimOptions &options)
{
    sim = std::make_unique<VqSimulator>(options);
    QString why;
    QVERIFY2(sim->startTcp(0, &why), qPrintable(why));
    env->storeLoopbackUnit(sim->port(), env->path(QStringLiteral("fw")));
    window = std::make_unique<frm_programme>();
    Main();
    QVERIFY(answerer->messages().isEmpty());
    dynamic_cast<WebFetcher &>(webFetcher()).setStallTimeout(400);
}

void TestUpdate::cancelDownloadWhenShown(QTimer &presser)
{
    // The person presses Cancel once the dialog shows the first bytes.
    connect(&presser, &QTimer::timeout, this, [this] {
        auto *dialog = window->findChild<QProgressDialog *>();
        if (!dialog || !dialog->isVisible() || dialog->value() <= 0)
            return;
        QVERIFY(dialog->isModal());
        QVERIFY(dialog->labelText().contains(QStringLiteral(" bytes")));
        dialog->findChild<QPushButton *>()->click();
    });
    presser.start(10);
}

bool TestUpdate::check()
{
    try {
        window->cmd_checkupdate_Click();
    } catch (const ProgramEnded &) {
        return true;
    }
    return false;
}

void TestUpdate::verifyIdle()
{
    QVERIFY(window->mnu_about->isEnabled());
    QVERIFY(window->mnu_tools->menuAction()->isEnabled());
    QVERIFY(window->mnu_file_path->isEnabled());
    QVERIFY(window->cmd_programme_prog->isEnabled());
    QVERIFY(window->cmd_checkupdate->isEnabled());
    QVERIFY(!window->cmd_abort->isEnabled());
    QVERIFY(!static_cast<ScalerLink &>(scalerLink()).isOpen());
    QVERIFY(!window->busy());
    QVERIFY(!window->findChild<QProgressDialog *>());
}

void TestUpdate::beforeTheFirmwareSite_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("runningName");
    QTest::addColumn<bool>("identifies");
    QTest::addColumn<QList<qint32>>("answers");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("requests");

    const QString programRev = QStringLiteral("programmer.rev");
    QTest::newRow("level 119, restart declined: no web access")
        << 119 << QByteArray("ABC_12") << true << QList<qint32>{MsgAnswer::No}
        << QStringList{kRestart} << QStringList{};
    QTest::newRow("level 119, unit not identified: no web access")
        << 119 << QByteArray("ABC_12") << false << QList<qint32>{MsgAnswer::Yes}
        << QStringList{kRestart, kNotIdentified} << QStringList{};
    QTest::newRow("level 119, identified after the restart")
        << 119 << QByteArray("RUNNING") << true << QList<qint32>{MsgAnswer::Yes}
        << QStringList{kRestart, kNotFound} << QStringList{programRev, "abc_s70_12.rev"};
    QTest::newRow("level 120 trusts the running name")
        << 120 << QByteArray("ABC_12") << true << QList<qint32>{} << QStringList{kNotFound}
        << QStringList{programRev, "abc_12.rev"};
    QTest::newRow("revision file named up to the first dot")
        << 200 << QByteArray("Fw.Main") << true << QList<qint32>{} << QStringList{kNotFound}
        << QStringList{programRev, "fw.rev"};
    QTest::newRow("running name that is a path is never asked for")
        << 120 << QByteArray("a/b") << true << QList<qint32>{} << QStringList{kUnknown}
        << QStringList{programRev};
    QTest::newRow("running name with a C1 control character is never asked for")
        << 120
        << QByteArray("ab\x85"
                      "c")
        << true << QList<qint32>{} << QStringList{kUnknown} << QStringList{programRev};
    QTest::newRow("percent signs reach the site as they are")
        << 120 << QByteArray("Ab%2X") << true << QList<qint32>{} << QStringList{kNotFound}
        << QStringList{programRev, "ab%2x.rev"};
    QTest::newRow("unit that names no file")
        << 120 << QByteArray("") << true << QList<qint32>{} << QStringList{kNotIdentified}
        << QStringList{programRev};
}

void TestUpdate::beforeTheFirmwareSite()
{
    QFETCH(int, level);
    QFETCH(QByteArray, runningName);
    QFETCH(bool, identifies);
    QFETCH(QList<qint32>, answers);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, requests);

    VqSimOptions o;
    o.level = level;
    o.fwName = runningName;
    o.ident = "ABC_S70_12";
    o.noId = !identifies;
    o.bootMs = 20;
    start(o);
    answerer->plan(answers);
    QVERIFY(!check());

    QCOMPARE(answerer->texts().join(QLatin1Char('|')), messages.join(QLatin1Char('|')));
    QCOMPARE(site->requests(), requests);
    for (const MessageRequest &m : answerer->messages())
        if (m.text == kNotFound || m.text == kUnknown) {
            QCOMPARE(m.style, MsgStyle::OkOnly);
            QCOMPARE(m.title, QStringLiteral("Update"));
        }
    QCOMPARE(answerer->unplanned(), messages.size() - answers.size());
    verifyIdle();
}

void TestUpdate::programRevisionFailures_data()
{
    QTest::addColumn<SiteServer::Fault>("fault");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("message");

    using F = SiteServer::Fault;
    using S = Setup;
    const QByteArray good = revision(ownVersion(), "x", kInstaller);
    const QByteArray text = good.left(good.indexOf("signature="));
    QTest::newRow("404") << F::NotFound << good << S::Normal << kNotFound;
    QTest::newRow("410") << F::Gone << good << S::Normal << kNotFound;
    QTest::newRow("407") << F::ProxyAuth << good << S::Normal << kProxy;
    QTest::newRow("500") << F::ServerError << good << S::Normal << kUnknown;
    QTest::newRow("connection closed unanswered") << F::Refuse << good << S::Normal << kUnknown;
    QTest::newRow("body cut short") << F::CutShort << good << S::Normal << kUnknown;
    QTest::newRow("stalled") << F::Stall << good << S::Normal << kNoInternet;
    QTest::newRow("site down") << F::None << good << S::SiteDown << kNoInternet;
    QTest::newRow("format 2") << F::None
                              << siteKey().signRevision(
                                     QByteArray(text).replace("format=1", "format=2"))
                              << S::Normal << kWrongRevision;
    QTest::newRow("larger than 64 KiB")
        << F::None << good + "# " + QByteArray(65 * 1024, 'x') + '\n'
        << S::Normal << kWrongRevision;
    QTest::newRow("unsigned") << F::None << text << S::Normal << kWrongRevision;
    QTest::newRow("signed by another key")
        << F::None << siteKey(1).signRevision(text) << S::Normal << kWrongRevision;
    QTest::newRow("a byte changed after signing")
        << F::None << QByteArray(good).replace("test site", "test sitf") << S::Normal
        << kWrongRevision;
    QTest::newRow("program built without a key") << F::None << good << S::NoKey << kWrongRevision;
    QTest::newRow("installer named like a revision file")
        << F::None << revision(ownVersion(), "x", QStringLiteral("setup.rev")) << S::Normal
        << kWrongRevision;
    QTest::newRow("installer above its 512 MiB limit")
        << F::None << revision(ownVersion(), "x", kInstaller, MaximumInstallerSize + 1) << S::Normal
        << kWrongRevision;
}

void TestUpdate::programRevisionFailures()
{
    QFETCH(SiteServer::Fault, fault);
    QFETCH(QByteArray, content);
    QFETCH(Setup, setup);
    QFETCH(QString, message);

    site->setFile(QStringLiteral("programmer.rev"), content);
    site->setFault(QStringLiteral("programmer.rev"), fault);
    if (setup == Setup::SiteDown)
        setUpdateSiteBase(QStringLiteral("127.0.0.1:%1/updates/").arg(closedPort()));
    if (setup == Setup::NoKey)
        setUpdateSiteKey(QByteArray());
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);
    const QStringList filesBefore = firmwareFolderFiles();
    QVERIFY(!check());

    // The check ends at the program's revision file; the firmware is not asked for.
    QCOMPARE(answerer->texts(), QStringList{message});
    QCOMPARE(answerer->messages().first().style, MsgStyle::OkOnly);
    QCOMPARE(answerer->messages().first().title, QStringLiteral("Update"));
    QVERIFY(!site->requests().contains(kFirmwareRevision));
    QCOMPARE(webFetcher().ErrorCode() != 0, true);
    verifyIdle();
    QVERIFY(!env->logLines().isEmpty());
    QVERIFY(env->logLines().last().contains(QStringLiteral("programmer.rev")));
    QCOMPARE(firmwareFolderFiles(), filesBefore);
}

void TestUpdate::firmwareOffers_data()
{
    QTest::addColumn<QString>("siteLevel");
    QTest::addColumn<QList<qint32>>("answers");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("programmed");

    const QList<qint32> yesYes{MsgAnswer::Yes, MsgAnswer::Yes};
    QTest::newRow("newer firmware taken and programmed")
        << "121" << yesYes << QStringList{kNewerFirmware, kProgram, kFinished} << true;
    QTest::newRow("same level downloaded anyway")
        << "120" << yesYes << QStringList{kLatest, kProgram, kFinished} << true;
    QTest::newRow("downloaded, not programmed")
        << "121" << QList<qint32>{MsgAnswer::Yes, MsgAnswer::No}
        << QStringList{kNewerFirmware, kProgram, kFinished} << false;
    QTest::newRow("newer firmware declined")
        << "121" << QList<qint32>{MsgAnswer::No} << QStringList{kNewerFirmware} << false;
    QTest::newRow("older on the site: nothing to offer")
        << "119" << QList<qint32>{} << QStringList{kFinished} << false;
    QTest::newRow("level that is not a number: nothing to offer")
        << "12a" << QList<qint32>{} << QStringList{kFinished} << false;
}

void TestUpdate::firmwareOffers()
{
    QFETCH(QString, siteLevel);
    QFETCH(QList<qint32>, answers);
    QFETCH(QStringList, messages);
    QFETCH(bool, programmed);

    const QByteArray image = VqSimulator::randomImage(20 * 32, 7);
    site->setFile(kFirmwareRevision, revision(siteLevel, image, kFirmwareName));
    site->setFile(kFirmwareName, image);
    VqSimOptions o;
    // The unit names its file in upper case; the site's files are lower case.
    o.fwName = "VQ200_S70_1";
    o.ident = "VQ200_S70_1";
    o.level = 120;
    o.bootMs = 20;
    o.size = image.size();
    start(o);

    const bool downloads = messages.contains(kProgram);
    QString pathWhenAsked;
    answerer->onMessage([&](const MessageRequest &m) {
        if (m.text == kProgram) {
            pathWhenAsked = storedFirmwarePath();
            QCOMPARE(m.style, MsgStyle::Question + MsgStyle::YesNo);
            QCOMPARE(m.title, QStringLiteral("Program"));
            // The window is usable again while the question waits.
            QVERIFY(window->mnu_about->isEnabled());
            QVERIFY(!static_cast<ScalerLink &>(scalerLink()).isOpen());
        }
    });
    answerer->plan(answers);
    QVERIFY(!check());

    QCOMPARE(answerer->texts(), messages);
    const QString folderPath = QDir::toNativeSeparators(env->programFolder()) + QDir::separator();
    if (downloads) {
        QCOMPARE(pathWhenAsked, folderPath);
        QFile file(downloaded(kFirmwareName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), image);
        QCOMPARE(site->requests().last(), kFirmwareName);
    } else {
        QVERIFY(!QFile::exists(downloaded(kFirmwareName)));
        QCOMPARE(storedFirmwarePath(), env->path(QStringLiteral("fw")));
        QVERIFY(!site->requests().contains(kFirmwareName));
    }
    if (programmed) {
        QCOMPARE(sim->lastUpload(), image);
        QCOMPARE(window->status(), QStringLiteral("Programing Complete...."));
    } else {
        QCOMPARE(sim->blocksReceived(), 0);
    }
    verifyIdle();
}

void TestUpdate::redirectsAndCertificates_data()
{
    QTest::addColumn<SiteServer::Transport>("transport");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("redirect"); // with the ports of the HTTPS and the plain site
    QTest::addColumn<QStringList>("messages");

    using T = SiteServer::Transport;
    QTest::newRow("trusted certificate, redirected to another HTTPS host")
        << T::Tls << true << "https://localhost:{https}/updates/moved.rev"
        << QStringList{kNewerFirmware};
    QTest::newRow("redirected from HTTPS to plain HTTP on loopback")
        << T::Tls << true << "http://127.0.0.1:{http}/updates/programmer.rev"
        << QStringList{kUnknown};
    QTest::newRow("certificate that the system does not trust")
        << T::Tls << false << "" << QStringList{kUnknown};
    QTest::newRow("loopback site redirected to another loopback address")
        << T::Plain << false << "http://localhost:{http}/updates/moved.rev"
        << QStringList{kNewerFirmware};
}

void TestUpdate::redirectsAndCertificates()
{
    QFETCH(SiteServer::Transport, transport);
    QFETCH(bool, trusted);
    QFETCH(QString, redirect);
    QFETCH(QStringList, messages);

    SiteServer https;
    QString why;
    QVERIFY2(https.start(&why, SiteServer::Transport::Tls), qPrintable(why));
    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(before); });
    if (trusted) {
        QSslConfiguration tls = before;
        tls.addCaCertificate(https.certificate());
        QSslConfiguration::setDefaultConfiguration(tls);
    }
    SiteServer &served = transport == SiteServer::Transport::Tls ? https : *site;
    const QByteArray own = revision(ownVersion(), "x", kInstaller);
    served.setFile(QStringLiteral("programmer.rev"), own);
    served.setFile(QStringLiteral("moved.rev"), own);
    if (!redirect.isEmpty())
        served.setRedirect(QStringLiteral("programmer.rev"),
                           redirect.replace(QLatin1String("{https}"), QString::number(https.port()))
                               .replace(QLatin1String("{http}"), QString::number(site->port())));
    served.setFile(kFirmwareRevision, revision(QStringLiteral("121"), "image", kFirmwareName));
    setUpdateSiteBase(served.base());
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);
    const QStringList filesBefore = firmwareFolderFiles();
    QVERIFY(!check());

    QCOMPARE(answerer->texts(), messages);
    QCOMPARE(firmwareFolderFiles(), filesBefore);
    verifyIdle();
}

void TestUpdate::newerProgramTaken()
{
    // The key and the site as the vendor makes them.
    const QByteArray installer = "#!/bin/sh\necho started > installer-started\n";
    const QDir release(env->path(QStringLiteral("release")));
    QVERIFY(release.mkpath(QStringLiteral(".")));
    for (const auto &[name, bytes] :
         {std::pair{kInstaller, installer},
          std::pair{QStringLiteral("VQ200_S70_1.vq"), VqSimulator::randomImage(64, 3)}}) {
        QFile file(release.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const auto tool = [&](const QStringList &arguments) {
        QProcess process;
        process.setWorkingDirectory(release.path());
        process.start(QStringLiteral(FW_UPDATE_SITE_TOOL), arguments);
        const bool done = process.waitForFinished() && process.exitCode() == 0;
        return done ? process.readAllStandardOutput() : QByteArray();
    };
    const QStringList newKey = QStringLiteral("--new-key site.pem").split(QLatin1Char(' '));
    const QByteArray printed = tool(newKey);
    QVERIFY(printed.startsWith("-DFLASHWRIGHT_UPDATE_KEY="));
    const QByteArray publicKey = QByteArray::fromBase64(printed.mid(25).trimmed());
    setUpdateSiteKey(publicKey);
    QVERIFY(tool(newKey).isEmpty()); // an existing key is never replaced
    QCOMPARE(QFile::permissions(release.filePath(QStringLiteral("site.pem"))) &
                 (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
    QVERIFY(!tool(QStringLiteral("--key site.pem --out site --installer %1 --version %2 "
                                 "--firmware VQ200_S70_1.vq 121")
                      .arg(kInstaller, newerProgramVersion())
                      .split(QLatin1Char(' ')))
                 .isEmpty());
    const QDir made(release.filePath(QStringLiteral("site")));
    QCOMPARE(made.entryList(QDir::Files), (QStringList{kInstaller, QStringLiteral("programmer.rev"),
                                                       kFirmwareRevision, kFirmwareName}));
    for (const QString &name : made.entryList(QDir::Files)) {
        QFile file(made.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        site->setFile(name, bytes);
        // Whatever byte of a revision file is changed, it is refused.
        QString why;
        for (qsizetype i = 0; name.endsWith(QLatin1String(".rev")) && i < bytes.size(); ++i) {
            QByteArray changed = bytes;
            changed[i] = char(changed[i] ^ 1);
            QVERIFY(!RevisionFile::parse(changed, publicKey, &why));
        }
    }
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);
    QFile store(env->storeFile());
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray storedBefore = store.readAll();
    store.close();

    answerer->plan({MsgAnswer::Yes});
    QVERIFY(check());

    QCOMPARE(answerer->texts(), (QStringList{kNewerProgram, kWillExit}));
    QCOMPARE(answerer->messages().at(0).style, MsgStyle::Information + MsgStyle::YesNo);
    QCOMPARE(answerer->messages().at(1).style, MsgStyle::Information);
    QCOMPARE(answerer->messages().at(1).title, QStringLiteral("Updates"));
    QCOMPARE(site->requests(), (QStringList{QStringLiteral("programmer.rev"), kInstaller}));
    // The installer ran from its folder, detached; nothing of the normal ending ran.
    QTRY_VERIFY(QFile::exists(downloaded(QStringLiteral("installer-started"))));
    QVERIFY(store.open(QIODevice::ReadOnly));
    QCOMPARE(store.readAll(), storedBefore);
}

void TestUpdate::newerProgramNotFetched_data()
{
    QTest::addColumn<SiteServer::Fault>("fault");
    QTest::addColumn<bool>("wrongChecksum");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<qint32>("answer");
    QTest::addColumn<QStringList>("messages");

    using F = SiteServer::Fault;
    QTest::newRow("declined") << F::None << false << false << qint32(MsgAnswer::No)
                              << QStringList{kNewerProgram, kLatest};
    QTest::newRow("installer missing") << F::NotFound << false << false << qint32(MsgAnswer::Yes)
                                       << QStringList{kNewerProgram, kNotFound, kLatest};
    QTest::newRow("installer with a wrong checksum")
        << F::None << true << false << qint32(MsgAnswer::Yes)
        << QStringList{kNewerProgram, kUnknown, kLatest};
    // Cancel asks to abort the update: the firmware is not looked at either.
    QTest::newRow("installer download cancelled")
        << F::None << false << true << qint32(MsgAnswer::Yes)
        << QStringList{kNewerProgram, kCancelled};
}

void TestUpdate::newerProgramNotFetched()
{
    QFETCH(SiteServer::Fault, fault);
    QFETCH(bool, wrongChecksum);
    QFETCH(bool, cancel);
    QFETCH(qint32, answer);
    QFETCH(QStringList, messages);

    QByteArray installer = "#!/bin/sh\necho started > installer-started\n";
    if (cancel) {
        installer += '#' + QByteArray(256 * 1024, 'x') + '\n';
        site->setChunkDelayMs(40);
    }
    site->setFile(QStringLiteral("programmer.rev"),
                  revision(newerProgramVersion(), installer, kInstaller));
    site->setFile(kInstaller,
                  wrongChecksum ? QByteArray(installer).replace("started", "startex") : installer);
    site->setFault(kInstaller, fault);
    const QByteArray image = VqSimulator::randomImage(64, 3);
    site->setFile(kFirmwareRevision, revision(QStringLiteral("120"), image, kFirmwareName));
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);

    // The program's own update not taken: the check goes on with the firmware.
    QTimer presser;
    if (cancel)
        cancelDownloadWhenShown(presser);
    answerer->plan({answer, MsgAnswer::No});
    QVERIFY(!check());
    QCOMPARE(answerer->texts(), messages);
    QCOMPARE(site->requests().last(), cancel ? kInstaller : kFirmwareRevision);
    QVERIFY(!QFile::exists(downloaded(kInstaller)));
    QCOMPARE(QDir(env->programFolder()).entryList(QDir::Files | QDir::Hidden).filter(kInstaller),
             QStringList{});
    verifyIdle();
}

void TestUpdate::installerNotStarted_data()
{
    QTest::addColumn<QByteArray>("installer");
    QTest::addColumn<QByteArray>("swappedIn"); // written over it once downloaded
    QTest::addColumn<QString>("logged");

    QTest::newRow("not a program the system can start")
        << QByteArray("this is not a program\n") << QByteArray() << "could not be started";
    QTest::newRow("changed in the download folder after its download")
        << QByteArray("#!/bin/sh\necho started > installer-started\n")
        << QByteArray("#!/bin/sh\necho swapped > installer-started\n")
        << "was changed after its download";
}

void TestUpdate::installerNotStarted()
{
    QFETCH(QByteArray, installer);
    QFETCH(QByteArray, swappedIn);
    QFETCH(QString, logged);

    site->setFile(QStringLiteral("programmer.rev"),
                  revision(newerProgramVersion(), installer, kInstaller));
    site->setFile(kInstaller, installer);
    const QByteArray image = VqSimulator::randomImage(64, 3);
    site->setFile(kFirmwareRevision, revision(QStringLiteral("120"), image, kFirmwareName));
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);
    answerer->onMessage([&](const MessageRequest &m) {
        QFile file(downloaded(kInstaller));
        if (m.text == kWillExit && !swappedIn.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(swappedIn) == swappedIn.size());
    });

    answerer->plan({MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Yes, MsgAnswer::No});
    QVERIFY(!check());
    const QStringList texts = answerer->texts();
    QCOMPARE(texts.size(), 4);
    QCOMPARE(texts.at(0), kNewerProgram);
    QCOMPARE(texts.at(1), kWillExit);
    QCOMPARE(answerer->messages().at(2).title, QStringLiteral("Application problem"));
    QCOMPARE(texts.at(3), kLatest);
    QVERIFY(env->logLines().join(QLatin1Char('\n')).contains(logged));
    // Neither run nor removed: the folder holds what was put there last.
    QFile kept(downloaded(kInstaller));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), swappedIn.isEmpty() ? installer : swappedIn);
    verifyIdle();
}

void TestUpdate::olderFileInAnotherCase()
{
    // An earlier copy named as the unit names it, and the site's lower-case
    // download next to it: neither is taken for the other.
    const QByteArray image = VqSimulator::randomImage(20 * 32, 9);
    site->setFile(kFirmwareRevision, revision(QStringLiteral("121"), image, kFirmwareName));
    site->setFile(kFirmwareName, image);
    QFile older(downloaded(QStringLiteral("VQ200_S70_1.vq")));
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write(VqSimulator::randomImage(20 * 32, 10));
    older.close();
    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    o.ident = "VQ200_S70_1";
    o.bootMs = 20;
    o.size = image.size();
    start(o);

    answerer->plan({MsgAnswer::Yes, MsgAnswer::Yes});
    QVERIFY(!check());
    QCOMPARE(answerer->texts(),
             (QStringList{kNewerFirmware, kProgram,
                          QStringLiteral("These firmware files differ only in upper and lower "
                                         "case, so none of them was used:\r\nVQ200_S70_1.vq\r\n"
                                         "vq200_s70_1.vq\r\nKeep only the right one in the "
                                         "firmware folder."),
                          kFinished}));
    QCOMPARE(sim->blocksReceived(), 0);
    QVERIFY(env->logLines().last().contains(QStringLiteral("differ only in case")));
    verifyIdle();
}

void TestUpdate::failedDownloadKeepsEarlierFile_data()
{
    QTest::addColumn<SiteServer::Fault>("fault");
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("messages");

    using F = SiteServer::Fault;
    const auto offered = [](const QString &message) {
        return QStringList{kNewerFirmware, message};
    };
    QTest::newRow("cut short") << F::CutShort << Change::None << offered(kUnknown);
    QTest::newRow("stalled") << F::Stall << Change::None << offered(kNoInternet);
    QTest::newRow("wrong checksum") << F::None << Change::FlipByte << offered(kUnknown);
    QTest::newRow("larger than its signed size") << F::None << Change::Longer << offered(kUnknown);
    QTest::newRow("endless body without a length, memory flat")
        << F::Endless << Change::None << offered(kUnknown);
    QTest::newRow("cancelled in the progress dialog")
        << F::None << Change::Cancel << offered(kCancelled);
    QTest::newRow("missing") << F::NotFound << Change::None << offered(kNotFound);
    QTest::newRow("revision file naming another unit's firmware")
        << F::None << Change::OtherFirmware << QStringList{kWrongRevision};
    QTest::newRow("firmware above its 64 MiB limit")
        << F::None << Change::OverLimit << QStringList{kWrongRevision};
}

void TestUpdate::failedDownloadKeepsEarlierFile()
{
    QFETCH(SiteServer::Fault, fault);
    QFETCH(Change, change);
    QFETCH(QStringList, messages);

    const QByteArray image = VqSimulator::randomImage(256 * 1024, 5);
    // An endless body runs into the largest size a firmware file may have.
    const qint64 signedSize = change == Change::OverLimit           ? MaximumFirmwareSize + 1
                              : fault == SiteServer::Fault::Endless ? MaximumFirmwareSize
                                                                    : -1;
    site->setFile(
        kFirmwareRevision,
        revision(QStringLiteral("121"), image,
                 change == Change::OtherFirmware ? QStringLiteral("vq200_s70_2.vq") : kFirmwareName,
                 signedSize));
    QByteArray served = image;
    if (change == Change::FlipByte)
        served[1000] = char(served[1000] ^ 1);
    if (change == Change::Longer)
        served += 'x';
    site->setFile(kFirmwareName, served);
    site->setFault(kFirmwareName, fault);
    if (change == Change::Cancel)
        site->setChunkDelayMs(40);
    const QByteArray earlier = "the firmware downloaded last time";
    QFile old(downloaded(kFirmwareName));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(earlier);
    old.close();

    VqSimOptions o;
    o.fwName = "VQ200_S70_1";
    start(o);
    const QStringList filesBefore = firmwareFolderFiles();
    QTimer presser;
    if (change == Change::Cancel)
        cancelDownloadWhenShown(presser);
    answerer->plan({MsgAnswer::Yes});
    const qint64 peakBefore = peakResidentKiB(true);
    QVERIFY(!check());

    QCOMPARE(answerer->texts(), messages);
    QFile kept(downloaded(kFirmwareName));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), earlier);
    QCOMPARE(firmwareFolderFiles(), filesBefore);
    QCOMPARE(storedFirmwarePath(), env->path(QStringLiteral("fw")));
    verifyIdle();
    if (fault != SiteServer::Fault::Endless)
        return;
        // However fast the site sends, what waits in memory stays bounded.
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer keeps freed memory in quarantine, so resident memory says nothing "
          "about the fetcher here");
#endif
    const qint64 grown = peakResidentKiB() - peakBefore;
    QVERIFY2(grown < 16 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown)));
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
