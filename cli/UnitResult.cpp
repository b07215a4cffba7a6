#include "UnitResult.h"

#include "ErrorControl.h"

#include <QDateTime>
#include <QtMath>

namespace {
namespace Key {
const QString Event = QStringLiteral("event");
const QString Unit = QStringLiteral("unit");
const QString Command = QStringLiteral("command");
const QString Ok = QStringLiteral("ok");
const QString ExitCode = QStringLiteral("exit_code");
const QString Ending = QStringLiteral("ending");
const QString Reason = QStringLiteral("reason");
const QString Seconds = QStringLiteral("seconds");
const QString Bytes = QStringLiteral("bytes");
const QString Identification = QStringLiteral("identification");
const QString Version = QStringLiteral("version");
const QString FirmwareFile = QStringLiteral("firmware_file");
const QString BlocksSent = QStringLiteral("blocks_sent");
const QString BlocksTotal = QStringLiteral("blocks_total");
const QString Error = QStringLiteral("error");
const QString ErrorText = QStringLiteral("error_text");
} // namespace Key
} // namespace

QJsonObject UnitResult::toJson() const
{
    QJsonObject o{{Key::Event, QStringLiteral("result")},
                  {Key::Unit, unit},
                  {Key::Command, command},
                  {Key::Ok, ok()},
                  {Key::ExitCode, exitCode},
                  {Key::Ending, ending},
                  {Key::Seconds, qRound(seconds * 1000) / 1000.0}};
    if (!reason.isEmpty())
        o.insert(Key::Reason, reason);
    if (command == QLatin1String("program")) {
        o.insert(Key::Bytes, bytes);
        o.insert(Key::BlocksSent, blocksSent);
        o.insert(Key::BlocksTotal, blocksTotal);
    }
    if (!firmwareFile.isEmpty())
        o.insert(Key::FirmwareFile, firmwareFile);
    if (error != 0) {
        o.insert(Key::Error, error);
        o.insert(Key::ErrorText, errorText);
    }
    if (!identification.isEmpty())
        o.insert(Key::Identification, identification);
    if (version)
        o.insert(Key::Version, qint64(*version));
    return o;
}

UnitResult UnitResult::fromJson(const QJsonObject &o)
{
    UnitResult r;
    r.unit = o.value(Key::Unit).toString();
    r.command = o.value(Key::Command).toString();
    r.exitCode = o.value(Key::ExitCode).toInt();
    r.ending = o.value(Key::Ending).toString();
    r.reason = o.value(Key::Reason).toString();
    r.seconds = o.value(Key::Seconds).toDouble();
    r.bytes = o.value(Key::Bytes).toInteger();
    r.identification = o.value(Key::Identification).toString();
    if (o.contains(Key::Version))
        r.version = static_cast<quint32>(o.value(Key::Version).toInteger());
    r.firmwareFile = o.value(Key::FirmwareFile).toString();
    r.blocksSent = o.value(Key::BlocksSent).toInt();
    r.blocksTotal = o.value(Key::BlocksTotal).toInt();
    r.error = o.value(Key::Error).toInt();
    r.errorText = o.value(Key::ErrorText).toString();
    return r;
}

QString UnitResult::summary() const
{
    if (!ok())
        return QStringLiteral("failed (exit %1): %2").arg(exitCode).arg(reason);
    const QString time = QString::number(seconds, 'f', 1);
    if (!identification.isEmpty())
        return QStringLiteral("ok: identification %1").arg(identification);
    if (version)
        return QStringLiteral("ok: software version %1").arg(*version);
    return QStringLiteral("ok: %1 bytes in %2 s").arg(bytes).arg(time);
}

void UnitResult::log() const
{
    ErrorCtl().Adddebug(
        QStringLiteral("%1 flashwright-cli %2 %3: %4")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODate), command, unit, summary()));
}
