#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QStringList>
#include <QTcpServer>

#include <memory>
#include <utility>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1, plain or over TLS, that plays the
// update site in the tests. It lives in the test's thread and is served by
// whatever event loop runs there, so also while the program waits in a local
// loop. It answers GET /updates/<name>.
class SiteServer
{
public:
    // Listens on a free port; over TLS with a certificate for 127.0.0.1 and
    // localhost, made now, that nothing trusts. False, with why, when it cannot.
    bool start(bool tls, QString *why);
    quint16 port() const { return m_server->serverPort(); }
    QSslCertificate certificate() const { return m_certificate; }

    // /updates/<name> is answered with body, or as how says: an HTTP status
    // ("404"; "302 <location>"); "stall" or "cut", the whole length and half
    // the body, then nothing, or the connection closed; "endless", no length,
    // then bytes as fast as the connection takes them; "unsized", no length,
    // the body, then the connection closed. Any other how: the
    // body. A name never set gets 404.
    void setFile(const QString &name, const QByteArray &body, const QString &how = {})
    {
        m_files.insert(name, {body, how});
    }
    // The names asked for, in order, URL-decoded.
    QStringList requests() const { return m_requests; }

private:
    void answer(QTcpSocket *socket);

    std::unique_ptr<QTcpServer> m_server;
    QSslCertificate m_certificate;
    QHash<QString, std::pair<QByteArray, QString>> m_files;
    QStringList m_requests;
};
