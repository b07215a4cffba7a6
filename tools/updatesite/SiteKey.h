#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct evp_pkey_st;

// One of the vendor's Ed25519 keys, whose signature on a file of the update
// site the program checks against the keys it trusts.
class SiteKey
{
public:
    // A new random key; nothing, with the reason in why, when none can be made.
    static std::optional<SiteKey> generate(QString *why);
    // The key in a PEM file (PKCS #8, as `openssl genpkey -algorithm ed25519`
    // writes it); nothing, with the reason in why, for any other file.
    static std::optional<SiteKey> load(const QString &path, QString *why);

    // Writes the private key as PEM into a new file that only its owner may
    // read. False, with the reason in why, when path exists or cannot be written.
    bool save(const QString &path, QString *why) const;
    // The 32 bytes of the public key, the base64 of which the build takes.
    QByteArray publicKey() const;
    // The key's id, as the site's files name it.
    QString id() const;
    // text, ending in a line break, followed by a line "signature=", the key's
    // id, a blank and the base64 of its signature over every byte of text, for
    // each of keys in turn.
    static QByteArray sign(QByteArray text, const QList<SiteKey> &keys);
    QByteArray signRevision(const QByteArray &text) const { return sign(text, {*this}); }

private:
    explicit SiteKey(evp_pkey_st *key);

    std::shared_ptr<evp_pkey_st> m_key;
};
