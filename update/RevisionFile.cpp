#include "RevisionFile.h"

#include "TextRules.h"

#include <QList>
#include <QStringDecoder>
#include <QStringList>

#include <openssl/evp.h>

#include <memory>

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

bool signatureHolds(const QByteArray &publicKey, const QByteArray &message,
                    const QByteArray &signature)
{
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char *>(publicKey.constData()),
                                    size_t(publicKey.size())),
        &EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
    return key && context &&
           EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(),
                            reinterpret_cast<const unsigned char *>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char *>(message.constData()),
                            size_t(message.size())) == 1;
}

// Takes the value of one known key into revision; false, with why, when the
// value is not one the key may have.
bool takeValue(RevisionFile &revision, const QString &key, const QString &value, QString *why)
{
    if (key == QLatin1String("format")) {
        if (value != QLatin1String("1")) {
            *why = QStringLiteral("format \"%1\" is not 1").arg(value);
            return false;
        }
    } else if (key == QLatin1String("version")) {
        revision.version = value;
    } else if (key == QLatin1String("file")) {
        revision.file = value;
    } else if (key == QLatin1String("size")) {
        const std::optional<qint64> size = wholeNumber(value, 0, INT64_MAX, true);
        if (!size) {
            *why = QStringLiteral("size \"%1\" is not a whole number").arg(value);
            return false;
        }
        revision.size = *size;
    } else {
        const QByteArray digest = QByteArray::fromHex(value.toLatin1());
        if (value.size() != 64 || digest.size() != 32 ||
            digest.toHex() != value.toLower().toLatin1()) {
            *why = QStringLiteral("sha256 is not 64 hexadecimal digits");
            return false;
        }
        revision.sha256 = digest;
    }
    return true;
}

// The lines a valid signature covers.
std::optional<RevisionFile> parseSigned(const QByteArray &text, QString *why)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(text);
    if (decoder.hasError()) {
        *why = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }

    // Every key but the signature is required.
    static const QStringList known{QStringLiteral("format"), QStringLiteral("version"),
                                   QStringLiteral("file"),   QStringLiteral("size"),
                                   QStringLiteral("sha256"), QStringLiteral("signature")};
    RevisionFile revision;
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
        if (!known.contains(key))
            continue;
        if (key == QLatin1String("signature")) {
            *why = QStringLiteral("line %1 is a signature before the last line").arg(i + 1);
            return std::nullopt;
        }
        if (seen.contains(key)) {
            *why = QStringLiteral("\"%1\" is given twice").arg(key);
            return std::nullopt;
        }
        seen.append(key);
        if (!takeValue(revision, key, line.mid(equals + 1).trimmed(), why))
            return std::nullopt;
    }
    for (const QString &key : known.mid(0, known.size() - 1))
        if (!seen.contains(key)) {
            *why = QStringLiteral("no %1= line").arg(key);
            return std::nullopt;
        }
    return revision;
}
} // namespace

std::optional<RevisionFile> RevisionFile::parse(const QByteArray &text, const QByteArray &publicKey,
                                                QString *why)
{
    if (text.size() > MaximumSize) {
        *why = QStringLiteral("larger than %1 bytes").arg(MaximumSize);
        return std::nullopt;
    }
    // The last line, without its line break, signs every byte before it.
    qsizetype end = text.size();
    if (text.endsWith('\n'))
        --end;
    if (end > 0 && text.at(end - 1) == '\r')
        --end;
    const qsizetype start = end > 0 ? text.lastIndexOf('\n', end - 1) + 1 : 0;
    const QByteArray last = text.mid(start, end - start);
    const QByteArray prefix = "signature=";
    if (!last.startsWith(prefix)) {
        *why = QStringLiteral("not signed: its last line is not signature=");
        return std::nullopt;
    }
    const auto signature = QByteArray::fromBase64Encoding(last.mid(prefix.size()),
                                                          QByteArray::AbortOnBase64DecodingErrors);
    if (!signature || signature.decoded.size() != SignatureSize) {
        *why = QStringLiteral("its signature is not the base64 of %1 bytes").arg(SignatureSize);
        return std::nullopt;
    }
    if (publicKey.size() != KeySize) {
        *why = QStringLiteral("this program was built without the key that signs the site's "
                              "revision files (FLASHWRIGHT_UPDATE_KEY)");
        return std::nullopt;
    }
    const QByteArray signedLines = text.left(start);
    if (!signatureHolds(publicKey, signedLines, signature.decoded)) {
        *why = QStringLiteral("its signature does not hold for its content and the site's key");
        return std::nullopt;
    }
    return parseSigned(signedLines, why);
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
