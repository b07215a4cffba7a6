// The answers to the running firmware's name and level queries.
#include "RunError.h"
#include "ScalerProtocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const QByteArray name = ScalerProtocol::firmwareNameFromAnswer(answer);
        if (name.contains('\0') || name.startsWith(' ') || name.endsWith(' '))
            __builtin_trap();
    } catch (const RunError &) {
    }
    try {
        const qint16 level = ScalerProtocol::levelFromAnswer(answer);
        if (level < 0 || level > 255)
            __builtin_trap();
    } catch (const RunError &) {
    }
    return 0;
}
