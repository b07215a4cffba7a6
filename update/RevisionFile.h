#pragma once

#include "SignedFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// A revision file of the update site: a signed file (SignedFile) whose lines
// give "format=2", the "version" offered, the "file" described, its "size" in
// bytes and its "sha256", the "serial" the vendor's tool raises on each
// publish, and when it was "signed" and "expires". Unknown keys are ignored.
struct RevisionFile
{
    QString version;
    QString file;
    qint64 size = 0;
    QByteArray sha256; // 32 bytes
    qint64 serial = 0;
    QDateTime signedAt;
    QDateTime expires;
    QStringList signers; // ids of the trusted keys that signed it

    static constexpr qsizetype MaximumSize = SignedFile::MaximumSize;

    // Nothing, with the reason in why, for text that is not such a file signed
    // by one of keys. Its dates are read, not judged: that takes a clock.
    static std::optional<RevisionFile> parse(const QByteArray &text, const KeySet &keys,
                                             QString *why);
};

// Compares the site's version with ours: kind 2 as dot-separated whole
// numbers (1.0.43 < 1.0.100), kind 1 as whole numbers. 1 when the site's is
// newer, 2 when equal, 0 when older or when either cannot be read.
qint16 compareVersions(const QString &site, const QString &ours, qint32 kind);
