#include "UpdateCheck.h"

#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "ProcessEnd.h"
#include "TextRules.h"
#include "UpdateSite.h"
#include "UserMessage.h"
#include "mod_Scaler_Firmware.h"

#include <QDir>

namespace {
const qint32 kAsk = MsgStyle::Information + MsgStyle::YesNo;

// The titles of its messages.
Phrase update()
{
    return Phrase::translate("UpdateCheck", "Update");
}
Phrase updates()
{
    return Phrase::translate("UpdateCheck", "Updates");
}
} // namespace

Phrase fetchErrorMessage(qint32 code, const QDateTime &signedAt, const QDate &today)
{
    const QString signedOn = signedAt.toLocalTime().date().toString(Qt::ISODate);
    switch (code) {
    case FetchError::NotFound:
        return Phrase::translate("UpdateCheck", "Web Page not found");
    case FetchError::Unknown:
        return Phrase::translate("UpdateCheck",
                                 "Unknown error\r\nPlease check internet connection settings");
    case FetchError::NoInternet:
        return Phrase::translate("UpdateCheck", "Could not access the internet");
    case FetchError::ProxyAuthentication:
        return Phrase::translate("UpdateCheck", "Proxy authentication failure.\r\n"
                                                "Please check internet connection settings");
    case FetchError::Cancelled:
        return Phrase::translate("UpdateCheck", "Update aborted at user request");
    case FetchError::BadRevisionFile:
        return Phrase::translate("UpdateCheck", "Wrong version of revision file on web site\r\n"
                                                "Ensure that the programmer is the latest version");
    case FetchError::Expired:
        return Phrase::translate("UpdateCheck",
                                 "The update site has not been refreshed since %1.\r\n"
                                 "This computer's date is %2.\r\n"
                                 "If that date is wrong, correct it; otherwise ask the vendor to "
                                 "refresh the update site.")
            .arg(signedOn, today.toString(Qt::ISODate));
    case FetchError::SignedInFuture:
        return Phrase::translate("UpdateCheck",
                                 "The update site's files were signed on %1,\r\n"
                                 "later than this computer's date, %2.\r\n"
                                 "Correct this computer's date and time, then check again.")
            .arg(signedOn, today.toString(Qt::ISODate));
    default:
        return Phrase();
    }
}

UpdateCheck::UpdateCheck(UpdateCheckWindow &window, WebFetcherInterface &fetcher,
                         const QString &downloadFolder, const QString &siteBase)
    : m_window(window), m_fetcher(fetcher),
      m_trap(QStringLiteral("frm_programme"), QStringLiteral("cmd_checkupdate_click")),
      m_base(siteBase), m_downloadFolder(downloadFolder)
{}

void UpdateCheck::run()
{
    using Command = UpdateCheckWindow::Command;
    for (const Command c :
         {Command::About, Command::Tools, Command::FirmwarePath, Command::UpdateFirmware})
        m_trap([&] { m_window.setCommandEnabled(c, false); });
    m_trap([&] { m_window.openLink(); });
    m_trap([&] { webFetcher().SetDownloadFolder(m_downloadFolder); });
    if (learnUnitFirmware() && offerOwnRelease() && offerFirmware())
        finish();
    m_trap([&] { m_window.closeLink(); });
    m_trap([&] { enableCommands(); });
    m_trap([&] { webFetcher().FinishTransfers(); });
}

bool UpdateCheck::learnUnitFirmware()
{
    m_trap(
        [&] { m_firmwareLevel = QString::number(Firmware_GetPTBT(m_window.unit(), m_unitName)); });
    if (m_firmwareLevel.toInt() < LevelNamingFirmware) {
        qint16 goOn = MsgAnswer::Yes;
        m_trap([&] {
            goOn =
                m_window.ask(Phrase::translate(
                                 "UpdateCheck",
                                 "Your current firmware requires a reboot of the scaler \r\n"
                                 "in order to determine the scaler type. It is not possible to \r\n"
                                 "determine the current software version of the device \r\n"
                                 "so the latest will be downloaded\r\n\r\nContinue ?"),
                             MsgStyle::Question + MsgStyle::YesNo, update());
        });
        if (goOn != MsgAnswer::Yes)
            return false;
        bool identified = false;
        m_trap([&] { identified = Firmware_GetIdent(m_window.unit(), m_unitName); });
        if (!identified) {
            tell(Phrase::translate("UpdateCheck", "Failed to read scaler type"),
                 MsgStyle::Exclamation, update());
            return false;
        }
        m_unitName += ".vq";
    }
    // The unit's bytes, one character each, as the site names its files.
    m_firmwareName = QString::fromLatin1(m_unitName).toLower();
    return true;
}

