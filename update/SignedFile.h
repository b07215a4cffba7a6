#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The id of an Ed25519 public key of the update site: the first 8 bytes of the
// SHA-256 of its 32 bytes, as 16 lower-case hexadecimal digits. Derived from
// the key, so that no file can give a key an id of another.
QString keyIdOf(const QByteArray &publicKey);

// The keys the program trusts on the update site: as the build names them, or
// as a key file of the site has replaced them since. Any one of them signs a
// revision file; `required()` of them sign the key file that replaces them.
struct KeySet
{
    qint64 version = 1;
    qsizetype threshold = 0; // 0: every key
    QList<QByteArray> keys;  // 32 bytes each

    qsizetype required() const { return threshold > 0 ? threshold : keys.size(); }
    QStringList ids() const;
};

// A file of the update site as it is signed: UTF-8 text, one key=value a line,
// "#" starting a comment, then one or more lines "signature=" followed by a
// key id, a blank and the base64 of that key's Ed25519 signature over every
// byte before the first signature line. Nothing may follow the signatures.
struct SignedFile
{
    QList<std::pair<QString, QString>> fields; // in order, without comments and blank lines
    QStringList signers;                       // ids of the given keys whose signature holds

    static constexpr qsizetype MaximumSize = 64 * 1024;
    static constexpr qsizetype KeySize = 32;
    static constexpr qsizetype SignatureSize = 64;

    // The file when at least one of keys signed it and every signature by one
    // of keys holds; signatures by other keys are passed over. Nothing, with
    // the reason in why, otherwise; nothing of a file so refused is read.
    static std::optional<SignedFile> read(const QByteArray &text, const QList<QByteArray> &keys,
                                          QString *why);
    // The fields of text whatever its signatures: only for what to fetch next.
    static std::optional<SignedFile> readUnchecked(const QByteArray &text, QString *why);

    // The value of a field given once; empty when absent.
    QString value(const QString &key) const;
    QStringList values(const QString &key) const;
};

// A time as the site's files give it: UTC, "2025-03-01T12:00:00Z". Invalid
// for any other text.
QDateTime siteTime(const QString &text);
QString siteTimeText(const QDateTime &time);

// A key file of the update site ("keys.rev"): "format=2", its "version", the
// "threshold" of its keys that must sign the next key file (absent: every
// one), one "key=" line a key (the base64 of its 32 bytes), and when it was
// "signed".
struct KeyFile
{
    KeySet keys;
    QDateTime signedAt;

    // The set text gives when it may follow current: its version one higher,
    // signed by current.required() of current's keys and by required() of its
    // own, so that a set nobody holds the keys of is never taken. Nothing,
    // with why, otherwise.
    static std::optional<KeyFile> follow(const QByteArray &text, const KeySet &current,
                                         QString *why);
    // The version text claims, unchecked; 0 when it gives none.
    static qint64 claimedVersion(const QByteArray &text);
};
