#include "frm_programme.h"

#include "Design.h"
#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "HiResPerc.h"
#include "ProcessEnd.h"
#include "RunError.h"
#include "ScalerLink.h"
#include "ScalerProtocol.h"
#include "Trap.h"
#include "UnitLog.h"
#include "UpdateCheck.h"
#include "UserMessage.h"
#include "WebFetcher.h"
#include "frmAbout.h"
#include "frm_Commsettings.h"
#include "frm_pathselect.h"
#include "mod_MsgBoxEx.h"
#include "mod_Scaler_Firmware.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShortcutEvent>

#include <array>

namespace {
const QString kModule = QStringLiteral("frm_programme");

// The design's client area below the menu bar, in twips.
constexpr int kClientWidth = 4620;
constexpr int kClientHeight = 1395;
} // namespace

frm_programme::frm_programme(const ProgramPaths &paths, QWidget *parent)
    : QMainWindow(parent), m_paths(paths)
{
    setObjectName(QStringLiteral("frm_programme"));
    setWindowTitle(tr("VQ Firmware Updater"));
    setWindowIcon(programLogo());

    setCentralWidget(new QWidget(this));
    setFont(designFont());
    createControls(centralWidget());
    createMenus();
    connectHandlers();

    m_statusLater.setSingleShot(true);
    connect(&m_statusLater, &QTimer::timeout, this, &frm_programme::statusFrameDue);

    fitStatusLine();
    layOutButtons();
}

ScalerLinkInterface &frm_programme::link()
{
    if (!m_link)
        m_link = std::make_unique<ScalerLink>();
    return *m_link;
}

WebFetcherInterface &frm_programme::fetcher()
{
    if (!m_fetcher)
        m_fetcher = std::make_unique<WebFetcher>(
            m_trust.value_or(TrustAnchor::builtIn(m_paths.dataFolder)));
    return *m_fetcher;
}

void frm_programme::setUpdateSite(const QString &base, const TrustAnchor &trust)
{
    m_updateSite = base;
    m_trust = trust;
    m_fetcher.reset();
}

UnitSession &frm_programme::startSession()
{
    m_session.reset();
    m_session.emplace(m_settings, link(), static_cast<UnitObserver &>(*this), AbortFlag);
    return *m_session;
}

void frm_programme::createControls(QWidget *client)
{
    // The buttons are placed in a row once all are made (layOutButtons).
    const auto button = [client](const QString &caption, const char *name, const QString &tip) {
        auto *b = new QPushButton(caption, client);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        return b;
    };
    cmd_programme_prog =
        button(tr("&Update Firmware"), "cmd_programme_prog", tr("Click to program the scaler."));
    cmd_programme_prog->setEnabled(false);

    lbl_firmware = new QLabel(client);
    place(lbl_firmware, "lbl_firmware", 480, 120, 3975, 255);
    // What a unit sends is shown as it is, never as markup.
    lbl_firmware->setTextFormat(Qt::PlainText);
    lbl_firmware->setAccessibleDescription(tr("What the program is doing with the unit"));

    cmd_abort = button(tr("&Abort"), "cmd_abort", tr("Click to abort programming"));
    cmd_abort->setEnabled(false);

    ProgressBar1 = new HiResPerc(client);
    place(ProgressBar1, "ProgressBar1", 600, 480, 3735, 375);
    ProgressBar1->setAccessibleName(tr("Progress"));
    ProgressBar1->setAccessibleDescription(
        tr("How much of the firmware file the unit has received"));
    // The bar's stored properties: it draws 0 % once they are read.
    ProgressBar1->ReadProperties({{QStringLiteral("FontName"), designFont().family()},
                                  {QStringLiteral("FontSize"), designFont().pointSizeF()}});

    cmd_checkupdate = button(tr("&Check Update"), "cmd_checkupdate",
                             tr("Click to check for updates onthe internet"));

    setTabOrder(cmd_programme_prog, cmd_abort);
    setTabOrder(cmd_abort, cmd_checkupdate);
    for (QPushButton *b : {cmd_programme_prog, cmd_abort, cmd_checkupdate})
        b->installEventFilter(this);
}

