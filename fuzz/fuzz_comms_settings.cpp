// The stored port name and serial parameter string, as the link and the
// communication settings read them. The input is split at its first zero
// byte: the port name before it, the parameters after.
#include "RunError.h"
#include "SerialLine.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype zero = input.indexOf('\0');
    const QString port = QString::fromLatin1(zero < 0 ? input : input.left(zero));
    const QString parameters = QString::fromLatin1(zero < 0 ? QByteArray() : input.mid(zero + 1));

    QString why;
    if (const auto line = parseSerialParameters(parameters, &why)) {
        if (line->speed <= 0 || (line->dataBits != 7 && line->dataBits != 8) ||
            (line->stopBits != 1 && line->stopBits != 2))
            __builtin_trap();
    }
    const int n = comPortNumber(port);
    if (n < 0 || n > 999 || (n > 0 && comPortNumber(comPortName(n)) != n))
        __builtin_trap();

    CommsWorkingValues values;
    try {
        ParseCommsSettings(port, parameters, values);
    } catch (const RunError &e) {
        if (e.number() != RunError::InvalidCall)
            __builtin_trap();
    }
    return 0;
}
