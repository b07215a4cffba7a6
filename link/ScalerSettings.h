#pragma once

#include <QString>

#include <memory>

class QSettings;

// Where the program keeps its settings: the per-user store of application
// ORVANT, section Programmer (and Ports for the serial device names).
namespace SettingsStoreName {
inline const QString Organization = QStringLiteral("ORVANT");
inline const QString Application = QStringLiteral("ORVANT");
inline const QString Section = QStringLiteral("Programmer");
inline const QString PortsSection = QStringLiteral("Ports");
} // namespace SettingsStoreName

// The program's settings record: read from the store once at start-up,
// authoritative while the program runs, written back by each save.
struct ScalerSettings
{
    QString FirmwarePath;
    qint16 ActiveChannel = 0;
    QString EthernetAddress = QStringLiteral("192.168.1.1");
    QString EthernetNetMask = QStringLiteral("255.255.255.000");
    QString EthernetPort = QStringLiteral("10001");
    QString CommsName;
    QString SerialParameters = QStringLiteral("57600,n,8,1");
    QString SerialPort = QStringLiteral("COM1:");
    qint32 CommsType = 1; // 1 serial, 0 Ethernet
};

// The program-wide settings record.
ScalerSettings &programSettings();

// The per-user settings store, opened at section (none for the store's top,
// where the Ports section lies).
std::unique_ptr<QSettings> openSettingsStore(const QString &section = SettingsStoreName::Section);
