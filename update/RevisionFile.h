#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A revision file of the update site: UTF-8 text, one key=value a line, "#"
// starting a comment, signed by the vendor. Its last line is "signature="
// followed by the base64 of an Ed25519 signature over every byte before that
// line. The signed lines give "format=1", the "version" offered, the "file"
// described, its "size" in bytes and its "sha256". Unknown keys are ignored.
struct RevisionFile
{
    QString version;
    QString file;
    qint64 size = 0;
    QByteArray sha256; // 32 bytes

    static constexpr qsizetype MaximumSize = 64 * 1024;
    static constexpr qsizetype KeySize = 32;
    static constexpr qsizetype SignatureSize = 64;

    // Nothing, with the reason in why, for text that is not such a file
    // signed with publicKey (the 32 bytes of an Ed25519 public key). Nothing
    // of a file whose signature does not hold is read.
    static std::optional<RevisionFile> parse(const QByteArray &text, const QByteArray &publicKey,
                                             QString *why);
};

// Compares the site's version with ours: kind 2 as dot-separated whole
// numbers (1.0.43 < 1.0.100), kind 1 as whole numbers. 1 when the site's is
// newer, 2 when equal, 0 when older or when either cannot be read.
qint16 compareVersions(const QString &site, const QString &ours, qint32 kind);
