#include "RevisionFile.h"
#include "SiteKey.h"
#include "TextRules.h"
#include "UpdateSite.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The site's key, made for this run, and another that the program does not hold.
const SiteKey &siteKey(int which = 0)
{
    QString why;
    static const SiteKey keys[] = {*SiteKey::generate(&why), *SiteKey::generate(&why)};
    return keys[which];
}

QByteArray sign(const QByteArray &text)
{
    return siteKey().signRevision(text);
}
} // namespace

class TestRevision : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void compare_data();
    void compare();
    void address_data();
    void address();
    void downloadFolder();
    void redirects_data();
    void redirects();
    void siteNames_data();
    void siteNames();
    void siteTool_data();
    void siteTool();
};

void TestRevision::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid"); // a valid one offers version 120 of setup.exe, 10 bytes

    const QByteArray rest = "file=setup.exe\nsize=10\nsha256=" + QByteArray(64, 'a') + '\n';
    const QByteArray whole = "format=1\nversion=120\n" + rest;
    QTest::newRow("whole") << sign(whole) << true;
    QTest::newRow("comments, blanks, CR LF, unknown keys")
        << sign("# site\r\n\r\n format = 1 \r\nvendor=x\r\nversion=120\r\n" + rest) << true;
    QTest::newRow("no format") << sign("version=1\n" + rest) << false;
    QTest::newRow("format 2") << sign("format=2\nversion=1\n" + rest) << false;
    QTest::newRow("a line that is not key=value") << sign("format=1\nversion 1\n" + rest) << false;
    QTest::newRow("a key given twice") << sign("format=1\nversion=1\nversion=2\n" + rest) << false;
    QTest::newRow("no size") << sign(QByteArray(whole).replace("size=10\n", "")) << false;
    QTest::newRow("negative size")
        << sign(QByteArray(whole).replace("size=10", "size=-1")) << false;
    QTest::newRow("short checksum") << sign(whole.left(whole.size() - 10) + '\n') << false;
    QTest::newRow("checksum not hex")
        << sign(QByteArray(whole).replace(QByteArray(64, 'a'), QByteArray(64, 'g'))) << false;
    QTest::newRow("not UTF-8") << sign("format=1\nversion=\xff\xfe\n" + rest) << false;
    QTest::newRow("larger than 64 KiB") << sign(whole + "# " + QByteArray(64 * 1024, 'x')) << false;
    QTest::newRow("HTML error page") << QByteArray("<html><body>Not found</body></html>") << false;
    QTest::newRow("unsigned") << whole << false;
    QTest::newRow("signed by another key") << siteKey(1).signRevision(whole) << false;
    QTest::newRow("a line after the signature") << sign(whole) + "# more\n" << false;
    QTest::newRow("a signature before the last line") << sign(sign(whole)) << false;
    QTest::newRow("signature not base64")
        << sign(whole).replace("signature=", "signature=@") << false;
}

void TestRevision::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QString why;
    const std::optional<RevisionFile> r = RevisionFile::parse(text, siteKey().publicKey(), &why);
    QCOMPARE(r.has_value(), valid);
    QCOMPARE(why.isEmpty(), valid);
    if (valid) {
        QCOMPARE(r->version, QStringLiteral("120"));
        QCOMPARE(r->file, QStringLiteral("setup.exe"));
        QCOMPARE(r->size, qint64(10));
    }
}

void TestRevision::compare_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("ours");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::newRow("newer by number, not by text") << "1.0.100"
                                                  << "1.0.43" << 2 << 1;
    QTest::newRow("older") << "1.0.43"
                           << "1.0.100" << 2 << 0;
    QTest::newRow("equal") << "1.0.43"
                           << "1.0.43" << 2 << 2;
    QTest::newRow("missing parts are zero") << "1.0"
                                            << "1.0.0" << 2 << 2;
    QTest::newRow("longer and newer") << "1.0.0.1"
                                      << "1.0.0" << 2 << 1;
    QTest::newRow("site unreadable") << "1.x"
                                     << "1.0.0" << 2 << 0;
    QTest::newRow("ours unreadable") << "2.0"
                                     << "" << 2 << 0;
    QTest::newRow("empty part") << "1..2"
                                << "1.0.2" << 2 << 0;
    QTest::newRow("too long to be a number") << QString(30, QLatin1Char('9')) << "1" << 1 << 0;
    QTest::newRow("level newer") << "121"
                                 << "120" << 1 << 1;
    QTest::newRow("level equal") << "120"
                                 << "120" << 1 << 2;
    QTest::newRow("level with dots is unreadable") << "1.2"
                                                   << "1" << 1 << 0;
    QTest::newRow("negative level is unreadable") << "-1"
                                                  << "0" << 1 << 0;
}

