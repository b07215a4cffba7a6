#pragma once

#include "ConsoleOutput.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// A serial port of this machine, and the port names that stand for it here.
struct PortEntry
{
    QString device;
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QStringList comNames; // "COM3:" and the like
    bool present = true;  // false for a device the Ports section names that is not there
};

// The serial ports the system lists, then the devices the store's Ports
// section (portsSection) names that it does not list (a pseudo-terminal, a device that is
// gone). Each carries the COMn names that open it here: the Ports keys that
// name it, and COMn for /dev/ttyS(n-1) unless the Ports section maps COMn
// elsewhere.
QList<PortEntry> serialPorts(const QMap<QString, QString> &portsSection);

// Prints the ports, as a table or one JSON object a port. Returns the exit code.
int listPorts(ConsoleOutput &output, const QMap<QString, QString> &portsSection);
