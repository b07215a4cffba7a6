#pragma once

#include "ProgramPaths.h"

#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Gives a test its own settings store and folders, and makes the program's
// immediate end observable: endProgramNow() throws ProgramEnded.
// Create one per test function (init) so that nothing carries over.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    // A folder that stands for the program's own folder, and the places the
    // program keeps its files when it runs from there with this environment.
    QString programFolder() const;
    ProgramPaths paths() const;
    // The error log of this test, switched on by the constructor.
    QString logPath() const;
    QStringList logLines() const;
    // The settings store's file.
    QString storeFile() const;

    QString path(const QString &name) const;

    // Writes keys of the settings store's Programmer section.
    void store(const QMap<QString, QString> &values) const;
    // Points the store at a unit on loopback TCP port and at firmwareFolder.
    void storeLoopbackUnit(quint16 port, const QString &firmwareFolder) const;
    // Maps a port name such as "COM1" to a device in the store's Ports section.
    void mapPort(const QString &com, const QString &device) const;

private:
    QTemporaryDir m_dir;
#ifdef Q_OS_WIN
    // Qt keeps the native settings store in the registry whatever the
    // folders: this test's HKEY_CURRENT_USER is a key of its own, removed after.
    QString m_userKey;
    void *m_userKeyHandle = nullptr;
#endif
};

// A log line from " FILE:" on, without its time and date.
QString logTail(const QString &line);

// Now in ms of the monotonic clock, the clock the simulated unit's timeline uses.
qint64 monotonicMs();

// One row of a data table, its values in the order of the columns.
template <typename... T> void row(const char *name, T... values)
{
    (QTest::newRow(name) << ... << values);
}
