#include "PortList.h"

#include "CliOptions.h"
#include "ScalerSettings.h"
#include "SerialLine.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>

namespace {
// The same device under another name (a link in /dev/serial/by-id) compares equal.
QString canonical(const QString &device)
{
    const QString path = QFileInfo(device).canonicalFilePath();
    return path.isEmpty() ? device : path;
}

QString hex(std::optional<quint16> id)
{
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QString();
}

// n for /dev/ttyS(n-1), which COMn names unless the Ports section maps COMn,
// and for Windows' own \\.\COMn; else 0.
int builtInComNumber(const QString &device)
{
    static const QRegularExpression ttyS(QStringLiteral("^/dev/ttyS([0-9]{1,3})$"));
    static const QRegularExpression com(QStringLiteral(R"(^\\\\\.\\COM([0-9]{1,3})$)"));
    if (const QRegularExpressionMatch m = ttyS.match(device); m.hasMatch())
        return m.captured(1).toInt() + 1;
    const QRegularExpressionMatch m = com.match(device);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
} // namespace

QList<PortEntry> serialPorts(const QMap<QString, QString> &portsSection)
{
    // The Ports section: COMn -> device.
    QMap<QString, QStringList> mapped; // canonical device -> names
    QMap<QString, QString> spelled;    // canonical device -> the device as stored
    QSet<int> mappedNumbers;
    for (auto it = portsSection.cbegin(); it != portsSection.cend(); ++it) {
        const int n = comPortNumber(it.key());
        const QString &device = it.value();
        if (n <= 0 || device.isEmpty())
            continue;
        mappedNumbers.insert(n);
        mapped[canonical(device)].append(comPortName(n));
        spelled.insert(canonical(device), device);
    }

    QList<PortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortEntry e;
        e.device = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            e.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            e.productId = info.productIdentifier();
        e.comNames = mapped.take(canonical(e.device));
        const int n = builtInComNumber(e.device);
        if (n > 0 && !mappedNumbers.contains(n))
            e.comNames.append(comPortName(n));
        ports.append(e);
    }
    for (auto it = mapped.cbegin(); it != mapped.cend(); ++it) {
        PortEntry e;
        e.device = spelled.value(it.key());
        e.comNames = it.value();
        e.present = QFileInfo::exists(e.device);
        ports.append(e);
    }
    return ports;
}

int listPorts(ConsoleOutput &output, const QMap<QString, QString> &portsSection)
{
    const QList<PortEntry> ports = serialPorts(portsSection);
    if (output.mode() == ConsoleOutput::Mode::Json) {
        for (const PortEntry &p : ports)
            ConsoleOutput::writeJson(
                {{QStringLiteral("event"), QStringLiteral("port")},
                 {QStringLiteral("device"), p.device},
                 {QStringLiteral("com"), QJsonArray::fromStringList(p.comNames)},
                 {QStringLiteral("description"), p.description},
                 {QStringLiteral("manufacturer"), p.manufacturer},
                 {QStringLiteral("serial_number"), p.serialNumber},
                 {QStringLiteral("vendor_id"), hex(p.vendorId)},
                 {QStringLiteral("product_id"), hex(p.productId)},
                 {QStringLiteral("present"), p.present}});
        return ExitCode::Success;
    }
    if (ports.isEmpty()) {
        output.writeLine(QStringLiteral("No serial ports were found."));
        return ExitCode::Success;
    }
    const auto orDash = [](const QString &s) { return s.isEmpty() ? QStringLiteral("-") : s; };
    QList<QStringList> rows{{QStringLiteral("DEVICE"), QStringLiteral("COM"),
                             QStringLiteral("DESCRIPTION"), QStringLiteral("MANUFACTURER"),
                             QStringLiteral("SERIAL"), QStringLiteral("USB ID")}};
    for (const PortEntry &p : ports)
        rows.append({p.present ? p.device : p.device + QStringLiteral(" (not present)"),
                     orDash(p.comNames.join(QLatin1Char(' '))), orDash(p.description),
                     orDash(p.manufacturer), orDash(p.serialNumber),
                     p.vendorId || p.productId
                         ? hex(p.vendorId) + QLatin1Char(':') + hex(p.productId)
                         : QStringLiteral("-")});
    QList<int> widths(rows.first().size(), 0);
    for (const QStringList &row : rows)
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        output.writeLine(ConsoleOutput::printable(line));
    }
    return ExitCode::Success;
}