void TestRevision::compare()
{
    QFETCH(QString, site);
    QFETCH(QString, ours);
    QFETCH(int, kind);
    QFETCH(int, result);
    QCOMPARE(int(compareVersions(site, ours, kind)), result);
}

void TestRevision::address_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address"); // empty for an invalid one

    QTest::newRow("site") << "updates.example.com/updates/"
                          << "programmer.rev"
                          << "https://updates.example.com/updates/programmer.rev";
    QTest::newRow("loopback mirror") << "127.0.0.1:8080/updates/"
                                     << "abc_12.rev"
                                     << "http://127.0.0.1:8080/updates/abc_12.rev";
    QTest::newRow("localhost") << "localhost/updates/"
                               << "a.vq"
                               << "http://localhost/updates/a.vq";
    QTest::newRow("IPv6 loopback") << "[::1]:81/updates/"
                                   << "a.vq"
                                   << "http://[::1]:81/updates/a.vq";
    QTest::newRow("host that only starts like loopback")
        << "127.0.0.1.example.com/updates/"
        << "a.vq"
        << "https://127.0.0.1.example.com/updates/a.vq";
    QTest::newRow("explicit https to loopback stays https")
        << "https://127.0.0.1:8443/updates/"
        << "a.vq"
        << "https://127.0.0.1:8443/updates/a.vq";
    QTest::newRow("other private address stays on https") << "192.168.1.1/updates/"
                                                          << "a.vq"
                                                          << "https://192.168.1.1/updates/a.vq";
    QTest::newRow("query and fragment characters stay in the name")
        << "updates.example.com/updates/"
        << "a?b#c%d.vq"
        << "https://updates.example.com/updates/a%3Fb%23c%25d.vq";
    QTest::newRow("user in the base") << "user@evil.example/updates/"
                                      << "a.vq"
                                      << "";
    QTest::newRow("empty base") << ""
                                << "a.vq"
                                << "";
    QTest::newRow("base with a query") << "updates.example.com/updates/?x="
                                       << "a.vq"
                                       << "";
}

void TestRevision::address()
{
    QFETCH(QString, base);
    QFETCH(QString, name);
    QFETCH(QString, address);

    const QUrl url = updateAddress(base, name);
    if (address.isEmpty())
        QVERIFY(!url.isValid());
    else
        QCOMPARE(url.toString(QUrl::FullyEncoded), address);
}

void TestRevision::downloadFolder()
{
    QTemporaryDir dir;
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(downloadFolderFor(dir.path()), dir.path());
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(downloadFolderFor(dir.filePath(QStringLiteral("gone"))), data);
    QCOMPARE(downloadFolderFor(QString()), data);
    QVERIFY(QFileInfo(data).isDir());
}

void TestRevision::redirects_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("https to https") << "https://a.example/u/x"
                                    << "https://cdn.example/x" << true;
    QTest::newRow("https to http") << "https://a.example/u/x"
                                   << "http://a.example/u/x" << false;
    QTest::newRow("https to loopback http") << "https://a.example/u/x"
                                            << "http://127.0.0.1/x" << false;
    QTest::newRow("loopback mirror to https") << "http://127.0.0.1:8/x"
                                              << "https://a.example/x" << true;
    QTest::newRow("loopback mirror to loopback") << "http://127.0.0.1:8/x"
                                                 << "http://localhost:9/x" << true;
    QTest::newRow("loopback mirror to a remote http host") << "http://127.0.0.1:8/x"
                                                           << "http://a.example/x" << false;
    QTest::newRow("remote http host to loopback") << "http://a.example/x"
                                                  << "http://127.0.0.1/x" << false;
    QTest::newRow("to another scheme") << "https://a.example/x"
                                       << "ftp://a.example/x" << false;
}

