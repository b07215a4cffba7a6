// The simulated unit for the tests built as Windows programs: a unit made by
// vqsim-units on Linux, at the TCP port in FLASHWRIGHT_VQSIM_TCP, and reached
// over TCP. It lives as long as the connection that asked for it. What only
// the unit's own process knows (its uploads, events and power) is not served
// yet: asking for it ends the test.

#include "VqSimOptionsJson.h"
#include "VqSimulator.h"

#include <QJsonDocument>
#include <QTcpSocket>

#include <cstdlib>

struct VqSimulator::Impl
{
    VqSimOptions options;
    std::unique_ptr<QTcpSocket> request;
    quint16 port = 0;
};

namespace {

constexpr int RequestTimeoutMs = 5000;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

[[noreturn]] void notServed(const char *what)
{
    qFatal("VqSimulator::%s: not served by the unit on Linux", what);
}

} // namespace

VqSimulator::VqSimulator(VqSimOptions options) : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
}

VqSimulator::~VqSimulator() = default;

bool VqSimulator::startTcp(quint16 port, QString *error)
{
    bool ok = false;
    const quint16 units = qEnvironmentVariable("FLASHWRIGHT_VQSIM_TCP").toUShort(&ok);
    if (!ok)
        return fail(error, QStringLiteral("FLASHWRIGHT_VQSIM_TCP names no vqsim-units port"));
    if (port != 0)
        return fail(error, QStringLiteral("the unit on Linux takes a free port of its own"));
    stop();
    d->request = std::make_unique<QTcpSocket>();
    d->request->connectToHost(QStringLiteral("127.0.0.1"), units);
    d->request->write(QJsonDocument(toJson(d->options)).toJson(QJsonDocument::Compact) + '\n');
    while (d->request->waitForReadyRead(RequestTimeoutMs) && !d->request->canReadLine()) {
    }
    const QByteArray answer = d->request->readLine().trimmed();
    d->port = answer.toUShort(&ok);
    if (!ok) {
        const QString why = answer.isEmpty() ? d->request->errorString() : answer;
        d->request.reset();
        return fail(error, QStringLiteral("vqsim-units at port %1: %2").arg(units).arg(why));
    }
    return true;
}

bool VqSimulator::startPty(QString *error)
{
    return fail(error, QStringLiteral("a pseudo-terminal is not reached from Windows"));
}

void VqSimulator::stop()
{
    d->request.reset();
}

quint16 VqSimulator::port() const
{
    return d->port;
}

bool VqSimulator::running() const
{
    return d->request && d->request->state() == QAbstractSocket::ConnectedState;
}

// clang-format off
QString VqSimulator::devicePath() const { notServed("devicePath"); }
QByteArray VqSimulator::lastUpload() const { notServed("lastUpload"); }
int VqSimulator::blocksReceived() const { notServed("blocksReceived"); }
int VqSimulator::bytesAfterUpload() const { notServed("bytesAfterUpload"); }
int VqSimulator::connections() const { notServed("connections"); }
int VqSimulator::resetsAcknowledged() const { notServed("resetsAcknowledged"); }
bool VqSimulator::waitStopped(int) { notServed("waitStopped"); }
void VqSimulator::powerCycle() { notServed("powerCycle"); }
int VqSimulator::powerCycles() const { notServed("powerCycles"); }
QList<VqSimulator::Event> VqSimulator::timeline() const { notServed("timeline"); }
qint64 VqSimulator::timeOf(const QByteArray &, int) const { notServed("timeOf"); }
int VqSimulator::overruns() const { notServed("overruns"); }
// clang-format on
