// "Check Update" against a unit and an update site in one state or another:
// each message with its text, style and title, what the site was asked for,
// the log, the files left, the firmware path, and the window idle again.
#include "FlashwrightVersion.h"
#include "ProcessEnd.h"
#include "RevisionFile.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "SignedFile.h"
#include "SiteKey.h"
#include "SiteServer.h"
#include "UpdateSite.h"
#include "WebFetcher.h"
#include "WindowFixture.h"
#include "frm_programme.h"

#include <QAction>
#include <QChildEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSslConfiguration>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#ifdef Q_OS_WIN
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {
// The site's keys, made for this run, by letter: A is built in, B replaces it
// in a rotation, C is one the program never trusts.
QString keyError;
const QList<SiteKey> kKeys{*SiteKey::generate(&keyError), *SiteKey::generate(&keyError),
                           *SiteKey::generate(&keyError)};

QList<SiteKey> keysOf(const QString &letters)
{
    QList<SiteKey> keys;
    for (const QChar c : letters)
        keys << kKeys[c.unicode() - 'A'];
    return keys;
}

// Each message by a short key, as "title|style|text".
const QHash<QString, QString> kMessages{
    {"restart", "Update|36|Your current firmware requires a reboot of the scaler \r\nin order to "
                "determine the scaler type. It is not possible to \r\ndetermine the current "
                "software version of the device \r\nso the latest will be downloaded\r\n\r\n"
                "Continue ?"},
    {"noscaler", "Update|48|Failed to read scaler type"},
    {"e1", "Update|0|Web Page not found"},
    {"e2", "Update|0|Unknown error\r\nPlease check internet connection settings"},
    {"e3", "Update|0|Could not access the internet"},
    {"e4", "Update|0|Proxy authentication failure.\r\nPlease check internet connection settings"},
    {"e5", "Update|0|Update aborted at user request"},
    {"e6", "Update|0|Wrong version of revision file on web site\r\nEnsure that the programmer is "
           "the latest version"},
    {"newprog", "Updates|68|Newer Version of Programmer availiable, download ?"},
    {"exit", "Updates|64|The application will now exit and install the updates"},
    {"newfw", "Updates|68|Newer Firmware availiable, download ?"},
    {"latest", "Updates|68|You currently have the latest firmware.\r\nDo you wish to download "
               "anyway?"},
    {"program", "Program|36|Program scaler ?"},
    {"done", "Update|0|Check Update finished"},
    {"expired", "Update|48|The update site has not been refreshed since %1.\r\nThis computer's "
                "date is %2.\r\nIf that date is wrong, correct it; otherwise ask the vendor to "
                "refresh the update site."},
    {"future", "Update|48|The update site's files were signed on %1,\r\nlater than this "
               "computer's date, %2.\r\nCorrect this computer's date and time, then check again."},
    {"changed", "Application problem|48|Error 8031\r\nThe installer changed after its download "
                "and was not started.\r\n%1 now holds %2 bytes with sha256 %3, not the %4 bytes "
                "with sha256 %5 that its revision file signed. It was removed."},
    {"problem", "Application problem|52|An Error Occured in the application\r\nAttempt to "
                "continue?"}};

// The installer the tests publish, a script that leaves a file when it runs;
// Windows starts a command script as a program.
#ifdef Q_OS_WIN
#define INSTALLER "setup.cmd"
QByteArray installerScript(const QByteArray &says, const QString &file)
{
    return "@echo " + says + ">\"" + QDir::toNativeSeparators(file).toLocal8Bit() + "\"\r\n";
}
#else
#define INSTALLER "setup.sh"
QByteArray installerScript(const QByteArray &says, const QString &file)
{
    return "#!/bin/sh\necho " + says + (says.isEmpty() ? "" : " ") + "> " +
           QFile::encodeName(file) + '\n';
}
#endif

// The site's items by their letters in the table.
const QHash<QString, QString> kNames{
    {"P", "programmer.rev"}, {"I", INSTALLER},  {"R", "vq_s70_1.rev"}, {"F", "vq_s70_1.vq"},
    {"M", "moved.rev"},      {"K", "keys.rev"}, {"K2", "keys-2.rev"}};

// A list of "item" or "item:tag" with the letters written out.
QStringList named(const QString &list)
{
    QStringList out = list.split(' ', Qt::SkipEmptyParts);
    for (QString &item : out) {
        const QString key = item.section(':', 0, 0);
        item.replace(0, key.size(), kNames.value(key, key));
    }
    return out;
}

// Runs an action as each child of the watched object goes away, such as a
// download's progress dialog once its file is saved.
class WhenGone : public QObject
{
public:
    std::function<void()> action = [] {};
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded)
            connect(static_cast<QChildEvent *>(event)->child(), &QObject::destroyed, this,
                    [this] { action(); });
        return false;
    }
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

