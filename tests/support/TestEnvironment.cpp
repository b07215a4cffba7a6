#include "TestEnvironment.h"
#include "ScalerSettings.h"

#include "ErrorControl.h"
#include "ErrorLog.h"
#include "ProcessEnd.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <ctime>

#ifdef Q_OS_WIN
#include <QUuid>

#include <windows.h>
#endif

TestEnvironment::TestEnvironment()
{
    QVERIFY2(m_dir.isValid(), "no temporary folder");
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("program"));
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    // Nothing a test does may reach the user's own settings, data or logs.
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", path(QStringLiteral("state")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       path(QStringLiteral("config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path(QStringLiteral("config")));
#ifdef Q_OS_WIN
    m_userKey = QStringLiteral("Software\\Flashwright tests\\%1")
                    .arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
    HKEY key = nullptr;
    QVERIFY(RegCreateKeyExW(HKEY_CURRENT_USER, qUtf16Printable(m_userKey), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
    m_userKeyHandle = key;
    QVERIFY(RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS);
    // And its local application data (the unit log) is its own folder.
    const QString data = QDir::toNativeSeparators(path(QStringLiteral("data")));
    QVERIFY(RegSetKeyValueW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
                            L"Folders",
                            L"Local AppData", REG_SZ, qUtf16Printable(data),
                            DWORD((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS);
#endif
    setProgramEndHandler([](int code) { throw ProgramEnded{code}; });
    releaseErrorCtl();
    ErrorLog::start(logPath(), 2);
}

TestEnvironment::~TestEnvironment()
{
#ifdef Q_OS_WIN
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(static_cast<HKEY>(m_userKeyHandle));
    if (RegDeleteTreeW(HKEY_CURRENT_USER, qUtf16Printable(m_userKey)) != ERROR_SUCCESS)
        qWarning("the test's registry key %s was not removed", qPrintable(m_userKey));
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Flashwright tests"); // once it is empty
#endif
    ErrorLog::stop();
    releaseErrorCtl();
    setProgramEndHandler({});
}

QString TestEnvironment::path(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void TestEnvironment::store(const QMap<QString, QString> &values) const
{
    const auto s = openSettingsStore();
    for (auto it = values.begin(); it != values.end(); ++it)
        s->setValue(it.key(), it.value());
}

void TestEnvironment::mapPort(const QString &com, const QString &device) const
{
    openSettingsStore(SettingsStoreName::PortsSection)->setValue(com, device);
}

QString TestEnvironment::programFolder() const
{
    return path(QStringLiteral("program"));
}

ProgramPaths TestEnvironment::paths() const
{
    return ProgramPaths::forProgramIn(programFolder());
}

QString TestEnvironment::logPath() const
{
    return paths().errorLog;
}

QStringList TestEnvironment::logLines() const
{
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString TestEnvironment::storeFile() const
{
    return QDir(path(QStringLiteral("config"))).filePath(QStringLiteral("ORVANT/ORVANT.conf"));
}

QString logTail(const QString &line)
{
    const int at = line.indexOf(QStringLiteral(" FILE:"));
    return at < 0 ? line : line.mid(at + 1);
}

void TestEnvironment::storeLoopbackUnit(quint16 port, const QString &firmwareFolder) const
{
    store({{QStringLiteral("Comms Type"), QStringLiteral("0")},
           {QStringLiteral("EthernetAddress"), QStringLiteral("127.0.0.1")},
           {QStringLiteral("Ethernet Port"), QString::number(port)},
           {QStringLiteral("Firmware"), firmwareFolder}});
}

qint64 monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
