#pragma once

#include <QSslCertificate>
#include <QStringList>

#include <memory>

// A small HTTP/1.1 server on 127.0.0.1, plain or over TLS, that plays the
// update site in the tests. It lives in the test's thread and is served by
// whatever event loop runs there, so also while the program waits in a local
// loop. It answers GET /updates/<name>. The tests built for Windows reach one
// made by site-servers on Linux instead (SiteServerRemote.cpp).
class SiteServer
{
public:
    SiteServer();
    ~SiteServer();
    SiteServer(SiteServer &&other) noexcept;
    SiteServer &operator=(SiteServer &&other) noexcept;

    // Listens on a free port; over TLS with a certificate for 127.0.0.1 and
    // localhost, made now, that nothing trusts. False, with why, when it cannot.
    bool start(bool tls, QString *why);
    quint16 port() const;
    QSslCertificate certificate() const;

    // /updates/<name> is answered with body, or as how says: an HTTP status
    // ("404"; "302 <location>"); "stall" or "cut", the whole length and half
    // the body, then nothing, or the connection closed; "endless", no length,
    // then bytes as fast as the connection takes them; "unsized", no length,
    // the body, then the connection closed. Any other how: the
    // body. A name never set gets 404.
    void setFile(const QString &name, const QByteArray &body, const QString &how = {});
    // The names asked for, in order, URL-decoded.
    QStringList requests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
