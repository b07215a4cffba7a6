#include "UnitLog.h"

#include "FlashwrightVersion.h"
#include "RunError.h"
#include "UnitSession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue orNull(const std::optional<int> &n)
{
    return n ? QJsonValue(*n) : QJsonValue();
}

QString utc(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

// Locks the whole of an open file until it is closed: exclusive for a
// writer, shared for a reader, waiting for those of other processes.
bool lockWhole(QFile &file, bool exclusive)
{
#ifdef Q_OS_WIN
    OVERLAPPED whole = {};
    return LockFileEx(HANDLE(_get_osfhandle(file.handle())),
                      exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &whole);
#else
    int locked;
    while ((locked = ::flock(file.handle(), exclusive ? LOCK_EX : LOCK_SH)) != 0 &&
           errno == EINTR) {
    }
    return locked == 0;
#endif
}

// Whether what was written has reached the disk.
bool synced(QFile &file)
{
#ifdef Q_OS_WIN
    return FlushFileBuffers(HANDLE(_get_osfhandle(file.handle())));
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}
} // namespace

QString unitLabel(const ScalerSettings &settings)
{
    if (settings.CommsType == 1)
        return settings.SerialPort;
    const QString host = settings.EthernetAddress.trimmed();
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + settings.EthernetPort.trimmed();
}

UnitRecord UnitRecord::begun(const QString &tool, const QString &unit)
{
    UnitRecord record;
    record.tool = tool;
    record.unit = unit;
    record.start = QDateTime::currentDateTimeUtc();
    return record;
}

void UnitRecord::takeCycle(const CycleResult &cycle)
{
    identification = QString::fromLatin1(cycle.identification);
    firmwareFile = cycle.firmwareFile;
    sentSha256 = cycle.sentSha256;
    sentSize = cycle.sentSize;
    blocksSent = cycle.blocksSent;
    blocksTotal = cycle.blocksTotal;
    ending = endingId(cycle.ending);
    error = cycle.error;
    errorText = cycle.errorText;
    result = cycle.complete() ? QStringLiteral("programmed") : QStringLiteral("failed");
}

QJsonObject UnitRecord::toJson() const
{
    QJsonValue name, size, sha256;
    if (!firmwareFile.isEmpty()) {
        name = QFileInfo(firmwareFile).fileName();
        if (!sentSha256.isEmpty()) {
            size = sentSize;
            sha256 = QString::fromLatin1(sentSha256.toHex());
        } else {
            QFile file(firmwareFile);
            // Only a plain file: a pipe in its place would never end.
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (QFileInfo(firmwareFile).isFile() && file.open(QIODevice::ReadOnly) &&
                hash.addData(&file)) {
                size = file.size();
                sha256 = QString::fromLatin1(hash.result().toHex());
            }
        }
    }
    return {{QStringLiteral("tool"), tool},
            {QStringLiteral("version"), QString::fromLatin1(FlashwrightVersion::Text)},
            {QStringLiteral("host"), QSysInfo::machineHostName()},
            {QStringLiteral("unit"), unit},
            {QStringLiteral("identification"), orNull(identification)},
            {QStringLiteral("level_before"), orNull(levelBefore)},
            {QStringLiteral("level_after"), orNull(levelAfter)},
            {QStringLiteral("running_firmware"), orNull(runningFirmware)},
            {QStringLiteral("firmware_name"), name},
            {QStringLiteral("firmware_size"), size},
            {QStringLiteral("firmware_sha256"), sha256},
            {QStringLiteral("start"), utc(start)},
            {QStringLiteral("end"), utc(end)},
            {QStringLiteral("blocks_sent"), blocksSent},
            {QStringLiteral("blocks_total"), blocksTotal},
            {QStringLiteral("result"), result},
            {QStringLiteral("ending"), ending},
            {QStringLiteral("exit_code"), orNull(exitCode)},
            {QStringLiteral("reason"), orNull(reason)},
            {QStringLiteral("error"), error},
            {QStringLiteral("error_text"), orNull(errorText)}};
}

QJsonObject UnitLog::append(const QString &file, const UnitRecord &record)
{
    const QJsonObject object = record.toJson();
    QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    const auto fail = [&](const QString &why) {
        throw RunError(RunError::UnitLogNotWritten,
                       QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), why));
    };
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        fail(QStringLiteral("its folder cannot be made"));
    // Unbuffered, a line goes out in one write, appended where the system
    // can (O_APPEND), and under the lock always at the end.
    QFile log(file);
    if (!log.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        fail(log.errorString());
    if (!lockWhole(log, true))
        fail(qt_error_string());
    const qint64 size = log.size();
    char last = '\n';
    if (size > 0 && !(log.seek(size - 1) && log.getChar(&last)))
        fail(log.errorString());
    if (last != '\n')
        line.prepend('\n');
    if (!log.seek(size))
        fail(log.errorString());
    const qint64 written = log.write(line);
    if (written != line.size()) {
        const QString why = log.errorString();
        // Part of a record is taken back: the log holds whole records only.
        if (written != 0 && !log.resize(size))
            fail(why + QStringLiteral("; the part written could not be taken back: ") +
                 log.errorString());
        fail(why);
    }
    if (!synced(log))
        fail(qt_error_string());
    return object;
}

UnitLog::Contents UnitLog::read(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw RunError(
            RunError::PathFileAccess,
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), in.errorString()));
    if (!lockWhole(in, false))
        throw RunError(
            RunError::PathFileAccess,
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), qt_error_string()));
    const QList<QByteArray> lines = in.readAll().split('\n');
    Contents contents;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const bool last = i == lines.size() - 1;
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (last)
            contents.problems << QStringLiteral("line %1 is cut short: its writer was ended "
                                                "before it finished it")
                                     .arg(i + 1);
        else if (!document.isObject())
            contents.problems << QStringLiteral("line %1 is not a record: %2")
                                     .arg(i + 1)
                                     .arg(error.errorString());
        else
            contents.records << document.object();
    }
    return contents;
}
