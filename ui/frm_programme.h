#pragma once

#include "CancelToken.h"
#include "ProgramPaths.h"
#include "ProgrammerWindow.h"
#include "ScalerLinkInterface.h"
#include "ScalerSettings.h"
#include "UnitSession.h"
#include "UpdateCheck.h"
#include "frm_Commsettings.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class HiResPerc;
class QAction;
class QLabel;
class QMenu;
class QProgressDialog;
class QPushButton;

// The program's main window: status line, percentage bar, three buttons and
// the menu bar. It holds the program's settings, the link to the unit and
// the internet component, and follows each command's unit session.
class frm_programme : public QMainWindow,
                      public ProgrammerWindow,
                      public UpdateCheckWindow,
                      public CommsSettingsOwner,
                      private UnitObserver
{
    Q_OBJECT

public:
    explicit frm_programme(const ProgramPaths &paths, QWidget *parent = nullptr);
    ~frm_programme() override;

    // Handlers.
    void Form_Load();
    void Form_Unload(QCloseEvent *event);
    void Form_Terminate();
    void mnu_programme_exit_Click();
    void cmd_programme_prog_Click();
    void cmd_abort_Click();
    void mnu_tools_getident_Click();
    void mnu_tools_getVersion_Click();
    void mnu_about_Click();
    void mnu_tools_serialport_Click();
    void mnu_file_path_Click();
    void cmd_checkupdate_Click();

    // Set by the Abort button after confirmation; cleared before each cycle.
    CancelToken AbortFlag;

    // True while a command that talks to the unit runs.
    bool busy() const { return m_busy; }
    // What the status line is to show (painted at most once a frame).
    QString status() const { return m_status; }
    const ScalerSettings &settings() const { return m_settings; }
    const ProgramPaths &paths() const { return m_paths; }
    // The link to the unit, and the internet component, made on first use.
    ScalerLinkInterface &link();
    WebFetcherInterface &fetcher();
    // The update site "Check Update" reaches and what the program trusts
    // there (a local mirror, a test's keys); the built ones until set. The
    // internet component is made again for them, as at a start.
    void setUpdateSite(const QString &base, const TrustAnchor &trust);

    // ProgrammerWindow
    void loadWindow() override;
    void showWindow() override;
    void useSettings(const ScalerSettings &settings) override;
    qint32 checkInternetSupport() override;
    void setCheckUpdateVisible(bool visible) override;
    void setProgrammeEnabled(bool enabled) override;
    void setCaption(const QString &caption) override;
    qint32 leftTwips() const override;
    qint32 topTwips() const override;

    // UpdateCheckWindow. A download shows a modal progress dialog with the
    // file name, the bytes, the percentage and a Cancel button.
    qint16 ask(const Phrase &text, qint32 style, const Phrase &title) override;
    void setCommandEnabled(Command command, bool enabled) override;
    bool openLink() override;
    void closeLink() override;
    UnitSession &unit() override;
    QString firmwarePath() const override;
    void setFirmwarePath(const QString &path) override;
    void saveSettings() override;
    void programUnit() override;
    void transferStarted(const QString &fileName, std::function<void()> cancel) override;
    void transferProgress(qint64 received, qint64 total) override;
    void transferFinished() override;

    // CommsSettingsOwner
    void applySettings(const ScalerSettings &settings) override;
    CommsWorkingValues &commsWorkingValues() override { return m_commsWorking; }

    // Controls, in tab order.
    QPushButton *cmd_programme_prog;
    QLabel *lbl_firmware;
    QPushButton *cmd_abort;
    HiResPerc *ProgressBar1;
    QPushButton *cmd_checkupdate;

    // Menus.
    QMenu *mnu_programme_file;
    QAction *mnu_file_debug;
    QAction *mnu_file_path;
    QAction *mnu_programme_file_load;
    QAction *mnu_programme_exit;
    QMenu *mnu_tools;
    QAction *mnu_tools_getident;
    QAction *mnu_tools_getVersion;
    QAction *mnu_tools_serialport;
    QAction *mnu_about;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // UnitObserver: the unit's session as this window shows it.
    void stage(Stage stage, const Phrase &text) override;
    qint32 message(const MessageRequest &request) override;
    void progress(int percent) override;
    void controlEnabled(CycleControl control, bool enabled) override;
    void waiting(int waitedMs) override;
    void betweenBlocks() override;

    void createControls(QWidget *client);
    void createMenus();
    void connectHandlers();
    void fitStatusLine();
    void layOutButtons();
    // Marks a command that talks to the unit as running or ended; while one
    // runs, the communication settings cannot be applied.
    void setBusy(bool busy);
    void setStatus(const QString &text);
    void statusFrameDue();
    void setLongCommandControlsEnabled(bool enabled);
    // A session on the unit for one command, on the settings as they are now.
    UnitSession &startSession();
    // Opens the link, runs one unit operation, and closes the link again.
    void askUnit(const QString &procedure, const std::function<void(UnitSession &)> &operation);
    void flushStatus();

    const ProgramPaths m_paths;
    ScalerSettings m_settings;
    std::unique_ptr<ScalerLinkInterface> m_link;
    std::unique_ptr<WebFetcherInterface> m_fetcher;
    std::optional<UnitSession> m_session;
    CommsWorkingValues m_commsWorking;

    bool m_busy = false;
    bool m_checking = false;
    QString m_updateSite = builtInUpdateSite();
    std::optional<TrustAnchor> m_trust;
    bool m_inInputPass = false;
    QPointer<QProgressDialog> m_download;
    QString m_downloadName;
    QPointer<frm_Commsettings> m_commSettings;
    // The status line may change at every block: the label is painted at
    // most once a frame, while the link waits for the unit or, when the
    // window is idle, when the frame is due. Only a text that a newer one
    // replaces within the same frame is never painted.
    QString m_status;
    QElapsedTimer m_statusPainted;
    QElapsedTimer m_lastPass;     // the last pass over input between blocks
    QElapsedTimer m_framePainted; // the last wait that brought the screen up to date
    Stage m_spokenStage = Stage::Cleared;
    QTimer m_statusLater;
};
