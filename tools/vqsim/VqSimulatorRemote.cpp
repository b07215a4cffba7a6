// The simulated unit for the tests built as Windows programs: a unit made by
// vqsim-units on Linux, at the TCP port in FLASHWRIGHT_VQSIM_TCP, and reached
// over TCP. It lives as long as the connection that asked for it, and that
// connection asks it what only its process knows (its uploads, events and
// power), one line each way. A unit that stops answering ends the test.
//
// Files are this system's: the image file is read here for its size; the
// capture is fetched from the unit and written here, brought up to date each
// time the unit is asked anything and when it stops. The unit's clock is
// Linux's, which a Windows program does not read: its times are moved onto
// this process's monotonic clock.

#include "VqSimOptionsJson.h"
#include "VqSimulator.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

#include <ctime>

struct VqSimulator::Impl
{
    VqSimOptions options;
    std::unique_ptr<QTcpSocket> request;
    quint16 port = 0;
    QString captureFile;

    QByteArray ask(const QByteArray &question, int timeoutMs = 30000);
    void fetchCapture();
    qint64 clockOffset();
};

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// The clock the tests' monotonicMs() reads.
qint64 monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

QByteArray VqSimulator::Impl::ask(const QByteArray &question, int timeoutMs)
{
    if (!request)
        qFatal("VqSimulator: asked \"%s\" of a unit that was never started", question.constData());
    request->write(question + '\n');
    while (!request->canReadLine())
        if (!request->waitForReadyRead(timeoutMs))
            qFatal("VqSimulator: the unit on Linux did not answer \"%s\": %s", question.constData(),
                   qPrintable(request->errorString()));
    const QByteArray answer = request->readLine().trimmed();
    if (answer.startsWith("error: "))
        qFatal("VqSimulator: %s", answer.constData());
    if (!captureFile.isEmpty() && question != "capture")
        fetchCapture();
    return answer;
}

void VqSimulator::Impl::fetchCapture()
{
    const QByteArray capture = ask("capture");
    if (capture == "-") // no upload begun yet: the file is left as it was
        return;
    QFile f(captureFile);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(QByteArray::fromBase64(capture)) < 0)
        qWarning("VqSimulator: cannot write the capture file %s: %s", qPrintable(captureFile),
                 qPrintable(f.errorString()));
}

// The unit's clock less this one's, from the exchange with the shortest round
// trip: off by at most half of it.
qint64 VqSimulator::Impl::clockOffset()
{
    qint64 offset = 0, best = -1;
    for (int i = 0; i < 5 && best != 0; ++i) {
        const qint64 before = monotonicMs();
        const qint64 there = ask("now").toLongLong();
        const qint64 after = monotonicMs();
        if (best < 0 || after - before < best) {
            best = after - before;
            offset = there - (before + after) / 2;
        }
    }
    return offset;
}

VqSimulator::VqSimulator(VqSimOptions options) : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
}

VqSimulator::~VqSimulator()
{
    stop();
}

bool VqSimulator::startTcp(quint16 port, QString *error)
{
    bool ok = false;
    const quint16 units = qEnvironmentVariable("FLASHWRIGHT_VQSIM_TCP").toUShort(&ok);
    if (!ok)
        return fail(error, QStringLiteral("FLASHWRIGHT_VQSIM_TCP names no vqsim-units port"));
    if (port != 0)
        return fail(error, QStringLiteral("the unit on Linux takes a free port of its own"));
    stop();
    VqSimOptions there = d->options;
    if (!there.imageFile.isEmpty()) {
        const QFileInfo image(there.imageFile);
        if (!image.isFile() || !image.isReadable())
            return fail(error,
                        QStringLiteral("cannot read the image file %1").arg(there.imageFile));
        there.size = image.size();
        there.imageFile.clear();
    }
    d->captureFile = there.captureFile;
    if (!d->captureFile.isEmpty()) {
        // Only find out now whether it can be written; it is emptied when an upload starts.
        QFile capture(d->captureFile);
        if (!capture.open(QIODevice::Append))
            return fail(error, QStringLiteral("cannot write the capture file %1: %2")
                                   .arg(d->captureFile, capture.errorString()));
        there.captureFile = QStringLiteral("here");
    }
    d->request = std::make_unique<QTcpSocket>();
    d->request->connectToHost(QStringLiteral("127.0.0.1"), units);
    d->request->write(QJsonDocument(toJson(there)).toJson(QJsonDocument::Compact) + '\n');
    while (d->request->waitForReadyRead(30000) && !d->request->canReadLine()) {
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
    if (d->request && d->request->state() == QAbstractSocket::ConnectedState &&
        !d->captureFile.isEmpty())
        d->fetchCapture();
    d->request.reset();
}

quint16 VqSimulator::port() const
{
    return d->port;
}

bool VqSimulator::running() const
{
    return d->request && d->request->state() == QAbstractSocket::ConnectedState &&
           d->ask("running") == "1";
}

QString VqSimulator::devicePath() const
{
    qFatal("VqSimulator::devicePath: a pseudo-terminal is not reached from Windows");
}

QByteArray VqSimulator::lastUpload() const
{
    return QByteArray::fromBase64(d->ask("lastUpload"));
}

int VqSimulator::blocksReceived() const
{
    return d->ask("blocksReceived").toInt();
}

int VqSimulator::bytesAfterUpload() const
{
    return d->ask("bytesAfterUpload").toInt();
}

int VqSimulator::connections() const
{
    return d->ask("connections").toInt();
}

int VqSimulator::resetsAcknowledged() const
{
    return d->ask("resetsAcknowledged").toInt();
}

bool VqSimulator::waitStopped(int timeoutMs)
{
    return d->ask("waitStopped " + QByteArray::number(timeoutMs), timeoutMs + 5000) == "1";
}

void VqSimulator::powerCycle()
{
    d->ask("powerCycle", 10000);
}

int VqSimulator::powerCycles() const
{
    return d->ask("powerCycles").toInt();
}

QList<VqSimulator::Event> VqSimulator::timeline() const
{
    const QJsonArray events = QJsonDocument::fromJson(d->ask("timeline")).array();
    const qint64 offset = d->clockOffset();
    QList<Event> timeline;
    for (const QJsonValue &e : events)
        timeline.append({qint64(e[0].toDouble()) - offset, e[1].toString().toLatin1()});
    return timeline;
}

int VqSimulator::overruns() const
{
    return d->ask("overruns").toInt();
}
