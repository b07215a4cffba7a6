#include "SiteKey.h"

#include "SignedFile.h"

#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;
}

SiteKey::SiteKey(EVP_PKEY *key) : m_key(key, &EVP_PKEY_free) {}

std::optional<SiteKey> SiteKey::generate(QString *why)
{
    if (EVP_PKEY *key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"))
        return SiteKey(key);
    *why = QStringLiteral("OpenSSL made no Ed25519 key");
    return std::nullopt;
}

std::optional<SiteKey> SiteKey::load(const QString &path, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read the key '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray pem = file.read(64 * 1024);
    const Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())), &BIO_free);
    EVP_PKEY *key = bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr;
    if (!key || !EVP_PKEY_is_a(key, "ED25519")) {
        EVP_PKEY_free(key);
        *why = QStringLiteral("'%1' holds no Ed25519 private key in PEM").arg(path);
        return std::nullopt;
    }
    return SiteKey(key);
}

bool SiteKey::save(const QString &path, QString *why) const
{
    const Bio bio(BIO_new(BIO_s_mem()), &BIO_free);
    char *data = nullptr;
    if (!bio ||
        !PEM_write_bio_PrivateKey(bio.get(), m_key.get(), nullptr, nullptr, 0, nullptr, nullptr)) {
        *why = QStringLiteral("OpenSSL could not write the key");
        return false;
    }
    const long length = BIO_get_mem_data(bio.get(), &data);
    const QByteArray pem(data, qsizetype(length));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *why = QStringLiteral("cannot create the key file '%1': %2")
                   .arg(path, file.exists() ? QStringLiteral("it exists") : file.errorString());
        return false;
    }
    if (file.write(pem) != pem.size() || !file.flush()) {
        *why = QStringLiteral("cannot write the key file '%1': %2").arg(path, file.errorString());
        file.remove();
        return false;
    }
    return true;
}

QByteArray SiteKey::publicKey() const
{
    QByteArray key(32, '\0');
    size_t size = size_t(key.size());
    if (!EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char *>(key.data()),
                                     &size))
        return QByteArray();
    key.resize(qsizetype(size));
    return key;
}

QString SiteKey::id() const
{
    return keyIdOf(publicKey());
}

QByteArray SiteKey::sign(QByteArray text, const QList<SiteKey> &keys)
{
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += '\n';
    QByteArray signatures;
    for (const SiteKey &key : keys) {
        QByteArray signature(64, '\0');
        size_t size = size_t(signature.size());
        const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                              &EVP_MD_CTX_free);
        if (!context ||
            EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.m_key.get()) != 1 ||
            EVP_DigestSign(context.get(), reinterpret_cast<unsigned char *>(signature.data()),
                           &size, reinterpret_cast<const unsigned char *>(text.constData()),
                           size_t(text.size())) != 1)
            return QByteArray();
        signature.resize(qsizetype(size));
        signatures += "signature=" + key.id().toLatin1() + ' ' + signature.toBase64() + '\n';
    }
    return text + signatures;
}
