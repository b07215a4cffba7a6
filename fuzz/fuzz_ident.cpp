// The identification line a unit announces: the identification, the unit
// type and the status text made of them.
#include "RunError.h"
#include "ScalerProtocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QByteArray identification;
    QByteArray type = line;
    try {
        identification = ScalerProtocol::identificationFromLine(line);
        // What is cut out lies within the line, before its last character, and
        // after "id=" it never holds a line end, whatever followed the line.
        if (identification.size() >= line.size() || !line.contains(identification) ||
            (line.contains("id=") &&
             (identification.contains('\r') || identification.contains('\n'))))
            __builtin_trap();
    } catch (const RunError &) {
    }
    try {
        type = ScalerProtocol::unitTypeFromLine(line);
    } catch (const RunError &) {
    }
    (void)ScalerProtocol::identStatus(identification, type);
    return 0;
}
