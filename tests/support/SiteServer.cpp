#include "SiteServer.h"

#include <QHash>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

struct SiteServer::Impl
{
    void answer(QTcpSocket *socket);

    std::unique_ptr<QTcpServer> server;
    QSslCertificate certificate;
    QHash<QString, std::pair<QByteArray, QString>> files;
    QStringList requests;
};

SiteServer::SiteServer() : d(std::make_unique<Impl>()) {}
SiteServer::~SiteServer() = default;
SiteServer::SiteServer(SiteServer &&other) noexcept = default;
SiteServer &SiteServer::operator=(SiteServer &&other) noexcept = default;

quint16 SiteServer::port() const
{
    return d->server ? d->server->serverPort() : 0;
}

QSslCertificate SiteServer::certificate() const
{
    return d->certificate;
}

void SiteServer::setFile(const QString &name, const QByteArray &body, const QString &how)
{
    d->files.insert(name, {body, how});
}

QStringList SiteServer::requests() const
{
    return d->requests;
}

bool SiteServer::start(bool tls, QString *why)
{
    d->server = std::make_unique<QTcpServer>();
    if (tls) {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                                     "-noenc -keyout - -days 1 -subj /CN=localhost -addext "
                                     "subjectAltName=DNS:localhost,IP:127.0.0.1")
                          .split(QLatin1Char(' ')));
        openssl.waitForFinished();
        const QByteArray pem = openssl.readAllStandardOutput();
        const QSslKey key(pem, QSsl::Ec);
        d->certificate = QSslCertificate(pem);
        if (d->certificate.isNull() || key.isNull()) {
            *why = "openssl made no certificate: " + openssl.readAllStandardError();
            return false;
        }
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(d->certificate);
        configuration.setPrivateKey(key);
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(configuration);
        d->server = std::move(server);
    }
    QTcpServer *server = d->server.get();
    Impl *site = d.get();
    QObject::connect(server, &QTcpServer::pendingConnectionAvailable, server, [site, server] {
        while (QTcpSocket *socket = server->nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [site, socket] { site->answer(socket); });
    });
    const bool listening = server->listen(QHostAddress::LocalHost);
    *why = server->errorString();
    return listening;
}

// Answers each request received whole; the socket keeps what follows.
void SiteServer::Impl::answer(QTcpSocket *socket)
{
    qsizetype end;
    while ((end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n")) >= 0) {
        const QByteArray path = socket->read(end + 4).split(' ').value(1);
        const QString name = QUrl::fromPercentEncoding(path.mid(path.indexOf("/updates/") + 9));
        requests.append(name);
        const auto [body, how] = files.value(name, {QByteArray(), QStringLiteral("404")});
        const bool cut = how == QLatin1String("cut"), half = cut || how == QLatin1String("stall");
        const bool endless = how == QLatin1String("endless");
        const bool unsized = how == QLatin1String("unsized"); // no length: ends as it closes
        QByteArray status = how.section(QLatin1Char(' '), 0, 0).toLatin1();
        status = status.toInt() > 0 ? status : "200";
        const QByteArray location = how.section(QLatin1Char(' '), 1).toUtf8();
        // After a redirect the connection is closed, or a client over TLS may ask again on it.
        socket->write("HTTP/1.1 " + status + " -\r\n" +
                      (endless || unsized
                           ? QByteArray("Connection: close\r\n")
                           : "Content-Length: " +
                                 QByteArray::number(status == "200" ? body.size() : 0) + "\r\n") +
                      (location.isEmpty() ? QByteArray()
                                          : "Location: " + location + "\r\nConnection: close\r\n") +
                      "\r\n");
        if (endless) {
            const auto more = [socket] {
                if (socket->bytesToWrite() < 64 * 1024)
                    socket->write(QByteArray(16 * 1024, 'x'));
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            return;
        }
        if (unsized)
            socket->write(body);
        if (!location.isEmpty() || unsized) {
            socket->disconnectFromHost();
            return;
        }
        if (!half) {
            socket->write(status == "200" ? body : QByteArray());
            continue;
        }
        // A stalled half comes after 200 ms: a reply shows progress only 100 ms after it began.
        QTimer::singleShot(cut ? 0 : 200, socket, [socket, cut, part = body.left(body.size() / 2)] {
            socket->write(part);
            if (cut)
                socket->disconnectFromHost();
        });
        return;
    }
}