void frm_programme::createMenus()
{
    mnu_programme_file = menuBar()->addMenu(tr("&File"));
    mnu_programme_file->setObjectName(QStringLiteral("mnu_programme_file"));
    mnu_file_debug = mnu_programme_file->addAction(tr("Debug"));
    mnu_file_debug->setVisible(false);
    mnu_file_debug->setEnabled(false);
    mnu_file_path = mnu_programme_file->addAction(tr("&Firmware file path"));
    mnu_programme_file_load = mnu_programme_file->addAction(tr("&Load"));
    mnu_programme_file_load->setVisible(false);
    mnu_programme_file_load->setEnabled(false);
    mnu_programme_exit = mnu_programme_file->addAction(tr("&Exit"));

    mnu_tools = menuBar()->addMenu(tr("&Tools"));
    mnu_tools->setObjectName(QStringLiteral("mnu_tools"));
    mnu_tools_getident = mnu_tools->addAction(tr("&Get Ident"));
    mnu_tools_getVersion = mnu_tools->addAction(tr("&Get Version"));
    mnu_tools_serialport = mnu_tools->addAction(tr("&Communications Port"));

    mnu_about = menuBar()->addAction(tr("&About"));
    menuBar()->installEventFilter(this);
}

void frm_programme::connectHandlers()
{
    connect(mnu_programme_exit, &QAction::triggered, this,
            &frm_programme::mnu_programme_exit_Click);
    connect(cmd_programme_prog, &QPushButton::clicked, this,
            &frm_programme::cmd_programme_prog_Click);
    connect(cmd_abort, &QPushButton::clicked, this, &frm_programme::cmd_abort_Click);
    connect(mnu_about, &QAction::triggered, this, &frm_programme::mnu_about_Click);
    connect(mnu_file_path, &QAction::triggered, this, &frm_programme::mnu_file_path_Click);
    connect(mnu_tools_serialport, &QAction::triggered, this,
            &frm_programme::mnu_tools_serialport_Click);
    connect(mnu_tools_getident, &QAction::triggered, this,
            &frm_programme::mnu_tools_getident_Click);
    connect(mnu_tools_getVersion, &QAction::triggered, this,
            &frm_programme::mnu_tools_getVersion_Click);
    connect(cmd_checkupdate, &QPushButton::clicked, this, &frm_programme::cmd_checkupdate_Click);
}

frm_programme::~frm_programme()
{
    Form_Terminate();
    m_session.reset();
}

