#include "UnitResult.h"

#include "ErrorControl.h"

#include <QCoreApplication>
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
const QString Changed = QStringLiteral("changed");
const QString LevelBefore = QStringLiteral("level_before");
const QString LevelAfter = QStringLiteral("level_after");
const QString RunningFirmware = QStringLiteral("running_firmware");
const QString Level = QStringLiteral("level");
const QString Record = QStringLiteral("record");
const QString RecordError = QStringLiteral("record_error");
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
    for (const auto &[key, value] : {std::pair{Key::LevelBefore, levelBefore},
                                     {Key::LevelAfter, levelAfter},
                                     {Key::Level, level}})
        if (value)
            o.insert(key, *value);
    if (changed)
        o.insert(Key::Changed, *changed);
    if (!runningFirmware.isEmpty())
        o.insert(Key::RunningFirmware, runningFirmware);
    if (!record.isEmpty())
        o.insert(Key::Record, record);
    if (!recordError.isEmpty())
        o.insert(Key::RecordError, recordError);
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
    r.shownReason = o.value(QLatin1String("shown_reason")).toString();
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
    for (const auto &[key, value] : {std::pair{Key::LevelBefore, &r.levelBefore},
                                     {Key::LevelAfter, &r.levelAfter},
                                     {Key::Level, &r.level}})
        if (o.contains(key))
            *value = o.value(key).toInt();
    if (o.contains(Key::Changed))
        r.changed = o.value(Key::Changed).toBool();
    r.runningFirmware = o.value(Key::RunningFirmware).toString();
    r.record = o.value(Key::Record).toObject();
    r.recordError = o.value(Key::RecordError).toString();
    return r;
}

QString UnitResult::summaryIn(bool shown) const
{
    const auto say = [shown](const char *text) {
        return shown ? QCoreApplication::translate("UnitResult", text) : QString::fromUtf8(text);
    };
    if (!ok())
        return say(QT_TRANSLATE_NOOP("UnitResult", "failed (exit %1): %2"))
            .arg(exitCode)
            .arg(shown && !shownReason.isEmpty() ? shownReason : reason);
    const QString time = QString::number(seconds, 'f', 1);
    if (command == QLatin1String("ident"))
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: identification %1")).arg(identification);
    if (version)
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: software version %1")).arg(*version);
    const QString runs = say(QT_TRANSLATE_NOOP("UnitResult", "%1 at level %2"))
                             .arg(runningFirmware.isEmpty()
                                      ? say(QT_TRANSLATE_NOOP("UnitResult", "unnamed firmware"))
                                      : runningFirmware)
                             .arg(level.value_or(levelAfter.value_or(levelBefore.value_or(0))));
    if (command == QLatin1String("firmware"))
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: runs %1")).arg(runs);
    if (ending == QLatin1String("Unchanged"))
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: unchanged, runs %1")).arg(runs);
    if (ending == QLatin1String("WouldProgram"))
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: would be programmed"));
    if (levelAfter)
        return say(QT_TRANSLATE_NOOP("UnitResult", "ok: %1 bytes in %2 s, now runs %3"))
            .arg(bytes)
            .arg(time, runs);
    return say(QT_TRANSLATE_NOOP("UnitResult", "ok: %1 bytes in %2 s")).arg(bytes).arg(time);
}

void UnitResult::log() const
{
    ErrorCtl().Adddebug(
        QStringLiteral("%1 flashwright-cli %2 %3: %4")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODate), command, unit, summary()));
}
