#include "SerialLine.h"

#include "RunError.h"
#include "TextRules.h"

#include <QFile>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {
// The characters from 1-based position start, length of them, blanks
// trimmed; a length that runs backwards fails as a cut of the platform does.
QString cut(const QString &s, qsizetype start, qsizetype length)
{
    if (length < 0)
        throw RunError(RunError::InvalidCall);
    return s.mid(start - 1, length).trimmed();
}

// The 1-based position of c in s from 1-based position from, 0 when absent.
qsizetype find(const QString &s, QChar c, qsizetype from = 1)
{
    return s.indexOf(c, from - 1) + 1;
}
} // namespace

void cutSerialParameters(const QString &text, QString &speed, QString &parity, QString &dataBits,
                         QString &rest)
{
    const qsizetype c1 = find(text, QLatin1Char(','));
    const qsizetype c2 = find(text, QLatin1Char(','), c1 + 1);
    const qsizetype c3 = find(text, QLatin1Char(','), c2 + 1);
    speed = cut(text, 1, c1 - 1);
    parity = cut(text, c1 + 1, c2 - c1 - 1);
    dataBits = cut(text, c2 + 1, c3 - c2 - 1);
    rest = text.mid(c3);
}

std::optional<SerialLine> parseSerialParameters(const QString &text, QString *why)
{
    struct
    {
        QString speed, parity, dataBits, rest;
    } fields;
    try {
        cutSerialParameters(text, fields.speed, fields.parity, fields.dataBits, fields.rest);
    } catch (const RunError &) {
        *why = QStringLiteral("expected speed,parity,data bits,stop bits");
        return std::nullopt;
    }
    SerialLine line;
    if (const auto speed = wholeNumber(fields.speed, 1, 4000000))
        line.speed = static_cast<qint32>(*speed);
    else {
        *why = QStringLiteral("the speed \"%1\" is not a baud rate").arg(fields.speed);
        return std::nullopt;
    }

    const QString parity = fields.parity.toUpper();
    if (parity.size() != 1 || !QStringLiteral("NOE").contains(parity)) {
        *why = QStringLiteral("the parity \"%1\" is not N, O or E").arg(fields.parity);
        return std::nullopt;
    }
    line.parity = parity.at(0).toLatin1();

    if (fields.dataBits != QLatin1String("7") && fields.dataBits != QLatin1String("8")) {
        *why = QStringLiteral("the data bits \"%1\" are not 7 or 8").arg(fields.dataBits);
        return std::nullopt;
    }
    line.dataBits = fields.dataBits.toInt();

    const QString stop = fields.rest.trimmed();
    if (stop != QLatin1String("1") && stop != QLatin1String("2")) {
        *why = QStringLiteral("the stop bits \"%1\" are not 1 or 2").arg(stop);
        return std::nullopt;
    }
    line.stopBits = stop.toInt();
    return line;
}

void ParseCommsSettings(const QString &serialPort, const QString &serialParameters,
                        CommsWorkingValues &values)
{
    values.portNumber = comPortField(serialPort);
    QString rest;
    cutSerialParameters(serialParameters, values.baudRate, values.parity, values.dataBits, rest);
    values.stopBits = rest.left(1).trimmed();
}

QString comPortField(const QString &portName)
{
    const qsizetype m = find(portName, QLatin1Char('M'));
    const qsizetype colon = find(portName, QLatin1Char(':'));
    return cut(portName, m + 1, colon - m - 1);
}

int comPortNumber(const QString &portName)
{
    QString name = portName.trimmed();
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    name = QStringLiteral("COM") + name.mid(3);
    if (!name.endsWith(QLatin1Char(':')))
        name += QLatin1Char(':');
    if (name.indexOf(QLatin1Char(':')) != name.size() - 1)
        return 0;
    const std::optional<qint64> n = wholeNumber(comPortField(name), 1, 999, true);
    return n ? int(*n) : 0;
}

QString comPortName(const QString &number)
{
    return QStringLiteral("COM") + number + QLatin1Char(':');
}

QString comPortName(int number)
{
    return comPortName(QString::number(number));
}

QString portsKey(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

QString serialDeviceFor(const QString &portName, const QMap<QString, QString> &ports, QString *why)
{
    const int n = comPortNumber(portName);
    if (n <= 0) {
        if (portName.startsWith(QLatin1Char('/')))
            return portName;
        *why = QStringLiteral("\"%1\" is not a port name of the form COMn:").arg(portName);
        return QString();
    }
#ifdef Q_OS_WIN
    Q_UNUSED(ports)
    return QStringLiteral("COM%1").arg(n);
#else
    const QString mapped = ports.value(portsKey(n));
    if (!mapped.isEmpty())
        return mapped;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString serialPermissionProblem(const QString &device)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return QString();
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0)
        return QString();
    const group *owner = ::getgrgid(info.st_gid);
    const QString groupName =
        owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    const passwd *account = ::getpwuid(::geteuid());
    const QString user =
        account ? QString::fromLocal8Bit(account->pw_name) : QString::number(::geteuid());
    constexpr mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if ((info.st_mode & groupReadWrite) == groupReadWrite)
        return QStringLiteral("%1 may not read and write %2, which belongs to the group \"%3\": "
                              "make %1 a member of it (sudo usermod -aG %3 %1), then log out "
                              "and in again")
            .arg(user, device, groupName);
    return QStringLiteral("%1 may not read and write %2, and its group \"%3\" may not either: "
                          "a udev rule can give it to a group such as \"dialout\" that may; "
                          "then make %1 a member of that group")
        .arg(user, device, groupName);
#else
    Q_UNUSED(device)
    return QString();
#endif
}
