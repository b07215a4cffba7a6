// vqsim-units: makes simulated units on request, for the tests that run as
// Windows programs under Wine and reach their unit on Linux over TCP. It
// listens on 127.0.0.1:PORT (0 picks a free port) and prints the port alone
// on the first line of standard output. Each connection sends one line, the
// unit's options as a JSON object; the answer is one line, the TCP port of a
// new unit made with them, or "error: " and why. Then each line the
// connection sends asks the unit one thing (see answer()), and gets one line
// back. The unit lives until that connection ends. Each connection is served
// by a thread of its own, since a power cycle or waitStopped blocks.

#include "VqSimOptionsJson.h"
#include "VqSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <thread>

namespace {

bool readLine(QTcpSocket &socket, QByteArray *line)
{
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(-1))
            return false;
    *line = socket.readLine().trimmed();
    return true;
}

qint64 monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The answer to one question about the unit: a count, "1" or "0", the last
// upload as base64, the timeline as a JSON array of [ms, text], "now" on the
// unit's clock, or the capture as base64 ("-" while the unit has written none).
QByteArray answer(VqSimulator &unit, const QByteArray &line, const QString &capture)
{
    using Count = int (VqSimulator::*)() const;
    static const std::pair<const char *, Count> counts[] = {
        {"blocksReceived", &VqSimulator::blocksReceived},
        {"bytesAfterUpload", &VqSimulator::bytesAfterUpload},
        {"connections", &VqSimulator::connections},
        {"resetsAcknowledged", &VqSimulator::resetsAcknowledged},
        {"powerCycles", &VqSimulator::powerCycles},
        {"overruns", &VqSimulator::overruns}};
    const QList<QByteArray> words = line.split(' ');
    const QByteArray what = words.value(0);
    for (const auto &[name, count] : counts)
        if (what == name)
            return QByteArray::number((unit.*count)());
    if (what == "lastUpload")
        return unit.lastUpload().toBase64();
    if (what == "running")
        return unit.running() ? "1" : "0";
    if (what == "waitStopped")
        return unit.waitStopped(words.value(1).toInt()) ? "1" : "0";
    if (what == "powerCycle") {
        unit.powerCycle();
        return "done";
    }
    if (what == "now")
        return QByteArray::number(monotonicMs());
    if (what == "timeline") {
        QJsonArray events;
        for (const VqSimulator::Event &e : unit.timeline())
            events.append(QJsonArray{double(e.ms), QString::fromLatin1(e.text)});
        return QJsonDocument(events).toJson(QJsonDocument::Compact);
    }
    if (what == "capture") {
        QFile f(capture);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toBase64() : QByteArray("-");
    }
    return "error: \"" + what + "\" is not asked of a unit";
}

void serve(qintptr descriptor)
{
    QTcpSocket request;
    QByteArray line;
    if (!request.setSocketDescriptor(descriptor) || !readLine(request, &line))
        return;
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(line, &parseError);
    VqSimOptions options;
    QString error = json.isObject() ? QString() : parseError.errorString();
    // The capture is asked for by a path of the other system: the unit writes
    // it here, and the other side fetches it.
    QTemporaryDir dir;
    QString capture;
    if (error.isEmpty() && fromJson(json.object(), &options, &error)) {
        if (!options.captureFile.isEmpty())
            options.captureFile = capture = dir.filePath(QStringLiteral("capture"));
        VqSimulator unit(options);
        if (unit.startTcp(0, &error)) {
            request.write(QByteArray::number(unit.port()) + '\n');
            while (request.waitForBytesWritten(-1) && readLine(request, &line))
                request.write(answer(unit, line, capture) + '\n');
            return;
        }
    }
    std::fprintf(stderr, "vqsim-units: %s\n", qPrintable(error));
    request.write("error: " + error.toUtf8() + '\n');
    request.waitForBytesWritten(5000);
}

class Server : public QTcpServer
{
protected:
    void incomingConnection(qintptr descriptor) override
    {
        std::thread(serve, descriptor).detach();
    }
};

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
    Server server;
    if (!server.listen(QHostAddress::LocalHost, port)) {
        std::fprintf(stderr, "vqsim-units: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
