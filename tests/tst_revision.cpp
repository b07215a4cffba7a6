// The update site's rules on their own: signed revision and key files,
// versions, addresses, redirects, names and the download folder.
#include "RevisionFile.h"
#include "SiteKey.h"
#include "TextRules.h"
#include "UpdateSite.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The site's keys, made for this run: A is trusted, B and C are not yet.
QString keyError;
const SiteKey kSiteKey = *SiteKey::generate(&keyError), kB = *SiteKey::generate(&keyError),
              kC = *SiteKey::generate(&keyError);
const KeySet kTrusted{1, 0, {kSiteKey.publicKey()}};
} // namespace

class TestRevision : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void keyFile_data();
    void keyFile();
    void rules_data();
    void rules();
    void downloadFolder();
};

void TestRevision::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid"); // a valid one offers version 120 of setup.exe, 10 bytes
    const auto row = [](const char *name, const QByteArray &text, bool valid = false) {
        QTest::newRow(name) << text << valid;
    };
    const auto sign = [](const QByteArray &text) { return kSiteKey.signRevision(text); };
    const QByteArray rest =
        "file=setup.exe\nsize=10\nsha256=" + QByteArray(64, 'a') +
        "\nserial=7\nsigned=2025-03-01T12:00:00Z\nexpires=2025-03-31T12:00:00Z\n";
    const QByteArray whole = "format=2\nversion=120\n" + rest;
    row("whole", sign(whole), true);
    row("comments, blanks, CR LF, unknown keys",
        sign("# site\r\n\r\n format = 2 \r\nvendor=x\r\nversion=120\r\n" + rest), true);
    row("signed by a key not trusted as well", SiteKey::sign(whole, {kB, kSiteKey}), true);
    row("format 1", sign(QByteArray(whole).replace("format=2", "format=1")));
    row("serial 0", sign(QByteArray(whole).replace("serial=7", "serial=0")));
    row("expires before it was signed", sign(QByteArray(whole).replace("-31T", "-01T")));
    row("a time not in UTC", sign(QByteArray(whole).replace("00:00Z\ne", "00:00+01:00\ne")));
    row("signed only by a key not trusted", SiteKey::sign(whole, {kB}));
    row("a trusted key's signature that does not hold",
        SiteKey::sign(whole, {kSiteKey}).replace("format=2", "format=2\n"));
    row("no format", sign("version=1\n" + rest));
    row("a line that is not key=value", sign("format=2\nversion 1\n" + rest));
    row("a key given twice", sign("format=2\nversion=1\nversion=2\n" + rest));
    row("negative size", sign(QByteArray(whole).replace("size=10", "size=-1")));
    row("short checksum", sign(whole.left(whole.size() - 10) + '\n'));
    row("checksum not hex",
        sign(QByteArray(whole).replace(QByteArray(64, 'a'), QByteArray(64, 'g'))));
    row("not UTF-8", sign("format=2\nversion=\xff\xfe\n" + rest));
    row("a line after the signature", sign(whole) + "# more\n");
    row("the same key signing twice", sign(sign(whole)));
    row("signature without a key id", sign(whole).replace(kSiteKey.id().toLatin1() + ' ', ""));
    row("signature not base64", sign(whole).replace(kSiteKey.id().toLatin1() + ' ', "@"));
}

void TestRevision::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QString why;
    const std::optional<RevisionFile> r = RevisionFile::parse(text, kTrusted, &why);
    QCOMPARE(r.has_value(), valid);
    QCOMPARE(why.isEmpty(), valid); // a refusal says why
    if (valid)
        QCOMPARE(QStringList({r->version, r->file, QString::number(r->size),
                              QString::number(r->serial), r->expires.toString(Qt::ISODate)}),
                 QStringList({"120", "setup.exe", "10", "7", "2025-03-31T12:00:00Z"}));
}

void TestRevision::keyFile_data()
{
    // The keys of the file as letters after "@", its signers, what follows (the new
    // version and keys, or empty), against A of version 1 or A, B, C with
    // threshold 2.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("signers");
    QTest::addColumn<bool>("abc");
    QTest::addColumn<QString>("follows");
    const auto row = [](const char *name, const char *text, const char *signers, bool abc,
                        const char *follows) {
        QTest::newRow(name) << QByteArray(text) << QString(signers) << abc << QString(follows);
    };
    row("A replaced by B, signed by both", "version=2\nkey=@B", "AB", false, "2 B");
    row("signed only by the new key", "version=2\nkey=@B", "B", false, "");
    row("signed only by the old key", "version=2\nkey=@B", "A", false, "");
    row("a version that does not follow", "version=3\nkey=@B", "AB", false, "");
    row("two of three replace the third", "version=2\nkey=@A\nkey=@B\nthreshold=1", "AB", true,
        "2 AB");
    row("one of three", "version=2\nkey=@A\nkey=@B\nthreshold=1", "A", true, "");
    row("threshold above its keys", "version=2\nkey=@B\nthreshold=2", "AB", false, "");
    row("a key twice", "version=2\nkey=@B\nkey=@B", "AB", false, "");
    row("no key", "version=2", "A", false, "");
}

