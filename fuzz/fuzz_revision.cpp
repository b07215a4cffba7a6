// Revision files from the update site, and the versions they offer.
#include "RevisionFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QString why;
    const auto revision = RevisionFile::parse(text, &why);
    if (revision.has_value() == !why.isEmpty())
        __builtin_trap();
    if (!revision)
        return 0;
    if (!revision->sha256.isEmpty() && revision->sha256.size() != 32)
        __builtin_trap();
    for (const qint32 kind : {1, 2}) {
        const qint16 forward = compareVersions(revision->version, QStringLiteral("1.0.43"), kind);
        const qint16 backward = compareVersions(QStringLiteral("1.0.43"), revision->version, kind);
        // Newer one way is older the other; equal both ways.
        if ((forward == 1 && backward != 0) || (forward == 2 && backward != 2))
            __builtin_trap();
        if (compareVersions(revision->version, revision->version, kind) == 1)
            __builtin_trap();
    }
    return 0;
}
