#include "SerialLine.h"

#include "ScalerSettings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

std::optional<SerialLine> parseSerialParameters(const QString &text, QString *why)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        *why = QStringLiteral("expected speed,parity,data bits,stop bits");
        return std::nullopt;
    }
    SerialLine line;
    bool ok = false;
    const qint64 speed = fields[0].trimmed().toLongLong(&ok);
    if (!ok || speed <= 0 || speed > 4000000) {
        *why = QStringLiteral("the speed \"%1\" is not a baud rate").arg(fields[0].trimmed());
        return std::nullopt;
    }
    line.speed = static_cast<qint32>(speed);

    const QString parity = fields[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NOE").contains(parity)) {
        *why = QStringLiteral("the parity \"%1\" is not N, O or E").arg(fields[1].trimmed());
        return std::nullopt;
    }
    line.parity = parity.at(0).toLatin1();

    const QString data = fields[2].trimmed();
    if (data != QLatin1String("7") && data != QLatin1String("8")) {
        *why = QStringLiteral("the data bits \"%1\" are not 7 or 8").arg(data);
        return std::nullopt;
    }
    line.dataBits = data.toInt();

    const QString stop = fields[3].trimmed();
    if (stop != QLatin1String("1") && stop != QLatin1String("2")) {
        *why = QStringLiteral("the stop bits \"%1\" are not 1 or 2").arg(stop);
        return std::nullopt;
    }
    line.stopBits = stop.toInt();
    return line;
}

int comPortNumber(const QString &portName)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]{1,3}):?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(portName.trimmed());
    if (!m.hasMatch())
        return 0;
    return m.captured(1).toInt();
}

QString serialDeviceFor(const QString &portName, QString *why)
{
    const int n = comPortNumber(portName);
    if (n <= 0) {
        if (portName.startsWith(QLatin1Char('/')))
            return portName;
        *why = QStringLiteral("\"%1\" is not a port name of the form COMn:").arg(portName);
        return QString();
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, SettingsStoreName::Organization,
                    SettingsStoreName::Application);
    store.beginGroup(SettingsStoreName::PortsSection);
    const QString mapped = store.value(QStringLiteral("COM%1").arg(n)).toString();
    if (!mapped.isEmpty())
        return mapped;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}
