#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct evp_pkey_st;

// The vendor's Ed25519 key, whose signature on a revision file the program
// checks against the public key built into it.
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
    // text, ending in a line break, followed by "signature=" and the base64
    // of the signature over every byte of it.
    QByteArray signRevision(QByteArray text) const;

private:
    explicit SiteKey(evp_pkey_st *key);

    std::shared_ptr<evp_pkey_st> m_key;
};
