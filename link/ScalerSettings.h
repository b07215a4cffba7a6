#pragma once

#include <QMap>
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

// The program's settings, a value: read from the store once at start-up,
// handed to whatever needs them, and written back by each save.
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

    // The store's Ports section: the device a port name stands for here,
    // keyed "COM3" and the like. Read only; nothing in the program writes it.
    QMap<QString, QString> Ports;
};

// The per-user settings store, opened at section (none for the store's top,
// where the Ports section lies). The start-up and the saves open it; nothing
// else of the program does.
std::unique_ptr<QSettings> openSettingsStore(const QString &section = SettingsStoreName::Section);
