#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A revision file of the update site: UTF-8 text, one key=value a line,
// "#" starting a comment. "format=1" is required; "version" is the version
// offered, "file" the installer's file name, "sha256" the checksum of the
// file the revision describes. Unknown keys are ignored.
struct RevisionFile
{
    QString version;
    QString file;
    QByteArray sha256; // 32 bytes, or empty when the file gives none

    static constexpr qsizetype MaximumSize = 64 * 1024;

    // Nothing, with the reason in why, for text that is not such a file.
    static std::optional<RevisionFile> parse(const QByteArray &text, QString *why);
};

// Compares the site's version with ours: kind 2 as dot-separated whole
// numbers (1.0.43 < 1.0.100), kind 1 as whole numbers. 1 when the site's is
// newer, 2 when equal, 0 when older or when either cannot be read.
qint16 compareVersions(const QString &site, const QString &ours, qint32 kind);
