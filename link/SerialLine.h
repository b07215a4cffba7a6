#pragma once

#include <QString>

#include <optional>

// The serial line's settings as the text form "57600,n,8,1" gives them:
// speed, parity letter, data bits, stop bits.
struct SerialLine
{
    qint32 speed = 57600;
    char parity = 'N'; // 'N', 'O' or 'E'
    int dataBits = 8;  // 7 or 8
    int stopBits = 1;  // 1 or 2
};

// Reads "speed,parity,data,stop". Nothing, with the reason in why, when the
// text is not of that form.
std::optional<SerialLine> parseSerialParameters(const QString &text, QString *why);

// The device a port name such as "COM3:" stands for on this machine: on
// Windows the port COM3; elsewhere the device the per-user store maps "COM3"
// to in its Ports section, or /dev/ttyS2 without such a mapping. A name that
// is already a device path is taken as it is. Empty, with why, for a name
// that is neither.
QString serialDeviceFor(const QString &portName, QString *why);

// The port number of a name such as "COM3:" (3), or 0 when it is not one.
int comPortNumber(const QString &portName);
