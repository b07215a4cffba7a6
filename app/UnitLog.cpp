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

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The descriptor of an open log, closed (and so unlocked) on every way out.
struct OpenLog
{
    int fd = -1;
    ~OpenLog()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
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
        QFile file(firmwareFile);
        // Only a plain file: a pipe in its place would never end.
        if (QFileInfo(firmwareFile).isFile() && file.open(QIODevice::ReadOnly)) {
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (hash.addData(&file)) {
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
    OpenLog log;
    log.fd =
        ::open(QFile::encodeName(file).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log.fd < 0)
        fail(systemError());
    // Writers in other processes wait here; the lock ends with the descriptor.
    while (::flock(log.fd, LOCK_EX) != 0)
        if (errno != EINTR)
            fail(systemError());
    struct stat status = {};
    if (::fstat(log.fd, &status) != 0)
        fail(systemError());
    char last = '\n';
    if (status.st_size > 0 && ::pread(log.fd, &last, 1, status.st_size - 1) != 1)
        fail(systemError());
    if (last != '\n')
        line.prepend('\n');
    ssize_t written;
    do
        written = ::write(log.fd, line.constData(), size_t(line.size()));
    while (written < 0 && errno == EINTR);
    if (written != ssize_t(line.size())) {
        const QString why = written < 0 ? systemError()
                                        : QStringLiteral("only %1 of its %2 bytes were written")
                                              .arg(written)
                                              .arg(line.size());
        // Part of a record is taken back: the log holds whole records only.
        if (written > 0 && ::ftruncate(log.fd, status.st_size) != 0)
            fail(why + QStringLiteral("; the part written could not be taken back: ") +
                 systemError());
        fail(why);
    }
    if (::fdatasync(log.fd) != 0)
        fail(systemError());
    return object;
}

UnitLog::Contents UnitLog::read(const QString &file)
{
    OpenLog log;
    log.fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    QFile in;
    if (log.fd < 0 || ::flock(log.fd, LOCK_SH) != 0 ||
        !in.open(log.fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), systemError()));
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
