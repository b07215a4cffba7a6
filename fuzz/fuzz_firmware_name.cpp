// File names from a unit or from the update site: whatever they send, a name
// that is accepted names a file directly in the firmware or download folder,
// never one in a sibling such as "fw2" or anywhere else. Compared as
// canonical paths with a trailing separator.
#include "ScalerProtocol.h"
#include "TextRules.h"
#include "UpdateSite.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {
struct Folders
{
    Folders()
    {
        QDir(root.path()).mkpath(QStringLiteral("fw"));
        QDir(root.path()).mkpath(QStringLiteral("fw2"));
        folder = QDir(root.path()).filePath(QStringLiteral("fw"));
        inside = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    }
    QTemporaryDir root;
    QString folder;
    QString inside;
};

// The canonical folder of path, with a trailing separator, or empty when that
// folder does not exist.
QString folderOf(const QString &path)
{
    const QString canonical = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    return canonical.isEmpty() ? QString() : canonical + QLatin1Char('/');
}

void verifyInside(const Folders &f, const QString &path, const QString &suffix)
{
    const QString file = QFileInfo(path).fileName();
    if (folderOf(path) != f.inside || file.size() <= suffix.size() || !file.endsWith(suffix))
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Folders f;
    const QByteArray name(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    // The unit's identification names its firmware file.
    for (const QString &given : {f.folder, f.folder + QLatin1Char('/')}) {
        const QString path = ScalerProtocol::firmwareFilePath(given, name);
        if (!path.isEmpty())
            verifyInside(f, path, QStringLiteral(".vq"));
    }
    // A name the site (UTF-8) or the unit (a character a byte) gives is
    // downloaded only when plain.
    for (const QString &given : {QString::fromUtf8(name), QString::fromLatin1(name)}) {
        if (!isPlainFileName(given))
            continue;
        const QString path = QDir(f.folder).filePath(given);
        verifyInside(f, path, QString());
        // Not hidden, and no character that would hide what the name says.
        if (given.startsWith(QLatin1Char('.')))
            __builtin_trap();
        for (const QChar c : given)
            if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
                __builtin_trap();
    }
    return 0;
}
