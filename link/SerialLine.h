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

// Cuts a serial parameter string such as "57600,n,8,1" at its first three
// commas: the speed, the parity and the data bits between them, blanks
// trimmed, and all that follows the third comma. Assigns them in this order
// and throws RunError 5 at the first that cannot be cut (fewer than three
// commas): those before it are assigned, the others left as they were.
void cutSerialParameters(const QString &text, QString &speed, QString &parity, QString &dataBits,
                         QString &rest);

// Reads "speed,parity,data,stop". Nothing, with the reason in why, when the
// text is not of that form.
std::optional<SerialLine> parseSerialParameters(const QString &text, QString *why);

// The serial settings as the communication settings dialog works on them,
// cut out of the stored port name and parameter string. They live for the
// whole run.
struct CommsWorkingValues
{
    QString portNumber;
    QString baudRate;
    QString parity;
    QString dataBits;
    QString stopBits;
};
CommsWorkingValues &commsWorkingValues();

// Fills the working values from the stored port name ("COM1:") and
// parameter string ("57600,n,8,1"): the port number between the first "M"
// and the first ":", and of the parameters the stop bits as the one
// character after the third comma. Throws RunError 5 at the first field that
// cannot be cut out; the fields before it are filled.
void ParseCommsSettings();

// The device a port name such as "COM3:" stands for on this machine: on
// Windows the port COM3; elsewhere the device the per-user store maps "COM3"
// to in its Ports section, or /dev/ttyS2 without such a mapping. A name that
// is already a device path is taken as it is. Empty, with why, for a name
// that is neither.
QString serialDeviceFor(const QString &portName, QString *why);

// The port number of a name such as "COM3:" (3), or 0 when it is not one.
int comPortNumber(const QString &portName);

// Why this user may not open the serial device, naming the fix: membership
// of the group that owns it, such as dialout. Empty when the user may read
// and write it, or when that is not what stops it (no such device, say).
QString serialPermissionProblem(const QString &device);