#ifdef Q_OS_WIN
bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
#endif

// The most this process has held in memory so far, in KiB.
qint64 peakResidentKiB()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
               ? qint64(counters.PeakWorkingSetSize / 1024)
               : -1;
#else
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
#endif
}
} // namespace

class TestUpdate : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        stopWindow();
        stopFixture();
    }
    void check_data();
    void check();
};

void TestUpdate::check_data()
{
    // setup: the unit ("name=" its running firmware, "level=", "noid"), the
    // program ("trust=": the version and letters of its keys, 1A unless said;
    // "nokey": none) and the site (kNames: P this program's version, I a
    // script that marks that it ran, R level 121 of F, F 640 bytes; K, K2 key
    // files), changed: "P=new", "R=N" a version; "X@" the letters of its
    // signers (A unless said); "K=", "K2=" a version, its keys' letters, "@"
    // and its signers; "X:" a fault of SiteServer, or "flip" a byte changed
    // after signing, "long" a byte more ("unsized": sent without a length),
    // "name" another named, "huge" above the limit, "fmt1", "big", "unsigned",
    // "expired", "future" (signed two days ahead), "moved" or "tohttp" a
    // redirect to M; "tls", "untrusted", "down", "seen" (a check saw every
    // serial one higher before), "tool" (the vendor's site; "rotate": the
    // vendor replaces A by B, a check follows, then A signs P), "bad", "swap"
    // or "late" (an installer that does not start, or is changed after its
    // download or while the program ends), "cancel", "old=" the earlier
    // firmware's name. messages: keys of kMessages, ":Y" answered Yes. asked:
    // the site's requests. logged: the log's lines, each holding its piece
    // between "|". left: the download folder's files, what the unit received,
    // old, new or swapped ("F:old" unless F is named), and the key files kept
    // ("trust/").
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("left");
    const auto row = [](const char *name, const char *setup, const char *messages,
                        const char *asked, const char *logged = "", const char *left = "") {
        QTest::newRow(name) << setup << messages << asked << logged << left;
    };
    // The unit's firmware, before the site.
    row("restart declined: no web access", "level=119", "restart", "");
    row("not identified after the restart", "level=119 noid", "restart:Y noscaler", "");
    row("restarted, named by its identification", "level=119 name=X", "restart:Y newfw", "K P R");
    row("revision file named up to the first dot", "name=Fw.Main", "e1", "K P fw.rev", "fw.rev");
    row("revision of the stem's firmware, not the unit's", "name=VQ_S70_1.x", "e6", "K P R",
        "describes \"vq_s70_1.vq\", not the unit's \"vq_s70_1.x.vq\"");
    row("running name that is a path", "name=a/b", "e2", "K P", "a/b.rev\" was not fetched");
    row("running name with a C1 control", "name=ab\u0085c", "e2", "K P", "not a plain file name");
    row("percent signs reach the site as they are", "name=Ab%2X", "e1", "K P ab%2x.rev", "code 1");
    row("unit that names no file", "name=", "noscaler", "K P");
    // This program's revision file.
    row("404", "P:404", "e1", "K P", "\"programmer.rev\" was not fetched (code 1)");
    row("410", "P:410", "e1", "K P", "(code 1)");
    row("407", "P:407", "e4", "K P", "(code 4)");
    row("500", "P:500", "e2", "K P", "(code 2)");
    row("cut short", "P:cut", "e2", "K P", "(code 2)");
    row("stalled", "P:stall", "e3", "K P", "nothing arrived for 400 ms");
    row("site down: asked once", "down", "e3", "", "\"keys.rev\" was not fetched (code 3)");
    row("format 1", "P:fmt1", "e6", "K P", "format \"1\" is not 2");
    row("larger than 64 KiB", "P:big", "e6", "K P", "larger than 65536 bytes");
    row("unsigned", "P:unsigned", "e6", "K P", "not signed");
    row("signed with another key", "P@C", "e6", "K P", "and this program trusts only");
    row("a byte changed after signing", "P:flip", "e6", "K P", "does not hold");
    row("program built without a key", "nokey", "e6", "K P", "FLASHWRIGHT_UPDATE_KEYS");
    row("installer named like a revision file", "P:name", "e6", "K P", "\"setup.rev\", which is");
    row("installer above 512 MiB", "P:huge", "e6", "K P", "above the limit of 536870912");
    row("trusted TLS redirected to another host", "tls P:moved", "newfw", "K P M R");
    row("TLS redirected to plain HTTP", "tls P:tohttp", "e2", "K P", "redirected");
    row("certificate nothing trusts", "untrusted", "e2", "", "keys.rev\" is not used|certificate");
    row("loopback redirected to loopback", "P:moved", "newfw", "K P M R");
    // Whom the program trusts, and how new and how old the site may be, over TLS.
    row("rotation signed by the old and the new key", "tls K=2B@AB P@B R@B", "newfw", "K P R",
        "keys of version 2 are trusted from now on", "trust/keys-2.rev");
    row("rotation signed only by the new key", "tls K=2B@B P@B R@B", "e6", "K P",
        "\"keys.rev\" is not used: it is signed by 0 of the 1|(code 6): it is signed by");
    row("key file with an old version", "tls trust=2B K=1A@A", "e6", "K P",
        "\"keys.rev\" is not used: its version 1 is below 2|(code 6): it is signed by");
    row("revision file signed by a retired key", "tls K=2B@AB", "e6", "K P",
        "trusted from now on|(code 6): it is signed by", "trust/keys-2.rev");
    row("two rotations followed at once", "tls K2=2B@AB K=3C@BC P@C R@C", "newfw", "K K2 P R",
        "version 2 are trusted|version 3 are trusted", "trust/keys-2.rev trust/keys-3.rev");
    row("new revision file, old key file", "tls K=1A@A P@B R@B", "e6", "K P",
        "(code 6): it is signed by");
    row("rolled-back serial", "tls seen", "e6", "K P", "its serial 10 is below 11, the highest");
    row("expired file", "tls P:expired", "expired", "K P", "(code 7): it expired at");
    row("file signed in the future", "tls P:future", "future", "K P", "(code 8): it was signed at");
    row("older firmware never offered", "tls R=119", "done", "K P R",
        "offers no level at or above");
    row("vendor's rotation followed; its retired key refused", "tls tool rotate", "e6", "K P",
        "(code 6): it is signed by", "trust/keys-2.rev");
    // This program's newer release.
    row("newer program installed", "P=new", "newprog:Y exit", "K P I", "", "I:new");
    row("vendor's site: program installed", "tool", "newprog:Y exit", "K P I", "", "I:new");
    row("newer program declined", "P=new", "newprog newfw", "K P R");
    row("installer missing", "P=new I:404", "newprog:Y e1 newfw", "K P I R",
        "\"" INSTALLER "\" was");
    row("installer's checksum wrong", "P=new I:flip", "newprog:Y e2 newfw", "K P I R",
        "its sha256");
    row("installer cancelled", "P=new I:stall cancel", "newprog:Y e5", "K P I", "cancelled by");
    row("installer not started", "P=new bad", "newprog:Y exit problem newfw", "K P I R",
        "could not be started", "I:new");
    row("installer changed after its download", "P=new swap", "newprog:Y changed newfw", "K P I R",
        "8031 Desc:");
    row("installer changed as the program ends", "P=new late", "newprog:Y exit changed newfw",
        "K P I R", "8031 Desc:");
    // The unit's firmware on the site.
    row("newer firmware programmed", "", "newfw:Y program:Y done", "K P R F", "", "F:new unit:new");
    row("vendor's site: firmware", "tool", "newprog:N newfw:Y program done", "K P R F", "",
        "F:new");
    row("same level downloaded anyway", "R=120", "latest:Y program done", "K P R F", "", "F:new");
    row("downloaded, not programmed", "", "newfw:Y program done", "K P R F", "", "F:new");
    row("earlier copy in upper case kept", "old=VQ_S70_1.vq", "newfw:Y program done", "K P R F", "",
        "VQ_S70_1.vq:old F:new");
    row("newer firmware declined", "", "newfw", "K P R");
    row("site's level not a number", "R=12a", "done", "K P R", "offers no level");
    row("firmware cut short", "F:cut", "newfw:Y e2", "K P R F", "\"vq_s70_1.vq\" was not");
    row("firmware stalled", "F:stall", "newfw:Y e3", "K P R F", "nothing arrived");
    row("firmware's checksum wrong", "F:flip", "newfw:Y e2", "K P R F", "its sha256");
    row("firmware longer than signed", "F:long", "newfw:Y e2", "K P R F", "larger than 640 bytes");
    row("a byte longer, sent without a length", "F:unsized", "newfw:Y e2", "K P R F", "than 640");
    row("endless firmware, memory flat", "F:endless", "newfw:Y e2", "K P R F", "than 67108864");
    row("firmware cancelled", "F:stall cancel", "newfw:Y e5", "K P R F", "cancelled by the user");
    row("firmware missing", "F:404", "newfw:Y e1", "K P R F", "(code 1)");
    row("revision naming another firmware", "R:name", "e6", "K P R", "\"vq2.vq\", which is not");
    row("firmware above 64 MiB", "R:huge", "e6", "K P R", "above the limit of 67108864");
}

