#include "SignedFile.h"

#include "TextRules.h"

#include <QCryptographicHash>
#include <QStringDecoder>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace {
const QByteArray kSignature = "signature=";

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

bool isKeyId(const QByteArray &id)
{
    if (id.size() != 16)
        return false;
    for (const char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// What is signed, and each signature by its key id.
struct Split
{
    QByteArray body;
    QList<std::pair<QString, QByteArray>> signatures;
};

std::optional<Split> split(const QByteArray &text, QString *why)
{
    if (text.size() > SignedFile::MaximumSize) {
        *why = QStringLiteral("larger than %1 bytes").arg(SignedFile::MaximumSize);
        return std::nullopt;
    }
    Split s;
    qsizetype first = -1;
    int number = 0;
    for (qsizetype start = 0; start < text.size(); ++number) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end;
        QByteArray line = text.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        const bool signature = line.startsWith(kSignature);
        if (signature && first < 0)
            first = start;
        start = end + 1;
        if (first < 0)
            continue;
        const QList<QByteArray> parts = line.mid(kSignature.size()).split(' ');
        const auto decoded =
            QByteArray::fromBase64Encoding(parts.value(1), QByteArray::AbortOnBase64DecodingErrors);
        if (!signature || parts.size() != 2 || !isKeyId(parts[0]) || !decoded ||
            decoded.decoded.size() != SignedFile::SignatureSize) {
            *why = QStringLiteral("line %1 is not signature=, a key id and the base64 of a "
                                  "signature, after the first such line")
                       .arg(number + 1);
            return std::nullopt;
        }
        const QString id = QString::fromLatin1(parts[0]);
        for (const auto &[seen, unused] : s.signatures)
            if (seen == id) {
                *why = QStringLiteral("key %1 signs it twice").arg(id);
                return std::nullopt;
            }
        s.signatures.append({id, decoded.decoded});
    }
    if (first < 0) {
        *why = QStringLiteral("not signed: no line starts with signature=");
        return std::nullopt;
    }
    s.body = text.left(first);
    return s;
}

std::optional<SignedFile> parseFields(const QByteArray &body, QString *why)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(body);
    if (decoder.hasError()) {
        *why = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }
    SignedFile file;
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
        // Only keys are listed, one a line; any other field given twice is
        // ambiguous.
        if (key != QLatin1String("key") && !file.values(key).isEmpty()) {
            *why = QStringLiteral("\"%1\" is given twice").arg(key);
            return std::nullopt;
        }
        file.fields.append({key, line.mid(equals + 1).trimmed()});
    }
    if (file.value(QStringLiteral("format")) != QLatin1String("2")) {
        *why = QStringLiteral("format \"%1\" is not 2").arg(file.value(QStringLiteral("format")));
        return std::nullopt;
    }
    return file;
}
} // namespace

QString keyIdOf(const QByteArray &publicKey)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(publicKey, QCryptographicHash::Sha256).left(8).toHex());
}

QStringList KeySet::ids() const
{
    QStringList ids;
    for (const QByteArray &key : keys)
        ids.append(keyIdOf(key));
    return ids;
}

