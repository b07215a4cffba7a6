// Key files from the update site, against a program that trusts key A (version
// 1). Each input is read as it comes and once more with "@A" and "@B" standing
// for the base64 of A and of another key B, signed by both, so that the rules
// behind the signatures are reached too.
#include "SignedFile.h"
#include "SiteKey.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QString why;
    static const SiteKey a = *SiteKey::generate(&why), b = *SiteKey::generate(&why);
    static const KeySet current{1, 0, {a.publicKey()}};
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QByteArray named = input;
    named.replace("@A", a.publicKey().toBase64()).replace("@B", b.publicKey().toBase64());
    for (const QByteArray &text : {input, SiteKey::sign(named, {a, b})}) {
        why.clear();
        const auto next = KeyFile::follow(text, current, &why);
        // Taken whole, or refused with a reason.
        if (next.has_value() == !why.isEmpty())
            __builtin_trap();
        if (!next)
            continue;
        // The next version, a set whose threshold its keys can meet, and a time.
        const KeySet &keys = next->keys;
        if (keys.version != 2 || KeyFile::claimedVersion(text) != 2 || keys.required() < 1 ||
            keys.required() > keys.keys.size() || !next->signedAt.isValid())
            __builtin_trap();
        // Whichever byte before the signatures is changed, it is refused.
        const qsizetype body = text.indexOf("\nsignature=") + 1;
        QByteArray changed = text;
        changed[qsizetype(size % size_t(body))] ^= 1;
        if (KeyFile::follow(changed, current, &why))
            __builtin_trap();
    }
    return 0;
}
