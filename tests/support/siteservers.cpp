// site-servers: makes update sites on request, for the tests that run as
// Windows programs under Wine (whose TLS cannot serve) and reach their site on
// Linux. It listens on 127.0.0.1:PORT (0 picks a free port) and prints the
// port alone on the first line of standard output. Each connection holds one
// site and asks one line at a time; each answer is one line:
//   start 0|1                 -> PORT BASE64-CERTIFICATE-PEM ("-" without TLS), or "error: " and
//   why file NAME BODY HOW        -> ok          (each field base64) requests                  ->
//   the names asked for, as a JSON array
// The site lives until its connection ends.

#include "SiteServer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <memory>

namespace {

QByteArray field(const QByteArray &word)
{
    return word == "-" ? QByteArray() : QByteArray::fromBase64(word);
}

QByteArray answer(SiteServer &site, const QList<QByteArray> &words)
{
    const QByteArray verb = words.value(0);
    if (verb == "start" && words.size() == 2) {
        QString why;
        if (!site.start(words[1] == "1", &why))
            return "error: " + why.toUtf8();
        const QByteArray pem = site.certificate().toPem();
        return QByteArray::number(site.port()) + ' ' + (pem.isEmpty() ? "-" : pem.toBase64());
    }
    if (verb == "file" && words.size() == 4) {
        site.setFile(QString::fromUtf8(field(words[1])), field(words[2]),
                     QString::fromUtf8(field(words[3])));
        return "ok";
    }
    if (verb == "requests" && words.size() == 1)
        return QJsonDocument(QJsonArray::fromStringList(site.requests()))
            .toJson(QJsonDocument::Compact);
    return "error: not understood: " + verb.left(40);
}

void serve(QTcpSocket *request)
{
    auto site = std::make_shared<SiteServer>();
    QObject::connect(request, &QTcpSocket::readyRead, request, [request, site] {
        while (request->canReadLine()) {
            const QByteArray line = request->readLine().trimmed();
            const QByteArray reply = answer(*site, line.split(' '));
            if (reply.startsWith("error: "))
                std::fprintf(stderr, "site-servers: %s\n", reply.constData() + 7);
            request->write(reply + '\n');
        }
    });
    QObject::connect(request, &QTcpSocket::disconnected, request, [request, site] {
        *site = SiteServer();
        request->deleteLater();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ok = args.size() == 2;
    const quint16 port = ok ? args[1].toUShort(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "Usage: site-servers PORT (0 picks a free port)\n");
        return 2;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port)) {
        std::fprintf(stderr, "site-servers: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        while (QTcpSocket *request = server.nextPendingConnection())
            serve(request);
    });
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
