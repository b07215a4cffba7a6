#include "RevisionFile.h"
#include "UpdateSite.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
};

void TestRevision::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("file");

    const QByteArray sum = QByteArray(64, 'a');
    QTest::newRow("whole") << QByteArray("format=1\nversion=1.0.43\nfile=setup.exe\nsha256=" + sum)
                           << true << "1.0.43"
                           << "setup.exe";
    QTest::newRow("comments, blanks, CR LF, unknown keys")
        << QByteArray("# site\r\n\r\n format = 1 \r\nvendor=x\r\nversion=120\r\n") << true << "120"
        << "";
    QTest::newRow("no format") << QByteArray("version=1\n") << false << ""
                               << "";
    QTest::newRow("format 2") << QByteArray("format=2\nversion=1\n") << false << ""
                              << "";
    QTest::newRow("a line that is not key=value")
        << QByteArray("format=1\nversion 1\n") << false << ""
        << "";
    QTest::newRow("a key given twice")
        << QByteArray("format=1\nversion=1\nversion=2\n") << false << ""
        << "";
    QTest::newRow("short checksum") << QByteArray("format=1\nsha256=abcd\n") << false << ""
                                    << "";
    QTest::newRow("checksum not hex")
        << QByteArray("format=1\nsha256=" + QByteArray(64, 'g')) << false << ""
        << "";
    QTest::newRow("not UTF-8") << QByteArray("format=1\nversion=\xff\xfe\n") << false << ""
                               << "";
    QTest::newRow("larger than 64 KiB")
        << QByteArray("format=1\n# " + QByteArray(64 * 1024, 'x')) << false << ""
        << "";
    QTest::newRow("HTML error page")
        << QByteArray("<html><body>Not found</body></html>") << false << ""
        << "";
}

void TestRevision::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QString, version);
    QFETCH(QString, file);
    QString why;
    const std::optional<RevisionFile> r = RevisionFile::parse(text, &why);
    QCOMPARE(r.has_value(), valid);
    QCOMPARE(why.isEmpty(), valid);
    if (valid) {
        QCOMPARE(r->version, version);
        QCOMPARE(r->file, file);
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

    QTest::newRow("firmware") << "vq200_s70_1.vq" << true;
    QTest::newRow("installer with blanks and accents") << "Setup Flashwright é 1.0.exe" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("hidden") << ".vq" << false;
    QTest::newRow("parent") << "..evil" << false;
    QTest::newRow("slash") << "a/b.vq" << false;
    QTest::newRow("backslash") << "a\\b.vq" << false;
    QTest::newRow("drive") << "c:x.vq" << false;
    QTest::newRow("C0 control") << QStringLiteral("a\tb") << false;
    QTest::newRow("C1 control") << QString(QStringLiteral("a") + QChar(0x85) + QStringLiteral("b"))
                                << false;
    QTest::newRow("right-to-left override")
        << QString(QStringLiteral("a") + QChar(0x202E) + QStringLiteral("exe.vq")) << false;
    QTest::newRow("line separator") << QString(QStringLiteral("a") + QChar(0x2028)) << false;
}

void TestRevision::siteNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(isPlainSiteName(name), plain);
}

QTEST_GUILESS_MAIN(TestRevision)
#include "tst_revision.moc"
