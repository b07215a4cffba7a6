#include "mod_Scaler_INI.h"

#include "ErrorControl.h"
#include "ProgrammerWindow.h"
#include "RunError.h"
#include "TextRules.h"

#include <QDir>
#include <QSettings>

namespace {
namespace Key {
const QString Firmware = QStringLiteral("Firmware");
const QString ActiveChannel = QStringLiteral("Active Channel");
const QString EthernetAddress = QStringLiteral("EthernetAddress");
const QString EthernetNetMask = QStringLiteral("EthernetNetMask");
const QString EthernetPort = QStringLiteral("Ethernet Port");
const QString CommsName = QStringLiteral("Comms Name");
const QString SerialParameters = QStringLiteral("Serial Parameters");
const QString SerialPort = QStringLiteral("Serial Port");
const QString CommsType = QStringLiteral("Comms Type");
const QString Left = QStringLiteral("Left");
const QString Top = QStringLiteral("Top");
} // namespace Key

class Store
{
public:
    Store() : m_store(openSettingsStore()), m_settings(*m_store) {}

    // Says in the log when the store could not be read whole: the program then
    // runs on defaults for what it could not read.
    void reportUnreadable() const
    {
        if (m_settings.status() != QSettings::NoError)
            ErrorCtl().Adddebug(QStringLiteral("Settings: the store %1 could not be read whole; "
                                               "defaults are used for what is missing")
                                    .arg(QDir::toNativeSeparators(m_settings.fileName())));
    }

    QString text(const QString &key, const QString &fallback) const
    {
        if (!m_settings.contains(key))
            return fallback;
        const QVariant v = m_settings.value(key);
        // A hand-edited value with commas and no quotes reads back as a list.
        const QString value = v.typeId() == QMetaType::QStringList
                                  ? v.toStringList().join(QLatin1Char(','))
                                  : v.toString();
        // Bytes that are not UTF-8 read back as replacement characters, and
        // the next save writes those: say so while the original is still there.
        if (value.contains(QChar::ReplacementCharacter))
            ErrorCtl().Adddebug(QStringLiteral("Settings: \"%1\" holds text that is not UTF-8 "
                                               "(read as \"%2\"); it is saved so at the next "
                                               "close")
                                    .arg(key, value.left(200)));
        return value;
    }

    qint64 number(const QString &key, qint64 fallback, qint64 min, qint64 max) const
    {
        const QString stored = text(key, QString::number(fallback));
        if (const auto n = wholeNumber(stored, min, max))
            return *n;
        ErrorCtl().Adddebug(QStringLiteral("Settings: \"%1\" holds \"%2\", which is not a whole "
                                           "number from %3 to %4; using %5")
                                .arg(key, stored.left(200))
                                .arg(min)
                                .arg(max)
                                .arg(fallback));
        return fallback;
    }

    void write(const QString &key, const QString &value) { m_settings.setValue(key, value); }

    void commit()
    {
        m_settings.sync();
        if (m_settings.status() != QSettings::NoError)
            throw RunError(RunError::SettingsNotSaved,
                           QStringLiteral("They belong in %1, which could not be written.")
                               .arg(QDir::toNativeSeparators(m_settings.fileName())));
    }

private:
    std::unique_ptr<QSettings> m_store;
    QSettings &m_settings;
};
} // namespace

ScalerSettings LoadSettings(const QString &defaultFirmwarePath)
{
    const Store store;
    store.reportUnreadable();
    ScalerSettings s;
    const ScalerSettings defaults;
    s.FirmwarePath = store.text(Key::Firmware, defaultFirmwarePath);
    s.ActiveChannel = static_cast<qint16>(
        store.number(Key::ActiveChannel, defaults.ActiveChannel, INT16_MIN, INT16_MAX));
    s.EthernetAddress = store.text(Key::EthernetAddress, defaults.EthernetAddress);
    s.EthernetNetMask = store.text(Key::EthernetNetMask, defaults.EthernetNetMask);
    s.EthernetPort = store.text(Key::EthernetPort, defaults.EthernetPort);
    s.CommsName = store.text(Key::CommsName, defaults.CommsName);
    s.SerialParameters = store.text(Key::SerialParameters, defaults.SerialParameters);
    s.SerialPort = store.text(Key::SerialPort, defaults.SerialPort);
    s.CommsType =
        static_cast<qint32>(store.number(Key::CommsType, defaults.CommsType, INT32_MIN, INT32_MAX));
    const auto ports = openSettingsStore(SettingsStoreName::PortsSection);
    for (const QString &key : ports->childKeys())
        s.Ports.insert(key, ports->value(key).toString());
    return s;
}

void SaveSettings(const ScalerSettings &s, const ProgrammerWindow *window)
{
    Store store;
    store.write(Key::Firmware, s.FirmwarePath);
    store.write(Key::ActiveChannel, QString::number(s.ActiveChannel));
    store.write(Key::EthernetAddress, s.EthernetAddress);
    store.write(Key::EthernetNetMask, s.EthernetNetMask);
    store.write(Key::EthernetPort, s.EthernetPort);
    store.write(Key::CommsName, s.CommsName);
    store.write(Key::SerialParameters, s.SerialParameters);
    store.write(Key::SerialPort, s.SerialPort);
    store.write(Key::CommsType, QString::number(s.CommsType));
    if (window) {
        store.write(Key::Left, QString::number(static_cast<float>(window->leftTwips())));
        store.write(Key::Top, QString::number(static_cast<float>(window->topTwips())));
    }
    store.commit();
}
