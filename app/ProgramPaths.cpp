#include "ProgramPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
const QString kLogName = QStringLiteral("Programmer") + QStringLiteral("error.log");
const QString kOwnFolder = QStringLiteral("ORVANT/Flashwright");

#ifdef Q_OS_WIN
// Whether a file can really be created in folder (a folder that is not
// there, or is read-only, or whose rights say otherwise, cannot).
bool writable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("flashwright-XXXXXX")));
    return probe.open();
}
#endif

QString withSeparator(const QString &folder)
{
    return QDir::toNativeSeparators(folder) + QDir::separator();
}
} // namespace

ProgramPaths ProgramPaths::forProgramIn(const QString &programFolder)
{
    ProgramPaths p;
    p.programFolder = programFolder;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    p.dataFolder = QDir(dataHome).filePath(kOwnFolder);
    p.unitLog = QDir(p.dataFolder).filePath(QStringLiteral("units.jsonl"));
#ifdef Q_OS_WIN
    p.errorLog = QDir(programFolder).filePath(kLogName);
    p.firmwareFolder = withSeparator(programFolder);
    p.downloadFolder = writable(programFolder) ? programFolder : p.dataFolder;
#else
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(stateHome))
        stateHome = QDir::home().filePath(QStringLiteral(".local/state"));
    p.errorLog = QDir(QDir(stateHome).filePath(kOwnFolder)).filePath(kLogName);
    p.downloadFolder = QDir(p.dataFolder).filePath(QStringLiteral("firmware"));
    p.firmwareFolder = withSeparator(p.downloadFolder);
#endif
    return p;
}
