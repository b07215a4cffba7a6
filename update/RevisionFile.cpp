#include "RevisionFile.h"

#include "TextRules.h"

#include <QList>
#include <QStringList>

namespace {
// The numbers of a version text, or nothing when a part is not a whole number.
std::optional<QList<quint64>> versionParts(const QString &text, bool dotted)
{
    const QStringList parts =
        dotted ? text.trimmed().split(QLatin1Char('.')) : QStringList{text.trimmed()};
    QList<quint64> numbers;
    for (const QString &part : parts) {
        const std::optional<qint64> n = wholeNumber(part, 0, INT64_MAX, true);
        if (!n)
            return std::nullopt;
        numbers.append(quint64(*n));
    }
    return numbers;
}

} // namespace

std::optional<RevisionFile> RevisionFile::parse(const QByteArray &text, const KeySet &keys,
                                                QString *why)
{
    const std::optional<SignedFile> file = SignedFile::read(text, keys.keys, why);
    if (!file)
        return std::nullopt;
    for (const char *key : {"version", "file", "size", "sha256", "serial", "signed", "expires"})
        if (file->values(QLatin1String(key)).isEmpty()) {
            *why = QStringLiteral("no %1= line").arg(QLatin1String(key));
            return std::nullopt;
        }
    RevisionFile revision;
    revision.version = file->value(QStringLiteral("version"));
    revision.file = file->value(QStringLiteral("file"));
    revision.signers = file->signers;
    const QString size = file->value(QStringLiteral("size"));
    const QString serial = file->value(QStringLiteral("serial"));
    const QString sha256 = file->value(QStringLiteral("sha256"));
    revision.sha256 = QByteArray::fromHex(sha256.toLatin1());
    revision.signedAt = siteTime(file->value(QStringLiteral("signed")));
    revision.expires = siteTime(file->value(QStringLiteral("expires")));
    if (!wholeNumber(size, 0, INT64_MAX, true) || !wholeNumber(serial, 1, INT64_MAX, true)) {
        *why =
            QStringLiteral("size \"%1\" or serial \"%2\" is not a whole number").arg(size, serial);
        return std::nullopt;
    }
    revision.size = *wholeNumber(size, 0, INT64_MAX, true);
    revision.serial = *wholeNumber(serial, 1, INT64_MAX, true);
    if (sha256.size() != 64 || revision.sha256.toHex() != sha256.toLower().toLatin1()) {
        *why = QStringLiteral("sha256 is not 64 hexadecimal digits");
        return std::nullopt;
    }
    if (!revision.signedAt.isValid() || !(revision.expires > revision.signedAt)) {
        *why =
            QStringLiteral("signed \"%1\" and expires \"%2\" are not two UTC times, the "
                           "second later")
                .arg(file->value(QStringLiteral("signed")), file->value(QStringLiteral("expires")));
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
