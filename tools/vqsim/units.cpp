// vqsim-units: makes simulated units on request, for the tests that run as
// Windows programs under Wine and reach their unit on Linux over TCP. It
// listens on 127.0.0.1:PORT (0 picks a free port) and prints the port alone
// on the first line of standard output. Each connection sends one line, the
// unit's options as a JSON object; the answer is one line, the TCP port of a
// new unit made with them, or "error: " and why. The unit lives until that
// connection ends.

#include "VqSimOptionsJson.h"
#include "VqSimulator.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <memory>

namespace {

void serve(QTcpSocket *request)
{
    auto unit = std::make_shared<std::unique_ptr<VqSimulator>>();
    QObject::connect(request, &QTcpSocket::readyRead, request, [request, unit] {
        if (*unit || !request->canReadLine())
            return;
        QJsonParseError parseError;
        const QJsonDocument json = QJsonDocument::fromJson(request->readLine(), &parseError);
        VqSimOptions options;
        QString error = json.isObject() ? QString() : parseError.errorString();
        if (error.isEmpty() && fromJson(json.object(), &options, &error)) {
            *unit = std::make_unique<VqSimulator>(options);
            if ((*unit)->startTcp(0, &error)) {
                request->write(QByteArray::number((*unit)->port()) + '\n');
                return;
            }
        }
        std::fprintf(stderr, "vqsim-units: %s\n", qPrintable(error));
        request->write("error: " + error.toUtf8() + '\n');
        request->disconnectFromHost();
    });
    QObject::connect(request, &QTcpSocket::disconnected, request, [request, unit] {
        unit->reset();
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
        std::fprintf(stderr, "Usage: vqsim-units PORT (0 picks a free port)\n");
        return 2;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port)) {
        std::fprintf(stderr, "vqsim-units: %s\n", qPrintable(server.errorString()));
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
