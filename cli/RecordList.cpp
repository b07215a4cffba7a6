#include "RecordList.h"

#include "CliOptions.h"
#include "RunError.h"
#include "UnitLog.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
QString text(const QJsonObject &record, const char *key)
{
    const QJsonValue value = record.value(QLatin1String(key));
    return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

bool matches(const QJsonObject &record, const std::optional<QString> &unit,
             const std::optional<QString> &result)
{
    const auto same = [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    return (!unit || same(text(record, "unit"), *unit)) &&
           (!result || same(text(record, "result"), *result) ||
            same(text(record, "ending"), *result));
}

// end, unit, result and ending, identification, levels, file: one line.
QString line(const QJsonObject &r)
{
    QString levels;
    if (!text(r, "level_before").isEmpty() || !text(r, "level_after").isEmpty())
        levels = QStringLiteral("  level %1 -> %2")
                     .arg(text(r, "level_before").isEmpty() ? QStringLiteral("?")
                                                            : text(r, "level_before"),
                          text(r, "level_after").isEmpty() ? QStringLiteral("?")
                                                           : text(r, "level_after"));
    QString file;
    if (!text(r, "firmware_name").isEmpty())
        file = QStringLiteral("  %1 (%2 of %3 blocks, sha256 %4)")
                   .arg(text(r, "firmware_name"), text(r, "blocks_sent"), text(r, "blocks_total"),
                        text(r, "firmware_sha256").left(16));
    return QStringLiteral("%1  %2  %3 (%4)  %5%6%7")
        .arg(text(r, "end"), text(r, "unit"), text(r, "result"), text(r, "ending"),
             text(r, "identification").isEmpty() ? QStringLiteral("-") : text(r, "identification"),
             levels, file);
}
} // namespace

int listRecords(ConsoleOutput &output, const QString &file, const std::optional<QString> &unit,
                const std::optional<QString> &result)
{
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "flashwright-cli: no unit has been recorded in %s yet\n",
                     qPrintable(shown));
        return ExitCode::Success;
    }
    UnitLog::Contents contents;
    try {
        contents = UnitLog::read(file);
    } catch (const RunError &e) {
        std::fprintf(stderr, "flashwright-cli: the unit log cannot be read: %s\n",
                     qPrintable(e.description()));
        return ExitCode::OtherFailure;
    }
    for (const QString &problem : std::as_const(contents.problems))
        std::fprintf(stderr, "flashwright-cli: %s: %s\n", qPrintable(shown), qPrintable(problem));
    for (QJsonObject record : std::as_const(contents.records)) {
        if (!matches(record, unit, result))
            continue;
        if (output.mode() == ConsoleOutput::Mode::Json) {
            record.insert(QStringLiteral("event"), QStringLiteral("record"));
            ConsoleOutput::writeJson(record);
        } else {
            output.writeLine(ConsoleOutput::printable(line(record)));
        }
    }
    return ExitCode::Success;
}