std::optional<SignedFile> SignedFile::read(const QByteArray &text, const QList<QByteArray> &keys,
                                           QString *why)
{
    const std::optional<Split> s = split(text, why);
    if (!s)
        return std::nullopt;
    if (keys.isEmpty()) {
        *why = QStringLiteral("this program was built without the keys that sign the update site "
                              "(FLASHWRIGHT_UPDATE_KEYS)");
        return std::nullopt;
    }
    QStringList signers, others;
    for (const auto &[signer, signature] : s->signatures) {
        const QString &id = signer; // a lambda may not capture a structured binding
        const auto key = std::find_if(keys.begin(), keys.end(),
                                      [&](const QByteArray &k) { return keyIdOf(k) == id; });
        if (key == keys.end()) {
            others.append(id);
        } else if (signatureHolds(*key, s->body, signature)) {
            signers.append(id);
        } else {
            *why = QStringLiteral("its signature by key %1 does not hold for its content").arg(id);
            return std::nullopt;
        }
    }
    if (signers.isEmpty()) {
        KeySet trusted;
        trusted.keys = keys;
        *why =
            QStringLiteral("it is signed by %1, and this program trusts only %2")
                .arg(others.join(QStringLiteral(", ")), trusted.ids().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    std::optional<SignedFile> file = parseFields(s->body, why);
    if (file)
        file->signers = signers;
    return file;
}

std::optional<SignedFile> SignedFile::readUnchecked(const QByteArray &text, QString *why)
{
    const std::optional<Split> s = split(text, why);
    return s ? parseFields(s->body, why) : std::nullopt;
}

QString SignedFile::value(const QString &key) const
{
    return values(key).value(0);
}

QStringList SignedFile::values(const QString &key) const
{
    QStringList found;
    for (const auto &[k, v] : fields)
        if (k == key)
            found.append(v);
    return found;
}

QDateTime siteTime(const QString &text)
{
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    return time.isValid() && time.timeSpec() == Qt::UTC && siteTimeText(time) == text ? time
                                                                                      : QDateTime();
}

QString siteTimeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}

std::optional<KeyFile> KeyFile::follow(const QByteArray &text, const KeySet &current, QString *why)
{
    // The new keys must be known to check their signatures: read them first,
    // and use nothing of them unless every signature holds.
    const std::optional<SignedFile> claimed = SignedFile::readUnchecked(text, why);
    if (!claimed)
        return std::nullopt;
    KeyFile next;
    const std::optional<qint64> version =
        wholeNumber(claimed->value(QStringLiteral("version")), 1, INT64_MAX, true);
    if (!version) {
        *why = QStringLiteral("version \"%1\" is not a whole number above 0")
                   .arg(claimed->value(QStringLiteral("version")));
        return std::nullopt;
    }
    next.keys.version = *version;
    for (const QString &line : claimed->values(QStringLiteral("key"))) {
        const QByteArray key = QByteArray::fromBase64(line.toLatin1());
        if (key.size() != SignedFile::KeySize || key.toBase64() != line.toLatin1() ||
            next.keys.keys.contains(key)) {
            *why = QStringLiteral("key \"%1\" is not the base64 of 32 bytes, or is given twice")
                       .arg(line);
            return std::nullopt;
        }
        next.keys.keys.append(key);
    }
    const QString threshold = claimed->value(QStringLiteral("threshold"));
    const std::optional<qint64> required = wholeNumber(threshold, 1, next.keys.keys.size(), true);
    next.signedAt = siteTime(claimed->value(QStringLiteral("signed")));
    if (next.keys.keys.isEmpty() || (!threshold.isEmpty() && !required) ||
        !next.signedAt.isValid()) {
        *why = QStringLiteral("it needs one key= line a key, a threshold of 1 to the number of "
                              "keys, and when it was signed");
        return std::nullopt;
    }
    next.keys.threshold = required.value_or(0);
    if (next.keys.version != current.version + 1) {
        *why = QStringLiteral("its version %1 does not follow this program's %2")
                   .arg(next.keys.version)
                   .arg(current.version);
        return std::nullopt;
    }
    QList<QByteArray> both = current.keys;
    for (const QByteArray &key : next.keys.keys)
        if (!both.contains(key))
            both.append(key);
    const std::optional<SignedFile> checked = SignedFile::read(text, both, why);
    if (!checked)
        return std::nullopt;
    const auto count = [&](const KeySet &set) {
        const QStringList ids = set.ids();
        return std::count_if(checked->signers.begin(), checked->signers.end(),
                             [&](const QString &id) { return ids.contains(id); });
    };
    if (count(current) < current.required() || count(next.keys) < next.keys.required()) {
        *why = QStringLiteral("it is signed by %1 of the %2 keys this program trusts (version "
                              "%3) and by %4 of its own, where %5 and %6 are needed")
                   .arg(count(current))
                   .arg(current.keys.size())
                   .arg(current.version)
                   .arg(count(next.keys))
                   .arg(current.required())
                   .arg(next.keys.required());
        return std::nullopt;
    }
    return next;
}

qint64 KeyFile::claimedVersion(const QByteArray &text)
{
    QString why;
    const std::optional<SignedFile> file = SignedFile::readUnchecked(text, &why);
    return file
               ? wholeNumber(file->value(QStringLiteral("version")), 1, INT64_MAX, true).value_or(0)
               : 0;
}
