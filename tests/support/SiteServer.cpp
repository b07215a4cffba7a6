#include "SiteServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 407:
        return "Proxy Authentication Required";
    case 410:
        return "Gone";
    default:
        return "Internal Server Error";
    }
}
} // namespace

SiteServer::SiteServer(QObject *parent) : QObject(parent) {}

SiteServer::~SiteServer()
{
    for (auto &[fd, sender] : m_senders) {
        ::shutdown(fd, SHUT_RDWR);
        sender.join();
        ::close(fd);
    }
    if (m_server)
        m_server->close();
    for (auto &entry : m_connections) {
        entry.first->disconnect(this);
        entry.first->abort();
        delete entry.first;
    }
    m_connections.clear();
}

bool SiteServer::start(QString *error, Transport transport)
{
    QString why;
    if (transport == Transport::Plain) {
        m_server = std::make_unique<QTcpServer>();
    } else {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                                     "-noenc -keyout - -days 1 -subj /CN=localhost -addext "
                                     "subjectAltName=DNS:localhost,IP:127.0.0.1")
                          .split(QLatin1Char(' ')));
        openssl.waitForFinished();
        const QByteArray pem = openssl.readAllStandardOutput();
        const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem);
        const QSslKey key(pem, QSsl::Ec);
        if (certificates.size() != 1 || key.isNull()) {
            if (error)
                *error = QStringLiteral("openssl made no certificate: ") + openssl.errorString() +
                         QString::fromLocal8Bit(openssl.readAllStandardError());
            return false;
        }
        m_certificate = certificates.first();
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(m_certificate);
        configuration.setPrivateKey(key);
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(configuration);
        m_server = std::move(server);
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &SiteServer::accept);
    if (m_server->listen(QHostAddress::LocalHost, 0))
        return true;
    if (error)
        *error = m_server->errorString();
    return false;
}

quint16 SiteServer::port() const
{
    return m_server->serverPort();
}

QString SiteServer::base() const
{
    const QString scheme = m_certificate.isNull() ? QString() : QStringLiteral("https://");
    return scheme + QStringLiteral("127.0.0.1:%1/updates/").arg(port());
}

void SiteServer::serveFolder(const QString &folder)
{
    m_folder = folder;
}

void SiteServer::setFile(const QString &name, const QByteArray &body)
{
    m_files.insert(name, body);
}

void SiteServer::setFault(const QString &name, Fault fault)
{
    if (fault == Fault::None)
        m_faults.remove(name);
    else
        m_faults.insert(name, fault);
}

void SiteServer::setRedirect(const QString &name, const QString &location)
{
    m_redirects.insert(name, location);
}

void SiteServer::setChunkDelayMs(int ms)
{
    m_chunkDelayMs = ms;
}

void SiteServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.emplace(socket, Connection{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            // Anything still running for this socket returns without using it.
            m_connections.erase(socket);
            socket->deleteLater();
        });
    }
}

void SiteServer::receive(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    const QByteArray bytes = socket->readAll();
    if (!it->second.idle)
        return;
    it->second.in += bytes;
    if (it->second.out.isEmpty())
        answerWaiting(socket, it->second);
}

// Answers the requests received whole, one after the other; a paced answer
// carries on from its timer.
void SiteServer::answerWaiting(QTcpSocket *socket, Connection &c)
{
    while (answerOne(socket, c)) {
    }
}

