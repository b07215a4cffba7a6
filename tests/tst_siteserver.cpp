#include "SiteServer.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(SiteServer::Fault)

namespace {
// The status codes of the answers in bytes read from the server.
QList<int> statuses(const QByteArray &received)
{
    QList<int> codes;
    static const QRegularExpression line(QStringLiteral("HTTP/1\\.1 (\\d{3}) "));
    auto it = line.globalMatch(QString::fromLatin1(received));
    while (it.hasNext())
        codes.append(it.next().captured(1).toInt());
    return codes;
}
} // namespace

class TestSiteServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void fetch_data();
    void fetch();
    void raw_data();
    void raw();
    void leavingWhilePaced();
    void connectionsEndWithTheServer();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<SiteServer> m_server;
};

void TestSiteServer::init()
{
    m_server = std::make_unique<SiteServer>();
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QFile file(m_folder.filePath(QStringLiteral("disk.vq")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("from the folder");
    file.close();
    m_server->serveFolder(m_folder.path());
    m_server->setFile(QStringLiteral("memory.rev"), "format=1\n");
}

void TestSiteServer::cleanup()
{
    m_server.reset();
}

void TestSiteServer::fetch_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<SiteServer::Fault>("fault");
    QTest::addColumn<int>("chunkDelayMs");
    QTest::addColumn<int>("status"); // 0 when no answer is expected
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<QByteArray>("body");

    using F = SiteServer::Fault;
    using E = QNetworkReply::NetworkError;
    QTest::newRow("in memory") << "memory.rev" << F::None << 0 << 200 << E::NoError
                               << QByteArray("format=1\n");
    QTest::newRow("from the folder")
        << "disk.vq" << F::None << 0 << 200 << E::NoError << QByteArray("from the folder");
    QTest::newRow("paced in chunks")
        << "big.vq" << F::None << 10 << 200 << E::NoError << QByteArray(40 * 1024, 'v');
    QTest::newRow("unknown name") << "other.rev" << F::None << 0 << 404 << E::ContentNotFoundError
                                  << QByteArray("Not Found\n");
    QTest::newRow("slash after updates") << "x%2Fdisk.vq" << F::None << 0 << 404
                                         << E::ContentNotFoundError << QByteArray("Not Found\n");
    QTest::newRow("dot dot") << "..disk.vq" << F::None << 0 << 404 << E::ContentNotFoundError
                             << QByteArray("Not Found\n");
    QTest::newRow("not found") << "disk.vq" << F::NotFound << 0 << 404 << E::ContentNotFoundError
                               << QByteArray("Not Found\n");
    QTest::newRow("gone") << "disk.vq" << F::Gone << 0 << 410 << E::ContentGoneError
                          << QByteArray("Gone\n");
    QTest::newRow("proxy authentication") << "disk.vq" << F::ProxyAuth << 0 << 407
                                          << E::ProxyAuthenticationRequiredError << QByteArray();
    QTest::newRow("server error") << "disk.vq" << F::ServerError << 0 << 500
                                  << E::InternalServerError
                                  << QByteArray("Internal Server Error\n");
    QTest::newRow("cut short") << "big.vq" << F::CutShort << 0 << 200 << E::RemoteHostClosedError
                               << QByteArray();
    QTest::newRow("stall, the client gives up")
        << "big.vq" << F::Stall << 0 << 200 << E::OperationCanceledError << QByteArray();
    QTest::newRow("refuse") << "disk.vq" << F::Refuse << 0 << 0 << E::RemoteHostClosedError
                            << QByteArray();
}

void TestSiteServer::fetch()
{
    QFETCH(QString, path);
    QFETCH(SiteServer::Fault, fault);
    QFETCH(int, chunkDelayMs);
    QFETCH(int, status);
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(QByteArray, body);

    m_server->setFile(QStringLiteral("big.vq"), QByteArray(40 * 1024, 'v'));
    m_server->setFault(QStringLiteral("disk.vq"), fault);
    m_server->setFault(QStringLiteral("big.vq"), fault);
    m_server->setChunkDelayMs(chunkDelayMs);
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(QUrl(QStringLiteral("http://") + m_server->base() + path));
        request.setTransferTimeout(300);
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 5000);

        QCOMPARE(reply->error(), error);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        if (error == QNetworkReply::NoError || !body.isEmpty())
            QCOMPARE(reply->readAll(), body);
        if (error == QNetworkReply::NoError) {
            QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
                     QStringLiteral("application/octet-stream"));
            // Chunks of 16 KiB: three of them, two pauses.
            QVERIFY(clock.elapsed() >= 2 * chunkDelayMs);
        }
    }
    QVERIFY(!m_server->requests().isEmpty());
    QCOMPARE(m_server->requests().first(), QUrl::fromPercentEncoding(path.toLatin1()));
    // Each connection, a stalled one too, is freed once the client has left.
    QTRY_COMPARE(m_server->connectionCount(), 0);
}

