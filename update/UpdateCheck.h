#pragma once

#include "Phrase.h"
#include "ScalerProtocol.h"
#include "Trap.h"
#include "UpdateSite.h"
#include "WebFetcherInterface.h"

class UnitSession;

#include <QString>

// What the update check needs of the main window: the questions it asks, the
// progress of a download (DownloadOwner), the commands it disables while it
// runs, the unit, the firmware path, and the window's own commands it calls.
class UpdateCheckWindow : public DownloadOwner
{
public:
    enum class Command
    {
        About,
        Tools,
        FirmwarePath,
        UpdateFirmware,
    };

    // Asks the person with the positioned message box; the answer code.
    virtual qint16 ask(const Phrase &text, qint32 style, const Phrase &title) = 0;
    virtual void setCommandEnabled(Command command, bool enabled) = 0;
    // Opens the link to the unit, telling the person when it cannot, and
    // closes it again.
    virtual bool openLink() = 0;
    virtual void closeLink() = 0;
    // The unit, while the link is open.
    virtual UnitSession &unit() = 0;
    virtual QString firmwarePath() const = 0;
    virtual void setFirmwarePath(const QString &path) = 0;
    // Writes the settings; throws RunError when the store cannot be written.
    virtual void saveSettings() = 0;
    // Runs "Update Firmware" in full.
    virtual void programUnit() = 0;
};

// One run of "Check Update": the unit's firmware, the program's own release
// on the update site, then the unit's firmware on the site, with the downloads
// the person accepts. Failures are reported as the button's handler's own.
// The program ends inside run() when a newer release is installed.
class UpdateCheck
{
public:
    // Checks the site at siteBase (a host name followed by "updates/");
    // downloads go to downloadFolder, through fetcher.
    UpdateCheck(UpdateCheckWindow &window, WebFetcherInterface &fetcher,
                const QString &downloadFolder, const QString &siteBase = builtInUpdateSite());
    void run();

    // The lowest firmware level that reports its file name without a restart.
    static constexpr int LevelNamingFirmware = ScalerProtocol::LevelNamingFirmware;

private:
    // The unit's firmware file name and level; false when the check goes no further.
    bool learnUnitFirmware();
    // The program's own release; false when the check ends there.
    bool offerOwnRelease();
    // Ends the program unless the installer changed since its download.
    void installRelease();
    // The unit's firmware; false when the check ends without its last message.
    bool offerFirmware();
    bool askForFirmware();
    void takeFirmware();
    void finish();
    void enableCommands();
    void tell(const Phrase &text, qint32 style, const Phrase &title);
    void showFetchError(qint32 code);
    WebFetcherInterface &webFetcher() { return m_fetcher; }

    UpdateCheckWindow &m_window;
    WebFetcherInterface &m_fetcher;
    Trap m_trap;
    QString m_base;
    QString m_downloadFolder;
    QByteArray m_unitName;
    QString m_firmwareName;
    QString m_firmwareLevel;
    bool m_questionAsked = false;
};

// The message for an error code of the internet component; empty for a code
// that has none. Codes 7 and 8 name when the refused file was signed and
// today's date, so that a clock far wrong shows.
Phrase fetchErrorMessage(qint32 code, const QDateTime &signedAt = {}, const QDate &today = {});
