#include "RevisionFile.h"

#include <QList>
#include <QStringDecoder>
#include <QStringList>

namespace {
// The numbers of a version text, or nothing when a part is not a whole number.
std::optional<QList<quint64>> versionParts(const QString &text, bool dotted)
{
    const QStringList parts =
        dotted ? text.trimmed().split(QLatin1Char('.')) : QStringList{text.trimmed()};
    QList<quint64> numbers;
    for (const QString &part : parts) {
        // Digits only, and few enough that the number cannot overflow.
        if (part.isEmpty() || part.size() > 18)
            return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        numbers.append(part.toULongLong());
    }
    return numbers;
}
} // namespace

std::optional<RevisionFile> RevisionFile::parse(const QByteArray &text, QString *why)
{
    if (text.size() > MaximumSize) {
        *why = QStringLiteral("larger than %1 bytes").arg(MaximumSize);
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(text);
    if (decoder.hasError()) {
        *why = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }

    RevisionFile revision;
    bool formatSeen = false;
    QStringList seen;
    const QStringList lines = decoded.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *why = QStringLiteral("line %1 is not key=value").arg(i + 1);
            return std::nullopt;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        const bool known = key == QLatin1String("format") || key == QLatin1String("version") ||
                           key == QLatin1String("file") || key == QLatin1String("sha256");
        if (!known)
            continue;
        if (seen.contains(key)) {
            *why = QStringLiteral("\"%1\" is given twice").arg(key);
            return std::nullopt;
        }
        seen.append(key);
        if (key == QLatin1String("format")) {
            if (value != QLatin1String("1")) {
                *why = QStringLiteral("format \"%1\" is not 1").arg(value);
                return std::nullopt;
            }
            formatSeen = true;
        } else if (key == QLatin1String("version")) {
            revision.version = value;
        } else if (key == QLatin1String("file")) {
            revision.file = value;
        } else {
            const QByteArray digest = QByteArray::fromHex(value.toLatin1());
            if (value.size() != 64 || digest.size() != 32 ||
                digest.toHex() != value.toLower().toLatin1()) {
                *why = QStringLiteral("sha256 is not 64 hexadecimal digits");
                return std::nullopt;
            }
            revision.sha256 = digest;
        }
    }
    if (!formatSeen) {
        *why = QStringLiteral("no format=1 line");
        return std::nullopt;
    }
    return revision;
}

qint16 compareVersions(const QString &site, const QString &ours, qint32 kind)
{
    const bool dotted = kind == 2;
    const auto a = versionParts(site, dotted);
    const auto b = versionParts(ours, dotted);
    if (!a || !b)
        return 0;
    const qsizetype n = std::max(a->size(), b->size());
    for (qsizetype i = 0; i < n; ++i) {
        const quint64 x = i < a->size() ? a->at(i) : 0;
        const quint64 y = i < b->size() ? b->at(i) : 0;
        if (x != y)
            return x > y ? 1 : 0;
    }
    return 2;
}