void TestRevision::redirects()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    QCOMPARE(redirectAllowed(QUrl(from), QUrl(to)), allowed);
}

void TestRevision::siteNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("firmware");
    QTest::addColumn<bool>("installer");

    QTest::newRow("firmware") << "vq200_s70_1.vq" << true << true << false;
    QTest::newRow("firmware with a Latin-1 letter") << "vq\u00e9.main.vq" << true << true << false;
    QTest::newRow("installer with blanks and accents")
        << "Setup Flashwright \u00e9 1.0.exe" << true << false << true;
    QTest::newRow("firmware in upper case, never asked for") << "VQ.VQ" << true << false << false;
    QTest::newRow("firmware beyond a byte a character") << "\u0142.vq" << true << false << false;
    QTest::newRow("firmware not ending in .vq") << "fw.bin" << true << false << true;
    QTest::newRow("installer named like a revision file") << "setup.Rev" << true << false << false;
    QTest::newRow("empty") << "" << false << false << false;
    QTest::newRow("hidden") << ".vq" << false << false << false;
    QTest::newRow("parent") << "..evil" << false << false << false;
    QTest::newRow("slash") << "a/b.vq" << false << false << false;
    QTest::newRow("backslash") << "a\\b.vq" << false << false << false;
    QTest::newRow("drive") << "c:x.vq" << false << false << false;
    QTest::newRow("C0 control") << "a\tb" << false << false << false;
    QTest::newRow("C1 control") << "a\u0085b.vq" << false << false << false;
    QTest::newRow("right-to-left override") << "a\u202eexe.vq" << false << false << false;
    QTest::newRow("line separator") << "a\u2028" << false << false << false;
}

void TestRevision::siteNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QFETCH(bool, firmware);
    QFETCH(bool, installer);
    QCOMPARE(isPlainFileName(name), plain);
    QCOMPARE(isFirmwareFileName(name), firmware);
    QCOMPARE(isInstallerFileName(name), installer);
}

void TestRevision::siteTool_data()
{
    QTest::addColumn<QString>("installer");
    QTest::addColumn<QString>("firmware"); // none when empty
    QTest::addColumn<QString>("said");

    QTest::newRow("firmware not ending in .vq") << "setup.sh"
                                                << "FW.bin"
                                                << "firmware file named 'fw.bin'";
    QTest::newRow("firmware with a C1 control character") << "setup.sh"
                                                          << "a\u0085b.vq"
                                                          << "named 'a\\u0085b.vq'";
    QTest::newRow("hidden installer") << ".setup"
                                      << ""
                                      << "installer named '.setup'";
    QTest::newRow("installer named like a revision file") << "setup.rev"
                                                          << ""
                                                          << "installer named 'setup.rev'";
}

void TestRevision::siteTool()
{
    QFETCH(QString, installer);
    QFETCH(QString, firmware);
    QFETCH(QString, said);

    QTemporaryDir release;
    QString why;
    QVERIFY2(siteKey().save(release.filePath(QStringLiteral("site.pem")), &why), qPrintable(why));
    QStringList arguments{"--key",       "site.pem", "--out",     "site",
                          "--installer", installer,  "--version", "1.2.0"};
    if (!firmware.isEmpty())
        arguments << "--firmware" << firmware << "1";
    for (const QString &name : {installer, firmware}) {
        QFile file(release.filePath(name));
        QVERIFY(name.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write("x") == 1));
    }
    QProcess tool;
    tool.setWorkingDirectory(release.path());
    tool.start(QStringLiteral(FW_UPDATE_SITE_TOOL), arguments);
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 2);
    QVERIFY2(QString::fromUtf8(tool.readAllStandardError()).contains(said), qPrintable(said));
    // Nothing is written when an argument is refused.
    QVERIFY(!QFileInfo::exists(release.filePath(QStringLiteral("site"))));
}

QTEST_GUILESS_MAIN(TestRevision)
#include "tst_revision.moc"
