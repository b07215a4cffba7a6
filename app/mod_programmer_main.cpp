#include "mod_programmer_main.h"

#include "ErrorControl.h"
#include "UnitSession.h"
#include "UserMessage.h"
#include "mod_MsgBoxEx.h"
#include "mod_Scaler_INI.h"

#include <QDir>
#include <QSslSocket>

namespace {
// What the technician is told when the update check cannot reach the site
// securely: on Windows the system's internet component, elsewhere the
// library or plugin that could not be loaded.
Phrase missingInternetSupportText()
{
#ifdef Q_OS_WIN
    return Phrase::translate("StartUp", "Incorrect version of Wininet.dll you must have \r\n"
                                        "version 5 or above of Internet Explorer installed");
#else
    const Phrase missing =
        QSslSocket::availableBackends().contains(QStringLiteral("openssl"))
            ? Phrase::translate("StartUp", "the system's OpenSSL library (libssl3)")
            : Phrase::translate("StartUp", "Qt's OpenSSL plugin (libqt6network6)");
    const Phrase text = Phrase::translate(
        "StartUp", "Check Update needs %1,\r\nwhich could not be loaded. Install it "
                   "and start the program again.");
    return {text.english.arg(missing.english), text.shown.arg(missing.shown)};
#endif
}

QString captionFor(const ScalerSettings &s)
{
    return windowCaption(s.CommsType, s.SerialPort, s.EthernetAddress);
}
} // namespace

qint16 windowMessage(const ProgrammerWindow *window, const Phrase &text, qint32 style,
                     const Phrase &title)
{
    return MsgBoxEx(text, style, title, window ? window->leftTwips() : 0,
                    window ? window->topTwips() : 0);
}

QString windowCaption(qint32 commsType, const QString &serialPort, const QString &ethernetAddress)
{
    //: The main window's caption; the port or address of the unit follows.
    const QString caption = QCoreApplication::translate("StartUp", "VQ Update - %1");
    switch (commsType) {
    case 1:
        return caption.arg(serialPort);
    case 0:
        return caption.arg(ethernetAddress);
    default:
        //: The main window's caption when the communication type is unknown.
        return QCoreApplication::translate("StartUp", "VQ Update ");
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

void Main(ProgrammerWindow &window, const ProgramPaths &paths)
{
    ErrorCtl().starterrorhandler(paths.errorLog, 2);
    releaseErrorCtl();

    window.loadWindow();
    window.showWindow();

    const ScalerSettings settings = LoadSettings(paths.firmwareFolder);
    // The default firmware folder is there to be filled.
    if (settings.FirmwarePath == paths.firmwareFolder)
        QDir().mkpath(paths.firmwareFolder);
    window.useSettings(settings);

    const std::optional<bool> visible = checkUpdateVisibility(window.checkInternetSupport());
    if (visible == false) {
        window.setCheckUpdateVisible(false);
        windowMessage(&window, missingInternetSupportText(), MsgStyle::Exclamation,
                      Phrase::translate("StartUp", "VQ Update"));
    } else if (visible == true) {
        window.setCheckUpdateVisible(true);
    }

    if (!settings.FirmwarePath.isEmpty())
        window.setProgrammeEnabled(true);
    else
        windowMessage(
            &window,
            Phrase::translate("StartUp",
                              "Firmware path not set please set using File->Firmware File Path"),
            MsgStyle::Exclamation, Phrase::translate("StartUp", "Firmware Path"));

    window.setCaption(captionFor(settings));
}

bool OpenScalerLink(UnitSession &session, ProgrammerWindow &window)
{
    if (session.open()) {
        window.setCaption(captionFor(session.settings()));
        return true;
    }
    windowMessage(&window,
                  Phrase::translate("StartUp",
                                    "Can't Open default communications port please select "
                                    "Tools->Communications and set a new communications port"),
                  MsgStyle::Critical, Phrase::translate("StartUp", " Error "));
    return false;
}