void TestUpdate::check()
{
    QFETCH(QString, setup);
    QFETCH(QString, messages);
    QFETCH(QString, asked);
    QFETCH(QString, logged);
    QFETCH(QString, left);
    const QStringList tokens = setup.split(' ', Qt::SkipEmptyParts);
    const auto has = [&](const QString &token) { return tokens.contains(token); };
    const auto value = [&](const QString &prefix, const QString &otherwise) {
        for (const QString &token : tokens)
            if (token.startsWith(prefix))
                return token.mid(prefix.size());
        return otherwise;
    };
#ifdef Q_OS_WIN
    if (has("bad"))
        QSKIP(
            "Windows starts any command script, so the installer the tests publish always starts");
    if (value("old=", "") == "VQ_S70_1.vq")
        QSKIP("a Windows folder cannot hold two names that differ only in case");
#endif
    using namespace FlashwrightVersion;
    const QString newer = QString("%1.%2.%3").arg(Major).arg(Minor).arg(Revision + 1);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray installer =
        has("bad") ? "not a program\n" : installerScript({}, env->path("ran"));
    const QByteArray swapped = installerScript("swapped", env->path("ran"));
    const QByteArray image = VqSimulator::randomImage(640, 7);
    const QDir folder(env->paths().downloadFolder);
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const auto sha = [](const QByteArray &b) {
        return QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex();
    };
    // The dated messages name the day of each date here.
    const auto day = [&](int days) {
        return now.addDays(days).toLocalTime().date().toString(Qt::ISODate);
    };
    QHash<QString, QString> texts = kMessages;
    texts["expired"] = texts["expired"].arg(day(-40), day(0));
    texts["future"] = texts["future"].arg(day(2), day(0));
    texts["changed"] = texts["changed"].arg(QDir::toNativeSeparators(folder.filePath(kNames["I"])),
                                            QString::number(swapped.size()), sha(swapped),
                                            QString::number(installer.size()), sha(installer));
    // The texts a list of kMessages keys stands for, and the answers planned.
    QList<qint32> answers;
    const auto shownFor = [&](const QString &keys) {
        QStringList shown;
        answers.clear();
        for (const QString &m : keys.split(' ', Qt::SkipEmptyParts)) {
            shown << texts.value(m.section(':', 0, 0));
            const bool yesNo = (shown.last().section('|', 1, 1).toInt() & 0xf) == 4;
            answers << (m.endsWith(":Y") ? MsgAnswer::Yes : yesNo ? MsgAnswer::No : MsgAnswer::Ok);
        }
        return shown;
    };

    // The unit, the download folder with an earlier firmware, and the program
    // with its keys; each check in a fetcher of its own, as after a start.
    const QByteArray earlier = "the firmware downloaded last time";
    write(folder.filePath(value("old=", kNames["F"])), earlier);
    VqSimOptions unit;
    unit.fwName = value("name=", "VQ_S70_1").toLatin1();
    unit.level = value("level=", "120").toInt();
    unit.noId = has("noid");
    unit.ident = "VQ_S70_1";
    unit.bootMs = 20;
    unit.size = image.size();
    startWindow(unit);
    TrustAnchor anchor = TrustAnchor::builtIn(env->paths().dataFolder);
    const QString trust = value("trust=", has("nokey") ? "1" : "1A");
    anchor.keys = {trust.left(1).toLongLong(), 0, {}};
    for (const SiteKey &key : keysOf(trust.mid(1)))
        anchor.keys.keys << key.publicKey();
    QString base;
    const auto install = [&] {
        window->setUpdateSite(base, anchor);
        dynamic_cast<WebFetcher &>(window->fetcher()).setStallTimeout(400);
    };
    const auto visit = [&] {
        install();
        window->cmd_checkupdate_Click();
        const QStringList seen = this->messages();
        answerer->clear();
        return seen;
    };

    // The site.
    SiteServer site;
    QString why;
    const bool tls = has("tls") || has("untrusted");
    QVERIFY2(site.start(tls, &why), qPrintable(why));
    // Trusted from now on; each site has a certificate of its own.
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(site.certificate());
    if (has("tls"))
        QSslConfiguration::setDefaultConfiguration(trusting);
    base =
        QString(tls ? "https://127.0.0.1:%1/updates/" : "127.0.0.1:%1/updates/").arg(site.port());
    if (has("down"))
        site = SiteServer(); // nothing listens there any more
    QHash<QString, QByteArray> body{{"I", installer}, {"F", image}};
    const auto publish = [&](qint64 serial) {
        for (const QString x : {"P", "R"}) {
            const bool own = x == "P";
            const QString item = own ? "I" : "F", version = value(x + '=', own ? Text : "121");
            const qint64 limit = own ? MaximumInstallerSize : MaximumFirmwareSize;
            const QString file = !has(x + ":name") ? kNames[item] : own ? "setup.rev" : "vq2.vq";
            const qint64 size = has(x + ":huge")         ? limit + 1
                                : has(item + ":endless") ? limit
                                                         : body[item].size();
            const QDateTime at = now.addDays(has(x + ":expired")  ? -40
                                             : has(x + ":future") ? 2
                                                                  : 0);
            QByteArray text = "# test site\nformat=" + QByteArray(has(x + ":fmt1") ? "1" : "2") +
                              "\nversion=" + (version == "new" ? newer : version).toUtf8() +
                              "\nfile=" + file.toUtf8() + "\nsize=" + QByteArray::number(size) +
                              "\nsha256=" + sha(body[item]) +
                              "\nserial=" + QByteArray::number(serial) +
                              "\nsigned=" + siteTimeText(at).toLatin1() +
                              "\nexpires=" + siteTimeText(at.addDays(30)).toLatin1();
            if (has(x + ":big"))
                text += "\n# " + QByteArray(65 * 1024, 'x');
            body[x] = has(x + ":unsigned") ? text + '\n'
                                           : SiteKey::sign(text, keysOf(value(x + '@', "A")));
        }
        for (const QString x : {"P", "I", "R", "F"}) {
            if (has(x + ":flip"))
                body[x][3] = char(body[x][3] ^ 1);
            if (has(x + ":long") || has(x + ":unsized"))
                body[x] += 'x';
            QString how = value(x + ':', QString());
            if (how == "moved" || how == "tohttp") {
                site.setFile(kNames["M"], body[x]);
                how = QString("302 %1://localhost:%2/updates/moved.rev")
                          .arg(has("tls") && how == "moved" ? "https" : "http")
                          .arg(site.port());
            }
            site.setFile(kNames[x], body[x], how);
        }
        for (const QString k : {"K", "K2"}) {
            const QString keyFile = value(k + '=', QString());
            QByteArray text = "format=2\nversion=" + keyFile.left(1).toLatin1() +
                              "\nsigned=" + siteTimeText(now).toLatin1() + '\n';
            for (const SiteKey &key : keysOf(keyFile.section('@', 0, 0).mid(1)))
                text += "key=" + key.publicKey().toBase64() + '\n';
            if (!keyFile.isEmpty())
                site.setFile(kNames[k], SiteKey::sign(text, keysOf(keyFile.section('@', 1))));
        }
    };
    publish(10);
    if (has("seen")) {
        publish(11);
        visit();
        publish(10);
    }
    if (has("tool")) {
        // The keys and the site as the vendor makes them.
        const QDir release(env->path("release"));
        QVERIFY(release.mkpath("."));
        write(release.filePath(kNames["I"]), installer);
        write(release.filePath("VQ_S70_1.vq"), image);
        QByteArray said;
        const auto tool = [&](const QString &arguments) {
            QProcess process;
            process.setWorkingDirectory(release.path());
            process.start(QStringLiteral(FW_UPDATE_SITE_TOOL), arguments.split(' '));
            process.waitForFinished();
            said = process.readAllStandardOutput() + process.readAllStandardError();
            return process.exitCode();
        };
        const QDir made(release.filePath("site"));
        const auto upload = [&] {
            for (const QString &name : made.entryList(QDir::Files))
                site.setFile(name, contents(made.filePath(name)));
        };
        QCOMPARE(tool("--new-key site.pem"), 0);
        const QByteArray printed = said;
        QVERIFY(printed.startsWith("-DFLASHWRIGHT_UPDATE_KEYS="));
        anchor.keys = {1, 0, {QByteArray::fromBase64(printed.mid(26).split('\n')[0])}};
        const QString id = printed.split(' ').last().trimmed();
        QCOMPARE(id, keyIdOf(anchor.keys.keys[0]));
        QVERIFY(tool("--new-key site.pem") != 0); // never replaced
#ifdef Q_OS_WIN
        ++qt_ntfs_permission_lookup; // Qt reads a file's ACL only when asked to
        if (underWine())             // which gives a new file no access list of its own
            QEXPECT_FAIL("", "under Wine the key file reads back as readable by all", Continue);
#endif
        QVERIFY(!(QFile::permissions(release.filePath("site.pem")) &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
#ifdef Q_OS_WIN
        --qt_ntfs_permission_lookup;
#endif
        QCOMPARE(tool("--public-key site.pem"), 0);
        QCOMPARE(said, printed);
        // Names the program never asks for are refused, and nothing is written.
        for (const QString bad :
             {"setup.rev|'setup.rev'", ".setup|'.setup'", INSTALLER " --firmware fw.bin 1|'fw.bin'",
              INSTALLER " --firmware a\u0085b.vq 1|'a\\u0085b.vq'",
              INSTALLER " --firmware keys.vq 1|'keys.vq'"}) {
            QCOMPARE(
                tool("--key site.pem --out site --version 1 --installer " + bad.section('|', 0, 0)),
                2);
            QVERIFY2(said.contains(bad.section('|', 1).toUtf8()) && !release.exists("site"),
                     said.constData());
        }
        QCOMPARE(tool("--key site.pem --out site --installer " INSTALLER " --version " + newer +
                      " --firmware VQ_S70_1.vq 121"),
                 0);
        QCOMPARE(made.entryList(QDir::Files),
                 QStringList({"keys-1.rev", "keys.rev", "programmer.rev", INSTALLER, "vq_s70_1.rev",
                              "vq_s70_1.vq"}));
        upload();
        // Whatever byte of a file it signed is changed, the program refuses it.
        for (const QString &name : made.entryList({"*.rev"}, QDir::Files)) {
            const QByteArray bytes = contents(made.filePath(name));
            for (qsizetype i = 0; i < bytes.size(); ++i) {
                QByteArray changed = bytes;
                changed[i] = char(changed[i] ^ 1);
                QVERIFY2(name.startsWith("keys") ? !KeyFile::follow(changed, {0, 0, {}}, &why)
                                                 : !RevisionFile::parse(changed, anchor.keys, &why),
                         qPrintable(name + ' ' + QString::number(i)));
            }
        }
        if (has("rotate")) {
            // The installed program takes the site as made, then follows the
            // vendor's rotation to a new key and takes what that key signs.
            const QStringList offered = shownFor("newprog newfw");
            QCOMPARE(visit(), offered);
            QCOMPARE(tool("--new-key next.pem"), 0);
            QCOMPARE(tool("--out site --rotate --key site.pem --add next.pem --retire " + id), 0);
            QCOMPARE(tool("--key site.pem --out site --resign"), 2); // no longer a site key
            QCOMPARE(tool("--key next.pem --out site --resign"), 0);
            upload();
            QCOMPARE(visit(), offered);
            // Afterwards the retired key signs a release.
            const QByteArray signedByNew = contents(made.filePath(kNames["P"]));
            site.setFile(kNames["P"],
                         SiteKey::sign(signedByNew.left(signedByNew.indexOf("signature=")),
                                       {*SiteKey::load(release.filePath("site.pem"), &why)}));
        }
    }

    // The person: answers as planned, cancels a download once it shows its
    // bytes, changes the installer as asked, and notes what the window was
    // like when asked to program.
    const QStringList wanted = shownFor(messages);
    answerer->plan(answers);
    QString whenAsked; // the firmware path then, and what of the window was still busy
    const auto storedPath = [] { return openSettingsStore()->value("Firmware").toString(); };
    answerer->onMessage([&](const MessageRequest &m) {
        if (m.title == "Program")
            whenAsked = storedPath() + (window->mnu_about->isEnabled() ? "" : " menus") +
                        (static_cast<ScalerLink &>(window->link()).isOpen() ? " link" : "");
        if (m.style == 64 && has("late"))
            write(folder.filePath(kNames["I"]), swapped);
    });
    WhenGone gone;
    if (has("swap"))
        gone.action = [&] { write(folder.filePath(kNames["I"]), swapped); };
    window->installEventFilter(&gone);
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        auto *dialog = window->findChild<QProgressDialog *>();
        if (dialog && dialog->isVisible() && dialog->isModal() && dialog->value() > 0 &&
            dialog->labelText().endsWith(" bytes"))
            dialog->findChild<QPushButton *>()->click();
    });
    if (has("cancel"))
        presser.start(10);

    [[maybe_unused]] const qint64 peakBefore = peakResidentKiB();
    const qsizetype logBefore = env->logLines().size(), askedBefore = site.requests().size();
    install();
    bool ended = false;
    try {
        window->cmd_checkupdate_Click();
    } catch (const ProgramEnded &) {
        ended = true;
    }
    window->removeEventFilter(&gone);

    QCOMPARE(this->messages(), wanted);
    QCOMPARE(site.requests().mid(askedBefore), named(asked));
    const QStringList log = env->logLines().mid(logBefore);
    const QStringList pieces = logged.split('|', Qt::SkipEmptyParts);
    bool logAsSaid = log.size() == pieces.size();
    for (qsizetype i = 0; logAsSaid && i < log.size(); ++i)
        logAsSaid = log[i].contains(pieces[i]);
    QVERIFY2(logAsSaid, qPrintable(log.join('\n')));
    QCOMPARE(ended, messages.endsWith("exit"));
    if (ended)
        QTRY_VERIFY(QFile::exists(env->path("ran")));
    else
        QVERIFY(idle() && !window->findChild<QProgressDialog *>() &&
                !QFile::exists(env->path("ran")));
    const QHash<QByteArray, QString> tags{
        {earlier, "old"}, {image, "new"}, {installer, "new"}, {swapped, "swapped"}};
    QStringList found;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden))
        if (folder.filePath(name) != env->logPath())
            found << name + ':' + tags.value(contents(folder.filePath(name)), "other");
    for (const QString &name : QDir(anchor.folder).entryList({"keys*"}, QDir::Files))
        found << "trust/" + name;
    if (sim->blocksReceived() > 0)
        found << "unit:" + tags.value(sim->lastUpload(), "other");
    QStringList wantedLeft = named(left.contains("F:") ? left : left + " F:old");
    found.sort();
    wantedLeft.sort();
    QCOMPARE(found, wantedLeft);
    // A download points the firmware path at it, saved before the window,
    // usable again, asks whether to program the unit.
    const bool downloaded = left.contains("F:new");
    const QString there = QDir::toNativeSeparators(folder.path()) + QDir::separator();
    QCOMPARE(storedPath(), downloaded ? there : firmwareFolder());
    QCOMPARE(whenAsked, downloaded ? there : QString());
    QTRY_COMPARE(status->texts().contains("Programing Complete...."), left.contains("unit:new"));
#ifndef __SANITIZE_ADDRESS__ // which keeps freed memory in quarantine
    // However fast the site sends, what waits in memory stays bounded.
    if (has("F:endless"))
        QVERIFY2(peakResidentKiB() - peakBefore < 16 * 1024, "memory grew by 16 MiB or more");
#endif
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
