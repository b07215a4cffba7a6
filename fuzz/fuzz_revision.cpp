// Revision files from the update site, and the versions they offer. Each
// input is read as it comes and once more signed with the site's key, so that
// the lines behind the signature are reached too.
#include "RevisionFile.h"
#include "SiteKey.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QString why;
    static const SiteKey key = *SiteKey::generate(&why);
    static const KeySet keys{1, 0, {key.publicKey()}};
    static const QString ours = QStringLiteral("1.0.43");
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QByteArray &text : {input, key.signRevision(input)}) {
        why.clear();
        const auto revision = RevisionFile::parse(text, keys, &why);
        // Read whole, or refused with a reason.
        if (revision.has_value() == !why.isEmpty() ||
            (revision && (revision->sha256.size() != 32 || revision->size < 0 ||
                          revision->serial < 1 || !(revision->expires > revision->signedAt))))
            __builtin_trap();
        if (!revision)
            continue;
        // Whichever byte of a signed file is changed, it is refused.
        QByteArray changed = text;
        changed[qsizetype(size % size_t(text.size()))] ^= 1;
        if (RevisionFile::parse(changed, keys, &why))
            __builtin_trap();
        // Newer one way is older the other, equal both ways, and never newer than itself.
        for (const qint32 kind : {1, 2}) {
            const qint16 forward = compareVersions(revision->version, ours, kind);
            const qint16 backward = compareVersions(ours, revision->version, kind);
            if ((forward == 1 && backward != 0) || (forward == 2 && backward != 2) ||
                compareVersions(revision->version, revision->version, kind) == 1)
                __builtin_trap();
        }
    }
    return 0;
}