void TestSiteServer::raw_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces"); // written apart, the server reading between
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("closes");

    const QByteArray get = "GET /updates/memory.rev HTTP/1.1\r\nHost: x\r\n\r\n";
    QTest::newRow("two requests in one write, one connection")
        << QList<QByteArray>{get + get} << QList<int>{200, 200} << false;
    QTest::newRow("header split across reads")
        << QList<QByteArray>{get.left(20), get.mid(20, 10), get.mid(30)} << QList<int>{200}
        << false;
    QTest::newRow("connection close")
        << QList<QByteArray>{"GET /updates/memory.rev HTTP/1.1\r\nConnection: close\r\n\r\n"}
        << QList<int>{200} << true;
    QTest::newRow("HTTP/1.0 closes")
        << QList<QByteArray>{"GET /updates/memory.rev HTTP/1.0\r\n\r\n"} << QList<int>{200} << true;
    QTest::newRow("outside updates")
        << QList<QByteArray>{"GET /memory.rev HTTP/1.1\r\n\r\n"} << QList<int>{404} << false;
    QTest::newRow("not GET") << QList<QByteArray>{"POST /updates/memory.rev HTTP/1.1\r\n\r\n"}
                             << QList<int>{405} << true;
    QTest::newRow("not HTTP") << QList<QByteArray>{"hello\r\n\r\n"} << QList<int>{400} << true;
    QTest::newRow("header over 16 KiB, unfinished")
        << QList<QByteArray>{"GET /updates/memory.rev HTTP/1.1\r\nX: " + QByteArray(17000, 'x')}
        << QList<int>{400} << true;
    QTest::newRow("header over 16 KiB, whole")
        << QList<QByteArray>{"GET /updates/memory.rev HTTP/1.1\r\nX: " + QByteArray(17000, 'x') +
                             "\r\n\r\n"}
        << QList<int>{400} << true;
}

void TestSiteServer::raw()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<int>, answers);
    QFETCH(bool, closes);

    QTcpSocket socket;
    QByteArray received;
    connect(&socket, &QTcpSocket::readyRead, this, [&] { received += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
    for (const QByteArray &piece : pieces) {
        socket.write(piece);
        QTRY_COMPARE(socket.bytesToWrite(), 0);
        QTest::qWait(20);
    }
    QTRY_COMPARE(statuses(received), answers);
    if (closes)
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    else
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
}

void TestSiteServer::leavingWhilePaced()
{
    m_server->setFile(QStringLiteral("big.vq"), QByteArray(1024 * 1024, 'v'));
    m_server->setChunkDelayMs(20);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    socket.write("GET /updates/big.vq HTTP/1.1\r\n\r\n");
    QTRY_VERIFY(socket.bytesAvailable() > 0);
    socket.abort();
    QTRY_COMPARE(m_server->connectionCount(), 0);
    // The rest of the body is not sent anywhere: the server answers a new
    // client at once.
    m_server->setChunkDelayMs(0);
    QTcpSocket next;
    next.connectToHost(QHostAddress::LocalHost, m_server->port());
    next.write("GET /updates/memory.rev HTTP/1.1\r\n\r\n");
    QTRY_VERIFY(next.bytesAvailable() > 0);
    QCOMPARE(statuses(next.readAll()), QList<int>{200});
}

void TestSiteServer::connectionsEndWithTheServer()
{
    m_server->setFault(QStringLiteral("memory.rev"), SiteServer::Fault::Stall);
    QList<QTcpSocket *> sockets;
    for (int i = 0; i < 3; ++i) {
        auto *socket = new QTcpSocket(this);
        sockets.append(socket);
        socket->connectToHost(QHostAddress::LocalHost, m_server->port());
        socket->write("GET /updates/memory.rev HTTP/1.1\r\n\r\n");
    }
    for (QTcpSocket *socket : sockets)
        QTRY_VERIFY(socket->bytesAvailable() > 0);
    QCOMPARE(m_server->connectionCount(), 3);
    QCOMPARE(m_server->requests().size(), 3);

    m_server.reset();
    for (QTcpSocket *socket : sockets)
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    qDeleteAll(sockets);
}

QTEST_GUILESS_MAIN(TestSiteServer)
#include "tst_siteserver.moc"
