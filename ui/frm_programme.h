#pragma once

#include "ProgrammerWindow.h"
#include "UpdateCheck.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>

class HiResPerc;
class Trap;
class frm_Commsettings;
class QAction;
class QLabel;
class QMenu;
class QProgressDialog;
class QPushButton;

// The program's main window: status line, percentage bar, three buttons and
// the menu bar. Registers itself as the program's main window while it lives.
class frm_programme : public QMainWindow, public ProgrammerWindow, public UpdateCheckWindow
{
    Q_OBJECT

public:
    explicit frm_programme(QWidget *parent = nullptr);
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

    // True while a command that talks to the unit runs.
    bool busy() const { return m_busy; }
    // The update site "Check Update" reaches (a local mirror); the built one until set.
    void setUpdateSite(const QString &base) { m_updateSite = base; }

    // ProgrammerWindow
    void setStatus(const QString &text) override;
    QString status() const override;
    void setProgressValue(qint32 value) override;
    void setAbortEnabled(bool enabled) override;
    void setProgrammeEnabled(bool enabled) override;
    void processPendingInput() override;
    qint32 leftTwips() const override;
    qint32 topTwips() const override;
    void loadWindow() override;
    void showWindow() override;
    void setCaption(const QString &caption) override;
    QString caption() const override;
    void setCheckUpdateVisible(bool visible) override;

    // UpdateCheckWindow. A download shows a modal progress dialog with the
    // file name, the bytes, the percentage and a Cancel button.
    qint16 ask(const QString &text, qint32 style, const QString &title) override;
    void setCommandEnabled(Command command, bool enabled) override;
    bool openLink() override;
    void saveSettings() override;
    void programUnit() override;
    void transferStarted(const QString &fileName, std::function<void()> cancel) override;
    void transferProgress(qint64 received, qint64 total) override;
    void transferFinished() override;

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

private:
    void createControls(QWidget *client);
    void createMenus();
    void connectHandlers();
    void layOutButtons();
    // Marks a command that talks to the unit as running or ended; while one
    // runs, the communication settings cannot be applied.
    void setBusy(bool busy);
    // Paints what changed before a wait for the unit began: at its start
    // when a frame has passed since the last paint, else once it has lasted one.
    void waitingForUnit(int waitedMs);
    void statusFrameDue();
    void setLongCommandControlsEnabled(bool enabled);
    // Opens the link, runs one unit operation, and closes the link again.
    void askUnit(const QString &procedure, const std::function<void(QByteArray &)> &operation);
    void flushStatus();

    bool m_busy = false;
    bool m_checking = false;
    QString m_updateSite = builtInUpdateSite();
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
    QTimer m_statusLater;
};
