// A firmware file named by what a unit sends: whatever it sends, the file
// lies directly in the firmware folder, never in a sibling such as "fw2".
#include "mod_Scaler_Firmware.h"

#include <QDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray identification(reinterpret_cast<const char *>(data),
                                    static_cast<qsizetype>(size));
    static const QString folder = QStringLiteral("/flashwright-fuzz/fw");
    for (const QString &given : {folder, folder + QLatin1Char('/')}) {
        const QString path = ScalerProtocol::firmwareFilePath(given, identification);
        if (path.isEmpty())
            continue;
        const QString clean = QDir::cleanPath(path);
        const QString inside = QDir::cleanPath(folder) + QLatin1Char('/');
        if (!clean.startsWith(inside) || clean.indexOf(QLatin1Char('/'), inside.size()) >= 0 ||
            clean.size() <= inside.size() + 3 || !clean.endsWith(QLatin1String(".vq")))
            __builtin_trap();
    }
    return 0;
}