bool UpdateCheck::offerOwnRelease()
{
    qint16 fetched = 0;
    m_trap([&] {
        QString name = QStringLiteral("programmer.rev");
        fetched = webFetcher().DownloadFile(m_base, name, 2, &m_window);
    });
    qint32 code = 0;
    if (fetched == 0) {
        m_trap([&] { code = webFetcher().ErrorCode(); });
        if (code != 0)
            m_trap([&] { showFetchError(code); });
    } else {
        qint16 newer = 0;
        m_trap([&] {
            QString ours = QStringLiteral("%1.%2.%3")
                               .arg(FlashwrightVersion::Major)
                               .arg(FlashwrightVersion::Minor)
                               .arg(FlashwrightVersion::Revision);
            qint32 kind = 2;
            newer = webFetcher().CompareVersion(ours, kind);
        });
        qint16 take = MsgAnswer::No;
        if (newer == 1)
            m_trap([&] {
                take = m_window.ask(
                    Phrase::translate("UpdateCheck",
                                      "Newer Version of Programmer availiable, download ?"),
                    kAsk, updates());
            });
        if (take == MsgAnswer::Yes) {
            qint16 installer = 0;
            m_trap([&] {
                QString name = webFetcher().UpdateFileName();
                installer = webFetcher().DownloadFile(m_base, name, 2, &m_window);
            });
            if (installer != 0) {
                installRelease();
            } else {
                // The technician asked for the new program and did not get it:
                // say why, then go on with the firmware, which does not depend
                // on it, unless the technician cancelled the update.
                m_trap([&] { code = webFetcher().ErrorCode(); });
                m_trap([&] { showFetchError(code); });
                if (code == FetchError::Cancelled)
                    return false;
                m_trap([&] { webFetcher().ResetTransfer(); });
            }
        }
    }
    m_trap([&] { code = webFetcher().ErrorCode(); });
    if (code != 0)
        return false;
    m_trap([&] { webFetcher().ResetTransfer(); });
    return true;
}

void UpdateCheck::installRelease()
{
    // Hashed again before the person is told that the program ends: one
    // changed since its download is reported and removed, and the check goes
    // on with the firmware.
    bool unchanged = false;
    m_trap([&] {
        webFetcher().VerifyInstaller(m_downloadFolder);
        unchanged = true;
    });
    if (!unchanged)
        return;
    tell(Phrase::translate("UpdateCheck", "The application will now exit and install the updates"),
         MsgStyle::Information, updates());
    // The installer replaces the program, so nothing of the normal ending
    // runs. One that changes now or will not start is reported and the
    // program stays, rather than ending with nothing installed; one that is
    // not there at all ends the program all the same.
    bool end = false;
    m_trap([&] {
        webFetcher().StartInstaller(m_downloadFolder);
        end = true;
    });
    if (end)
        endProgramNow(0);
}

bool UpdateCheck::offerFirmware()
{
    // A unit that named no file has nothing to look up.
    if (TruncateAtChar(m_firmwareName, QStringLiteral(".")).isEmpty()) {
        tell(Phrase::translate("UpdateCheck", "Failed to read scaler type"), MsgStyle::Exclamation,
             update());
        return false;
    }
    qint16 fetched = 0;
    const QString revision = firmwareRevisionName(m_firmwareName);
    m_trap([&] {
        QString name = revision;
        fetched = webFetcher().DownloadFile(m_base, name, 0, &m_window);
    });
    if (fetched == 0)
        return true;
    // A revision file may describe another firmware with the same stem
    // ("vq.main.vq" and "vq.vq"): that is found out before anything is asked.
    QString described;
    m_trap([&] { described = webFetcher().UpdateFileName(); });
    if (described != m_firmwareName) {
        ErrorCtl().Adddebug(QStringLiteral("Update: \"%1\" describes \"%2\", not the unit's "
                                           "\"%3\"; nothing is offered")
                                .arg(revision, described, m_firmwareName));
        m_trap([&] { showFetchError(FetchError::BadRevisionFile); });
        return false;
    }
    if (askForFirmware())
        takeFirmware();
    return true;
}

