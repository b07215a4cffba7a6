// The answers to the long and the short version query.
#include "ScalerProtocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // The six digits at characters 12 to 17 of the long answer, 8 to 13 of the short one.
    const quint32 longForm = ScalerProtocol::hexVersionValue(answer.left(20).mid(11, 6));
    const quint32 shortForm = ScalerProtocol::hexVersionValue(answer.left(16).mid(7, 6));
    if (longForm > 0xFFFFFF || shortForm > 0xFFFFFF)
        __builtin_trap();
    return 0;
}
