#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1, plain or over TLS, that plays the
// update site in the tests. It lives in the test's thread and is served by
// whatever event loop runs there, so also while the code under test waits in
// a local loop. Only GET is answered; files live under /updates/.
class SiteServer : public QObject
{
    Q_OBJECT
public:
    enum class Fault
    {
        None,
        NotFound,    // 404
        Gone,        // 410
        ProxyAuth,   // 407 with Proxy-Authenticate: Basic realm="site"
        ServerError, // 500
        Stall,       // the full Content-Length, half the body, then nothing until the client leaves
        CutShort,    // the full Content-Length, half the body, then the connection is closed
        Refuse,      // the connection is closed at once without an answer
        Endless      // 200 without a length, then bytes until the client leaves, sent from a
                     // thread of its own as fast as the connection takes them (plain only)
    };
    enum class Transport
    {
        Plain,
        Tls // a certificate for 127.0.0.1 and localhost, made at start, that nothing trusts
    };

    explicit SiteServer(QObject *parent = nullptr);
    ~SiteServer() override;

    // Listens on 127.0.0.1 on a free port. False, with the reason in error,
    // when it cannot.
    bool start(QString *error = nullptr, Transport transport = Transport::Plain);
    quint16 port() const;
    // "127.0.0.1:<port>/updates/": the site's base address, without a scheme
    // when plain, after "https://" over TLS.
    QString base() const;
    // The certificate it shows over TLS.
    QSslCertificate certificate() const { return m_certificate; }

    // GET /updates/<name> is answered from this folder. Names holding "/",
    // "\" or ".." are never looked up and get 404.
    void serveFolder(const QString &folder);
    // An in-memory file /updates/<name>; it takes precedence over the folder.
    void setFile(const QString &name, const QByteArray &body);
    // How requests for /updates/<name> are answered from now on. Stall and
    // CutShort send half of the file, and 404 when there is no such file.
    // After Refuse a QNetworkAccessManager asks once more on a new
    // connection, so requests() lists the name twice.
    void setFault(const QString &name, Fault fault);
    // Requests for /updates/<name> are answered "302 Found" with this Location.
    void setRedirect(const QString &name, const QString &location);
    // Sends bodies in chunks of 16 KiB with this delay between them; 0 sends
    // each body at once.
    void setChunkDelayMs(int ms);

    // The names asked for, in order: the part after /updates/, URL-decoded;
    // a path outside /updates/ is listed whole.
    QStringList requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // The connections open now; a client that leaves frees its own.
    int connectionCount() const { return int(m_connections.size()); }

    static constexpr qsizetype MaximumHeaderSize = 16 * 1024;
    static constexpr qsizetype ChunkSize = 16 * 1024;

private:
    enum class After
    {
        KeepOpen,
        Close,
        Stall
    };
    struct Connection
    {
        QByteArray in;  // received, not yet answered
        QByteArray out; // body still to send when paced
        After after = After::KeepOpen;
        bool idle = true; // false while stalled or closing
    };

    void accept();
    void receive(QTcpSocket *socket);
    void answerWaiting(QTcpSocket *socket, Connection &c);
    bool answerOne(QTcpSocket *socket, Connection &c);
    bool respond(QTcpSocket *socket, Connection &c, int status, After after,
                 const QByteArray &body = {}, qsizetype contentLength = -1,
                 const QByteArray &header = {});
    void sendEndlessly(QTcpSocket *socket);
    bool pump(QTcpSocket *socket, Connection &c);
    void paceNext(QTcpSocket *socket);
    std::optional<QByteArray> fileBody(const QString &name) const;

    std::unique_ptr<QTcpServer> m_server;
    QSslCertificate m_certificate;
    // Node-based, so that a reference to one connection survives the others
    // coming and going.
    std::map<QTcpSocket *, Connection> m_connections;
    QString m_folder;
    QHash<QString, QByteArray> m_files;
    QHash<QString, Fault> m_faults;
    QHash<QString, QString> m_redirects;
    std::vector<std::pair<int, std::thread>> m_senders; // descriptor and its endless sender
    QStringList m_requests;
    int m_chunkDelayMs = 0;
};
