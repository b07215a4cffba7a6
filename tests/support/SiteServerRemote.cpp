// The update site for the tests built as Windows programs: Wine's TLS cannot
// serve, so the site is made by site-servers on Linux, at the TCP port in
// FLASHWRIGHT_SITE_TCP, and set up over the connection that asked for it. It
// lives as long as that connection.

#include "SiteServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

namespace {
QByteArray field(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QByteArrayLiteral("-") : bytes.toBase64();
}
} // namespace

struct SiteServer::Impl
{
    // One line asked, one line answered; empty when the site cannot be reached.
    QByteArray ask(const QByteArray &line)
    {
        if (!control)
            return {};
        control->write(line + '\n');
        while (!control->canReadLine() && control->waitForReadyRead(AnswerMs)) {
        }
        return control->readLine().trimmed();
    }

    static constexpr int AnswerMs = 10000;
    std::unique_ptr<QTcpSocket> control;
    quint16 port = 0;
    QSslCertificate certificate;
};

SiteServer::SiteServer() : d(std::make_unique<Impl>()) {}
SiteServer::~SiteServer() = default;
SiteServer::SiteServer(SiteServer &&other) noexcept = default;
SiteServer &SiteServer::operator=(SiteServer &&other) noexcept = default;

bool SiteServer::start(bool tls, QString *why)
{
    bool ok = false;
    const quint16 servers = qEnvironmentVariable("FLASHWRIGHT_SITE_TCP").toUShort(&ok);
    if (!ok) {
        *why = QStringLiteral("FLASHWRIGHT_SITE_TCP names no site-servers port");
        return false;
    }
    d->control = std::make_unique<QTcpSocket>();
    d->control->connectToHost(QStringLiteral("127.0.0.1"), servers);
    const QList<QByteArray> answer = d->ask(tls ? "start 1" : "start 0").split(' ');
    d->port = answer.value(0).toUShort(&ok);
    if (!ok || answer.size() != 2) {
        *why = QStringLiteral("site-servers at port %1: %2")
                   .arg(servers)
                   .arg(answer.value(0).isEmpty() ? d->control->errorString()
                                                  : QString::fromUtf8(answer.join(' ')));
        d->control.reset();
        return false;
    }
    if (tls)
        d->certificate = QSslCertificate(QByteArray::fromBase64(answer[1]));
    return true;
}

quint16 SiteServer::port() const
{
    return d->port;
}

QSslCertificate SiteServer::certificate() const
{
    return d->certificate;
}

void SiteServer::setFile(const QString &name, const QByteArray &body, const QString &how)
{
    if (!d->control) // a site never started, or gone: nothing serves its files
        return;
    if (d->ask("file " + field(name.toUtf8()) + ' ' + field(body) + ' ' + field(how.toUtf8())) !=
        "ok")
        qFatal("SiteServer::setFile: the site on Linux did not take %s", qPrintable(name));
}

QStringList SiteServer::requests() const
{
    if (!d->control)
        return {};
    const QJsonDocument names = QJsonDocument::fromJson(d->ask("requests"));
    if (!names.isArray())
        qFatal("SiteServer::requests: no answer from the site on Linux");
    QStringList out;
    for (const QJsonValue &name : names.array())
        out.append(name.toString());
    return out;
}
