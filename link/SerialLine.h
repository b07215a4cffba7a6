#pragma once

#include <QMap>
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
// cut out of the stored port name and parameter string.
struct CommsWorkingValues
{
    QString portNumber;
    QString baudRate;
    QString parity;
    QString dataBits;
    QString stopBits;
};

// Fills the working values from a port name ("COM1:") and a parameter
// string ("57600,n,8,1"): the port number as comPortField cuts it, and of
// the parameters the stop bits as the one character after the third comma.
// Throws RunError 5 at the first field that cannot be cut out; the fields
// before it are filled.
void ParseCommsSettings(const QString &serialPort, const QString &serialParameters,
                        CommsWorkingValues &values);

// The one reading of a port name such as "COM3:": the text after its first
// "M" and before its first ":", blanks trimmed ("3"). Throws RunError 5 when
// there is no ":" after the "M".
QString comPortField(const QString &portName);

// The port number of a name of the form COMn: or COMn, in any case (3 for
// "COM3:" and "com3"), or 0 for any other text.
int comPortNumber(const QString &portName);

// The one writing of a port name: "COM", the number, ":".
QString comPortName(const QString &number);
QString comPortName(int number);

// The key of the store's Ports section for a port number: "COM3".
QString portsKey(int number);

// The device a port name such as "COM3:" stands for on this machine: on
// Windows the port COM3; elsewhere the device the Ports section (ports)
// maps "COM3" to, or /dev/ttyS2 without such a mapping. A name that is
// already a device path is taken as it is. Empty, with why, for a name that
// is neither.
QString serialDeviceFor(const QString &portName, const QMap<QString, QString> &ports, QString *why);

// Why this user may not open the serial device, naming the fix: membership
// of the group that owns it, such as dialout. Empty when the user may read
// and write it, or when that is not what stops it (no such device, say).
QString serialPermissionProblem(const QString &device);