bool frm_programme::eventFilter(QObject *watched, QEvent *event)
{
    // "&About" and "&Abort" share Alt+A. The menu bar keeps About's mnemonic
    // while About is disabled, so during a cycle Qt finds the key ambiguous
    // and only moves the focus; the command that can act takes it instead.
    if (event->type() == QEvent::Shortcut && static_cast<QShortcutEvent *>(event)->isAmbiguous()) {
        const QKeySequence key = static_cast<QShortcutEvent *>(event)->key();
        for (QPushButton *b : {cmd_programme_prog, cmd_abort, cmd_checkupdate}) {
            if (b->shortcut() == key && b->isEnabled() && b->isVisible()) {
                b->animateClick();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frm_programme::fitStatusLine()
{
    // The status line is as wide as its longest text in the language of the
    // run, with a typical unit's identification and the largest numbers.
    const QFontMetrics metrics(lbl_firmware->font());
    const QString number = QStringLiteral("16777215");
    int widest =
        metrics.horizontalAdvance(ScalerProtocol::identStatus("vq2400_s70_12", "vq2400_s70").shown);
    for (int s = int(Stage::Cleared); s <= int(Stage::Complete); ++s)
        widest = std::max(widest, metrics.horizontalAdvance(stageText(Stage(s), number).shown));
    lbl_firmware->resize(std::max(lbl_firmware->width(), widest + 2), lbl_firmware->height());
}

void frm_programme::layOutButtons()
{
    // The buttons' places are in the design's units, measured with a font
    // that may be narrower than the one used here: where a caption needs more
    // room, the three buttons grow alike and the window widens with them.
    const std::array<QPushButton *, 3> row{cmd_programme_prog, cmd_checkupdate, cmd_abort};
    int width = px(this, 1380);
    int height = px(this, 345);
    for (const QPushButton *b : row) {
        width = std::max(width, b->sizeHint().width());
        height = std::max(height, b->sizeHint().height());
    }
    const int gap = px(this, 120);
    int left = gap;
    for (QPushButton *b : row) {
        b->setGeometry(left, px(this, 960), width, height);
        left += width + gap;
    }
    centralWidget()->setMinimumSize(
        std::max({px(this, kClientWidth), left, lbl_firmware->geometry().right() + gap}),
        std::max(px(this, kClientHeight), px(this, 960) + height + gap / 2));
}

void frm_programme::setBusy(bool busy)
{
    m_busy = busy;
    if (m_commSettings)
        m_commSettings->setApplyAllowed(!busy);
}

void frm_programme::waiting(int waitedMs)
{
    // The status line is painted when a wait begins a frame after its last
    // painting, or once the wait has lasted a frame. What else waits to be
    // painted, such as the percentage bar, is painted at most once a frame,
    // here rather than in the pass over input between blocks.
    constexpr int FrameMs = ScalerLink::WaitGoesOnAfterMs;
    const auto due = [&](const QElapsedTimer &last) {
        return waitedMs >= FrameMs || !last.isValid() || last.elapsed() >= FrameMs;
    };
    if (due(m_statusPainted) && m_status != lbl_firmware->text())
        flushStatus();
    if (due(m_framePainted)) {
        m_framePainted.start();
        QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
    }
}

void frm_programme::statusFrameDue()
{
    // The pass over input between blocks leaves the painting to the next wait
    // for the unit, which costs the transfer nothing.
    if (m_inInputPass)
        m_statusLater.start(ScalerLink::WaitGoesOnAfterMs);
    else
        flushStatus();
}

void frm_programme::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Frm_load"));
    // The window's outer size: the design's client area below the menu bar
    // plus whatever frame the platform draws around it.
    trap([&] {
        const QSize client = centralWidget()->minimumSize();
        resize(client.width(), client.height() + menuBar()->sizeHint().height());
    });
    trap([&] { ProgressBar1->setHiResolution(false); });
}

void frm_programme::closeEvent(QCloseEvent *event)
{
    Form_Unload(event);
}

void frm_programme::Form_Unload(QCloseEvent *event)
{
    Trap trap(kModule, QStringLiteral("Form Unload"));
    trap([&] { link().CloseChannel(); });
    trap([&] { SaveSettings(m_settings, this); });
    event->accept();
    // Closed in the middle of a command: the program ends here, and the
    // command does not go on against a closed link.
    if (m_busy)
        endProgramNow(0);
    QCoreApplication::quit();
}

void frm_programme::Form_Terminate()
{
    Trap trap(kModule, QStringLiteral("Form_terminate"));
    trap([&] { link().CloseChannel(); });
}

void frm_programme::mnu_programme_exit_Click()
{
    Trap trap(kModule, QStringLiteral("mnu_program_exit_click"));
    trap([&] { link().CloseChannel(); });
    endProgramNow(0);
}

void frm_programme::cmd_programme_prog_Click()
{
    Trap trap(kModule, QStringLiteral("cmd_program_prog_click"));
    setBusy(true);
    trap([&] { AbortFlag.clear(); });
    trap([&] { setLongCommandControlsEnabled(false); });
    UnitSession &session = startSession();
    UnitRecord record = UnitRecord::begun(QStringLiteral("flashwright"), unitLabel(m_settings));
    CycleResult cycle;
    trap([&] { OpenScalerLink(session, *this); });
    trap([&] { Firmware_Programme(session, m_settings.FirmwarePath, &cycle); });
    trap([&] { session.close(); });
    record.end = QDateTime::currentDateTimeUtc();
    record.takeCycle(cycle);
    trap([&] { UnitLog::append(m_paths.unitLog, record); });
    trap([&] { setLongCommandControlsEnabled(true); });
    setBusy(false);
}

void frm_programme::setLongCommandControlsEnabled(bool enabled)
{
    mnu_about->setEnabled(enabled);
    mnu_tools->menuAction()->setEnabled(enabled);
    if (enabled) {
        mnu_file_path->setEnabled(true);
        cmd_checkupdate->setEnabled(true);
    } else {
        cmd_checkupdate->setEnabled(false);
        mnu_file_path->setEnabled(false);
    }
}

void frm_programme::cmd_abort_Click()
{
    Trap trap(kModule, QStringLiteral("cmd_abort_Click"));
    qint16 answer = 0;
    trap([&] {
        answer = windowMessage(this, abortWarning(), MsgStyle::Exclamation + MsgStyle::YesNo,
                               Phrase::translate("UnitMessage", "Warning"));
    });
    if (answer == MsgAnswer::Yes)
        AbortFlag.cancel();
}

void frm_programme::mnu_about_Click()
{
    Trap trap(kModule, QStringLiteral("mnu_about_click"));
    // Created anew at every opening, and gone when it closes.
    trap([this] {
        frmAbout about(this);
        about.exec();
    });
}

void frm_programme::mnu_file_path_Click()
{
    Trap trap(kModule, QStringLiteral("mnu_file_path_click"));
    trap([this] {
        frm_pathselect dialog(m_settings.FirmwarePath, m_paths.programFolder, this, this);
        if (dialog.exec() == QDialog::Accepted)
            m_settings.FirmwarePath = dialog.FirmwarePath();
    });
    // Saved and usable whenever a path exists, whether or not the dialog changed it.
    if (!m_settings.FirmwarePath.isEmpty()) {
        trap([&] { SaveSettings(m_settings, this); });
        trap([this] { cmd_programme_prog->setEnabled(true); });
    }
}

void frm_programme::mnu_tools_serialport_Click()
{
    Trap trap(kModule, QStringLiteral("mnu_tools_serialport_click"));
    // Modeless: the main window stays usable while it is open.
    trap([this] {
        if (!m_commSettings)
            m_commSettings = new frm_Commsettings(m_settings, *this, this);
        m_commSettings->setApplyAllowed(!m_busy);
        m_commSettings->show();
        m_commSettings->raise();
        m_commSettings->activateWindow();
    });
}

void frm_programme::mnu_tools_getident_Click()
{
    // The operation shows what it finds itself.
    askUnit(QStringLiteral("mnu_tools_getident_cick"), [](UnitSession &session) {
        QByteArray reply;
        Firmware_GetIdent(session, reply);
    });
}

void frm_programme::mnu_tools_getVersion_Click()
{
    askUnit(QStringLiteral("mnu_tools_getversion_cick"), [](UnitSession &session) {
        QByteArray reply;
        Firmware_GetVersion(session, reply);
    });
}

void frm_programme::askUnit(const QString &procedure,
                            const std::function<void(UnitSession &)> &operation)
{
    Trap trap(kModule, procedure);
    setBusy(true);
    UnitSession &session = startSession();
    bool opened = false;
    trap([&] { opened = OpenScalerLink(session, *this); });
    if (opened)
        trap([&] { operation(session); });
    trap([&] { session.close(); });
    setBusy(false);
}

void frm_programme::cmd_checkupdate_Click()
{
    // A click that reaches the window while a check waits on a dialog is not
    // a second check.
    if (m_checking)
        return;
    const QScopedValueRollback<bool> checking(m_checking, true);
    const bool wasBusy = m_busy;
    setBusy(true);
    const auto restoreBusy = qScopeGuard([&] { setBusy(wasBusy); });
    UpdateCheck(*this, fetcher(), m_paths.downloadFolder, m_updateSite).run();
}

qint16 frm_programme::ask(const Phrase &text, qint32 style, const Phrase &title)
{
    return windowMessage(this, text, style, title);
}

void frm_programme::setCommandEnabled(Command command, bool enabled)
{
    switch (command) {
    case Command::About:
        mnu_about->setEnabled(enabled);
        break;
    case Command::Tools:
        mnu_tools->menuAction()->setEnabled(enabled);
        break;
    case Command::FirmwarePath:
        mnu_file_path->setEnabled(enabled);
        break;
    case Command::UpdateFirmware:
        cmd_programme_prog->setEnabled(enabled);
        break;
    }
}

bool frm_programme::openLink()
{
    return OpenScalerLink(startSession(), *this);
}

void frm_programme::closeLink()
{
    link().CloseChannel();
}

UnitSession &frm_programme::unit()
{
    return m_session ? *m_session : startSession();
}

QString frm_programme::firmwarePath() const
{
    return m_settings.FirmwarePath;
}

void frm_programme::setFirmwarePath(const QString &path)
{
    m_settings.FirmwarePath = path;
}

void frm_programme::saveSettings()
{
    SaveSettings(m_settings, this);
}

void frm_programme::applySettings(const ScalerSettings &settings)
{
    m_settings = settings;
    OpenScalerLink(startSession(), *this);
}

void frm_programme::programUnit()
{
    cmd_programme_prog_Click();
    // Still inside the update check.
    setBusy(true);
}

void frm_programme::transferStarted(const QString &fileName, std::function<void()> cancel)
{
    delete m_download;
    m_downloadName = fileName;
    m_download = new QProgressDialog(this);
    m_download->setObjectName(QStringLiteral("frm_download"));
    m_download->setWindowTitle(tr("Downloading"));
    m_download->setLabelText(fileName);
    m_download->setCancelButtonText(tr("Cancel"));
    m_download->setWindowModality(Qt::ApplicationModal);
    m_download->setAutoClose(false);
    m_download->setAutoReset(false);
    m_download->setMinimumDuration(0);
    m_download->setRange(0, 0);
    connect(m_download, &QProgressDialog::canceled, this,
            [cancel = std::move(cancel)] { cancel(); });
    m_download->show();
}

void frm_programme::transferProgress(qint64 received, qint64 total)
{
    if (!m_download)
        return;
    const QLocale locale;
    if (total > 0) {
        m_download->setLabelText(
            tr("%1\n%2 of %3 bytes")
                .arg(m_downloadName, locale.toString(received), locale.toString(total)));
        m_download->setRange(0, 1000);
        m_download->setValue(
            static_cast<int>(qBound(qint64(0), received * 1000 / total, qint64(1000))));
    } else {
        m_download->setLabelText(tr("%1\n%2 bytes").arg(m_downloadName, locale.toString(received)));
    }
}

void frm_programme::transferFinished()
{
    delete m_download;
}

void frm_programme::stage(Stage stage, const Phrase &text)
{
    setStatus(text.shown);
    // A screen reader hears the status line at each change of stage, not at
    // each block's number: the percentage bar reports the progress.
    if (stage == Stage::Block && m_spokenStage == Stage::Block)
        return;
    m_spokenStage = stage;
    const QString spoken = stage == Stage::Block ? stageText(Stage::Starting).shown : text.shown;
    if (spoken != lbl_firmware->accessibleName())
        lbl_firmware->setAccessibleName(spoken);
}

qint32 frm_programme::message(const MessageRequest &request)
{
    return windowMessage(this, {request.text, request.textShown()}, request.style,
                         {request.title, request.titleShown()});
}

void frm_programme::progress(int percent)
{
    ProgressBar1->setValue(percent);
}

void frm_programme::controlEnabled(CycleControl control, bool enabled)
{
    (control == CycleControl::Abort ? cmd_abort : cmd_programme_prog)->setEnabled(enabled);
}

void frm_programme::setStatus(const QString &text)
{
    constexpr int FrameMs = ScalerLink::WaitGoesOnAfterMs;
    m_status = text;
    const qint64 since = m_statusPainted.isValid() ? m_statusPainted.elapsed() : FrameMs;
    if (!m_statusLater.isActive())
        m_statusLater.start(static_cast<int>(std::max<qint64>(0, FrameMs - since)));
}

void frm_programme::flushStatus()
{
    m_statusLater.stop();
    if (lbl_firmware->text() == m_status)
        return;
    lbl_firmware->setText(m_status);
    // Painted now: the unit protocol waits without an event loop, and each
    // stage must be on the screen while it waits.
    lbl_firmware->repaint();
    m_statusPainted.start();
}

void frm_programme::setProgrammeEnabled(bool enabled)
{
    cmd_programme_prog->setEnabled(enabled);
}

void frm_programme::betweenBlocks()
{
    // One pass over user input at most every few milliseconds: a click or key
    // is taken as soon as a person could tell, and a fast link does not pay
    // for a pass at every block. The link waits for the unit itself, so the
    // sockets are left to it.
    constexpr qint64 PassEveryNs = 4'000'000;
    if (m_lastPass.isValid() && m_lastPass.nsecsElapsed() < PassEveryNs)
        return;
    m_lastPass.start();
    const QScopedValueRollback<bool> pass(m_inInputPass, true);
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
}

qint32 frm_programme::leftTwips() const
{
    return qRound(pixelsToTwips(frameGeometry().x(), logicalDpiX()));
}

qint32 frm_programme::topTwips() const
{
    return qRound(pixelsToTwips(frameGeometry().y(), logicalDpiY()));
}

void frm_programme::loadWindow()
{
    Form_Load();
}

void frm_programme::showWindow()
{
    show();
}

void frm_programme::setCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void frm_programme::useSettings(const ScalerSettings &settings)
{
    m_settings = settings;
}

qint32 frm_programme::checkInternetSupport()
{
    return fetcher().CheckInternetSupport();
}

void frm_programme::setCheckUpdateVisible(bool visible)
{
    cmd_checkupdate->setVisible(visible);
}