void TestRevision::keyFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, signers);
    QFETCH(bool, abc);
    QFETCH(QString, follows);
    const QList<SiteKey> keys{kSiteKey, kB, kC};
    QList<SiteKey> signing;
    for (const QChar c : signers)
        signing << keys[c.unicode() - 'A'];
    for (int k = 0; k < 3; ++k)
        text.replace("@" + QByteArray(1, char('A' + k)), keys[k].publicKey().toBase64());
    const KeySet current{1, abc ? 2 : 0, {kSiteKey.publicKey(), kB.publicKey(), kC.publicKey()}};
    QString why;
    const auto next = KeyFile::follow(
        SiteKey::sign("format=2\n" + text + "\nsigned=2025-03-01T12:00:00Z\n", signing),
        abc ? current : kTrusted, &why);
    QString got = next ? QString::number(next->keys.version) + ' ' : QString();
    for (const QByteArray &key : next ? next->keys.keys : QList<QByteArray>())
        for (int k = 0; k < 3; ++k)
            got += keys[k].publicKey() == key ? QString(QChar('A' + k)) : QString();
    QCOMPARE(got, follows);
    QCOMPARE(why.isEmpty(), !follows.isEmpty());
}

void TestRevision::rules_data()
{
    // "version" and "level" compare the site's|ours (1 newer, 2 equal, 0 older
    // or unreadable); "address" of base|file, empty when invalid; "redirect"
    // from|to; "name": p plain, f a firmware file's, i an installer's.
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("result");
    const auto row = [](const char *name, const char *rule, const char *input, const char *result) {
        QTest::newRow(name) << rule << input << result;
    };
    row("newer by number, not by text", "version", "1.0.100|1.0.43", "1");
    row("older", "version", "1.0.43|1.0.100", "0");
    row("equal", "version", "1.0.43|1.0.43", "2");
    row("missing parts are zero", "version", "1.0|1.0.0", "2");
    row("longer and newer", "version", "1.0.0.1|1.0.0", "1");
    row("site's unreadable", "version", "1.x|1.0.0", "0");
    row("ours unreadable", "version", "2.0|", "0");
    row("empty part", "version", "1..2|1.0.2", "0");
    row("too long to be a number", "level", "999999999999999999999999999999|1", "0");
    row("level with dots is unreadable", "level", "1.2|1", "0");
    row("negative level is unreadable", "level", "-1|0", "0");
    row("site", "address", "updates.example.com/updates/|programmer.rev",
        "https://updates.example.com/updates/programmer.rev");
    row("localhost", "address", "localhost/updates/|a.vq", "http://localhost/updates/a.vq");
    row("IPv6 loopback", "address", "[::1]:81/updates/|a.vq", "http://[::1]:81/updates/a.vq");
    row("host only starting like loopback", "address", "127.0.0.1.example.com/u/|a.vq",
        "https://127.0.0.1.example.com/u/a.vq");
    row("other private address", "address", "192.168.1.1/u/|a.vq", "https://192.168.1.1/u/a.vq");
    row("query and fragment characters stay in the name", "address", "example.com/u/|a?b#c%d.vq",
        "https://example.com/u/a%3Fb%23c%25d.vq");
    row("user in the base", "address", "user@evil.example/u/|a.vq", "");
    row("empty base", "address", "|a.vq", "");
    row("base with a query", "address", "example.com/u/?x=|a.vq", "");
    row("https to loopback http", "redirect", "https://a.example/x|http://127.0.0.1/x", "no");
    row("loopback to https", "redirect", "http://127.0.0.1:8/x|https://a.example/x", "yes");
    row("loopback to a remote http host", "redirect", "http://127.0.0.1:8/x|http://a.example/x",
        "no");
    row("remote http host to loopback", "redirect", "http://a.example/x|http://127.0.0.1/x", "no");
    row("to another scheme", "redirect", "https://a.example/x|ftp://a.example/x", "no");
    row("firmware with a Latin-1 letter", "name", "vq\u00e9.main.vq", "pf");
    row("installer with blanks and accents", "name", "Setup Flashwright \u00e9 1.0.exe", "pi");
    row("firmware in upper case, never asked for", "name", "VQ.VQ", "p");
    row("firmware beyond a byte a character", "name", "\u0142.vq", "p");
    row("firmware not ending in .vq", "name", "fw.bin", "pi");
    row("installer named like a revision file", "name", "setup.Rev", "p");
    row("empty", "name", "", "");
    row("hidden", "name", ".vq", "");
    row("parent", "name", "..evil", "");
    row("slash", "name", "a/b.vq", "");
    row("backslash", "name", "a\\b.vq", "");
    row("drive", "name", "c:x.vq", "");
    row("C0 control", "name", "a\tb", "");
    row("C1 control", "name", "a\u0085b.vq", "");
    row("right-to-left override", "name", "a\u202eexe.vq", "");
    row("line separator", "name", "a\u2028", "");
}

void TestRevision::rules()
{
    QFETCH(QString, rule);
    QFETCH(QString, input);
    QFETCH(QString, result);
    const QString a = input.section('|', 0, 0), b = input.section('|', 1);
    QString got;
    if (rule == "address")
        got = updateAddress(a, b).toString(QUrl::FullyEncoded);
    else if (rule == "redirect")
        got = redirectAllowed(QUrl(a), QUrl(b)) ? "yes" : "no";
    else if (rule == "name")
        got = QString(isPlainFileName(input) ? "p" : "") + (isFirmwareFileName(input) ? "f" : "") +
              (isInstallerFileName(input) ? "i" : "");
    else
        got = QString::number(compareVersions(a, b, rule == "version" ? 2 : 1));
    QCOMPARE(got, result);
}

void TestRevision::downloadFolder()
{
    QTemporaryDir dir;
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(downloadFolderFor(dir.path()), dir.path());
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(downloadFolderFor(dir.filePath("gone")), data);
    QCOMPARE(downloadFolderFor(QString()), data);
    QVERIFY(QFileInfo(data).isDir());
}

QTEST_GUILESS_MAIN(TestRevision)
#include "tst_revision.moc"