// True when an answer was sent whole and the connection waits for more; on
// false the connection may be gone.
bool SiteServer::answerOne(QTcpSocket *socket, Connection &c)
{
    const qsizetype end = c.in.indexOf("\r\n\r\n");
    if (end < 0 ? c.in.size() > MaximumHeaderSize : end + 4 > MaximumHeaderSize) {
        c.in.clear();
        return respond(socket, c, 400, After::Close);
    }
    if (end < 0)
        return false;
    const QList<QByteArray> lines = c.in.left(end).split('\n');
    c.in.remove(0, end + 4);

    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1."))
        return respond(socket, c, 400, After::Close);
    QByteArray connection;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0 && lines[i].left(colon).trimmed().toLower() == "connection")
            connection = lines[i].mid(colon + 1).trimmed().toLower();
    }
    const bool keepAlive =
        request[2] == "HTTP/1.1" ? connection != "close" : connection == "keep-alive";
    const After after = keepAlive ? After::KeepOpen : After::Close;
    // A body of another method would be read as the next request.
    if (request[0] != "GET")
        return respond(socket, c, 405, After::Close);

    QByteArray path = request[1];
    const qsizetype query = path.indexOf('?');
    if (query >= 0)
        path.truncate(query);
    const QByteArray prefix = "/updates/";
    if (!path.startsWith(prefix)) {
        m_requests.append(QUrl::fromPercentEncoding(path));
        return respond(socket, c, 404, after);
    }
    const QString name = QUrl::fromPercentEncoding(path.mid(prefix.size()));
    m_requests.append(name);
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1String("..")) || name.contains(QChar()))
        return respond(socket, c, 404, after);

    if (m_redirects.contains(name))
        return respond(socket, c, 302, after, {}, -1, "Location: " + m_redirects[name].toUtf8());
    switch (m_faults.value(name, Fault::None)) {
    case Fault::Endless:
        c.idle = false;
        sendEndlessly(socket);
        return false;
    case Fault::Refuse:
        c.idle = false;
        socket->abort();
        return false;
    case Fault::NotFound:
        return respond(socket, c, 404, after);
    case Fault::Gone:
        return respond(socket, c, 410, after);
    case Fault::ProxyAuth:
        return respond(socket, c, 407, after);
    case Fault::ServerError:
        return respond(socket, c, 500, after);
    case Fault::Stall:
    case Fault::CutShort: {
        const std::optional<QByteArray> body = fileBody(name);
        if (!body)
            return respond(socket, c, 404, after);
        const bool stall = m_faults.value(name) == Fault::Stall;
        return respond(socket, c, 200, stall ? After::Stall : After::Close,
                       body->left(body->size() / 2), body->size());
    }
    case Fault::None:
        break;
    }
    const std::optional<QByteArray> body = fileBody(name);
    if (!body)
        return respond(socket, c, 404, after);
    return respond(socket, c, 200, after, *body);
}

// Sends the status line and headers; the body, or the status text for an
// error, follows through pump().
bool SiteServer::respond(QTcpSocket *socket, Connection &c, int status, After after,
                         const QByteArray &body, qsizetype contentLength, const QByteArray &header)
{
    c.out = status == 200 ? body : reason(status) + '\n';
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    head += status == 200 ? "Content-Type: application/octet-stream\r\n"
                          : "Content-Type: text/plain\r\n";
    head +=
        "Content-Length: " + QByteArray::number(contentLength < 0 ? c.out.size() : contentLength) +
        "\r\n";
    if (status == 407)
        head += "Proxy-Authenticate: Basic realm=\"site\"\r\n";
    if (!header.isEmpty())
        head += header + "\r\n";
    head += after == After::Close ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
    socket->write(head);
    c.after = after;
    return pump(socket, c);
}

// Sends the next chunk of the body, or all of it when not paced, and after
// the last one does what the answer asked for. True when the connection is
// ready for the next request.
bool SiteServer::pump(QTcpSocket *socket, Connection &c)
{
    const qsizetype n = m_chunkDelayMs > 0 ? qMin(ChunkSize, c.out.size()) : c.out.size();
    socket->write(c.out.left(n));
    c.out.remove(0, n);
    if (!c.out.isEmpty()) {
        QTimer::singleShot(m_chunkDelayMs, socket, [this, socket] { paceNext(socket); });
        return false;
    }
    switch (c.after) {
    case After::KeepOpen:
        return true;
    case After::Stall:
        c.idle = false;
        return false;
    case After::Close:
        c.idle = false;
        socket->disconnectFromHost();
        return false;
    }
    return false;
}

void SiteServer::paceNext(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it != m_connections.end() && pump(socket, it->second))
        answerWaiting(socket, it->second);
}

std::optional<QByteArray> SiteServer::fileBody(const QString &name) const
{
    const auto it = m_files.constFind(name);
    if (it != m_files.constEnd())
        return *it;
    if (m_folder.isEmpty())
        return std::nullopt;
    QFile file(QDir(m_folder).filePath(name));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The connection is handed to a thread that writes as fast as it can; this
// thread's socket lets go of it, so nothing piles up here.
void SiteServer::sendEndlessly(QTcpSocket *socket)
{
    const int fd = ::dup(int(socket->socketDescriptor()));
    socket->abort();
    if (fd < 0)
        return;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_senders.emplace_back(
        fd, std::thread([fd] {
            const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                    "Connection: close\r\n\r\n";
            const QByteArray chunk(ChunkSize, 'x');
            if (::send(fd, head.constData(), size_t(head.size()), MSG_NOSIGNAL) < 0)
                return;
            while (::send(fd, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL) > 0) {
            }
        }));
}
