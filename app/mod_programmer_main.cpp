#include "mod_programmer_main.h"

#include "ErrorControl.h"
#include "LinkInstances.h"
#include "ProgrammerWindow.h"
#include "UserMessage.h"
#include "WebFetcher.h"
#include "mod_Scaler_INI.h"

#include <QCoreApplication>
#include <QDir>
#include <QSslSocket>

namespace {
QString &folderOverride()
{
    static QString folder;
    return folder;
}

// What the technician is told when the update check cannot reach the site
// securely: on Windows the system's internet component, elsewhere the
// library or plugin that could not be loaded.
QString missingInternetSupportText()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Incorrect version of Wininet.dll you must have \r\n"
                          "version 5 or above of Internet Explorer installed");
#else
    const QString missing = QSslSocket::availableBackends().contains(QStringLiteral("openssl"))
                                ? QStringLiteral("the system's OpenSSL library (libssl3)")
                                : QStringLiteral("Qt's OpenSSL plugin (libqt6network6)");
    return QStringLiteral("Check Update needs %1,\r\nwhich could not be loaded. Install it "
                          "and start the program again.")
        .arg(missing);
#endif
}

QString captionForSettings()
{
    const ScalerSettings &s = programSettings();
    return windowCaption(s.CommsType, s.SerialPort, s.EthernetAddress);
}
} // namespace

QString programFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString &folder)
{
    folderOverride() = folder;
}

QString errorLogTarget()
{
    return QDir(programFolder())
        .filePath(QStringLiteral("Programmer") + QStringLiteral("error.log"));
}

QString windowCaption(qint32 commsType, const QString &serialPort, const QString &ethernetAddress)
{
    switch (commsType) {
    case 1:
        return QStringLiteral("VQ Update - ") + serialPort;
    case 0:
        return QStringLiteral("VQ Update - ") + ethernetAddress;
    default:
        return QStringLiteral("VQ Update ");
    }
}

std::optional<bool> checkUpdateVisibility(qint32 internetSupport)
{
    switch (internetSupport) {
    case 3:
    case 4:
        return false;
    case 1:
    case 5:
        return true;
    default:
        return std::nullopt;
    }
}

void Main()
{
    ErrorCtl().starterrorhandler(errorLogTarget(), 2);
    releaseErrorCtl();

    setWebFetcherFactory([] { return std::make_unique<WebFetcher>(); });

    ProgrammerWindow &window = *mainWindow();
    window.loadWindow();
    window.showWindow();

    LoadSettings();

    const std::optional<bool> visible = checkUpdateVisibility(webFetcher().CheckInternetSupport());
    if (visible == false) {
        window.setCheckUpdateVisible(false);
        windowMessage(missingInternetSupportText(), MsgStyle::Exclamation,
                      QStringLiteral("VQ Update"));
    } else if (visible == true) {
        window.setCheckUpdateVisible(true);
    }

    if (!programSettings().FirmwarePath.isEmpty())
        window.setProgrammeEnabled(true);
    else
        windowMessage(
            QStringLiteral("Firmware path not set please set using File->Firmware File Path"),
            MsgStyle::Exclamation, QStringLiteral("Firmware Path"));

    window.setCaption(captionForSettings());
}

bool OpenScalerLink()
{
    ScalerLinkInterface &link = scalerLink();
    link.CloseChannel();
    if (link.OpenChannel(programSettings().ActiveChannel) != VFalse) {
        if (ProgrammerWindow *window = mainWindow())
            window->setCaption(captionForSettings());
        return true;
    }
    windowMessage(QStringLiteral("Can't Open default communications port please select "
                                 "Tools->Communications and set a new communications port"),
                  MsgStyle::Critical, QStringLiteral(" Error "));
    return false;
}