bool UpdateCheck::askForFirmware()
{
    const auto compare = [&] {
        qint16 result = 0;
        m_trap([&] {
            QString level = m_firmwareLevel;
            qint32 kind = 1;
            result = webFetcher().CompareVersion(level, kind);
        });
        return result;
    };
    qint16 lastAnswer = MsgAnswer::No;
    if (compare() == 1) {
        m_trap([&] {
            lastAnswer = m_window.ask(
                Phrase::translate("UpdateCheck", "Newer Firmware availiable, download ?"), kAsk,
                updates());
        });
        m_questionAsked = true;
    }
    if (compare() == 2) {
        m_trap([&] {
            lastAnswer = m_window.ask(
                Phrase::translate("UpdateCheck", "You currently have the latest firmware.\r\n"
                                                 "Do you wish to download anyway?"),
                kAsk, updates());
        });
        m_questionAsked = true;
    }
    // Never below the unit's level: an older firmware is a sign of an old
    // site, worth a line in the log.
    if (!m_questionAsked)
        ErrorCtl().Adddebug(QStringLiteral("Update: \"%1\" offers no level at or above the unit's "
                                           "%2; nothing is offered")
                                .arg(firmwareRevisionName(m_firmwareName), m_firmwareLevel));
    return m_questionAsked && lastAnswer == MsgAnswer::Yes;
}

void UpdateCheck::takeFirmware()
{
    qint16 downloaded = 0;
    m_trap([&] { downloaded = webFetcher().DownloadFile(m_base, m_firmwareName, 1, &m_window); });
    if (downloaded == 0)
        return;
    m_trap([&] { webFetcher().FinishTransfers(); });
    // The firmware path points where the file really is.
    m_trap([&] {
        m_window.setFirmwarePath(QDir::toNativeSeparators(m_downloadFolder) + QDir::separator());
    });
    m_trap([&] { m_window.saveSettings(); });
    m_trap([&] { m_window.closeLink(); });
    m_trap([&] { enableCommands(); });
    qint16 program = MsgAnswer::No;
    m_trap([&] {
        program = m_window.ask(Phrase::translate("UpdateCheck", "Program scaler ?"),
                               MsgStyle::Question + MsgStyle::YesNo,
                               Phrase::translate("UpdateCheck", "Program"));
    });
    if (program == MsgAnswer::Yes)
        m_trap([&] { m_window.programUnit(); });
    m_questionAsked = false;
}

void UpdateCheck::finish()
{
    qint32 code = 0;
    m_trap([&] { code = webFetcher().ErrorCode(); });
    if (code != 0)
        m_trap([&] { showFetchError(code); });
    else if (!m_questionAsked)
        tell(Phrase::translate("UpdateCheck", "Check Update finished"), MsgStyle::OkOnly, update());
}

void UpdateCheck::enableCommands()
{
    using Command = UpdateCheckWindow::Command;
    m_window.setCommandEnabled(Command::About, true);
    m_window.setCommandEnabled(Command::Tools, true);
    if (!m_window.firmwarePath().isEmpty())
        m_window.setCommandEnabled(Command::UpdateFirmware, true);
    m_window.setCommandEnabled(Command::FirmwarePath, true);
}

void UpdateCheck::tell(const Phrase &text, qint32 style, const Phrase &title)
{
    m_trap([&] { m_window.ask(text, style, title); });
}

void UpdateCheck::showFetchError(qint32 code)
{
    const bool dated = code == FetchError::Expired || code == FetchError::SignedInFuture;
    const Phrase message = fetchErrorMessage(
        code, dated ? webFetcher().RefusedSigningTime() : QDateTime(), QDate::currentDate());
    if (!message.isEmpty())
        m_window.ask(message, dated ? MsgStyle::Exclamation : MsgStyle::OkOnly, update());
}
