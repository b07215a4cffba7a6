#include "frm_pathselect.h"

#include "Design.h"
#include "ProgrammerWindow.h"
#include "RunError.h"
#include "Trap.h"
#include "UserMessage.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>

#include <algorithm>

namespace {
constexpr int ClientWidth = 5415;
constexpr int ClientHeight = 3855;

const QString Module = QStringLiteral("frm_pathselect");

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity DriveCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity DriveCase = Qt::CaseSensitive;
#endif

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
}
} // namespace

frm_pathselect::frm_pathselect(const QString &firmwarePath, const QString &programFolder,
                               const ProgrammerWindow *owner, QWidget *parent)
    : QDialog(parent), m_firmwarePath(firmwarePath), m_programFolder(programFolder), m_owner(owner)
{
    setObjectName(QStringLiteral("frm_pathselect"));
    setWindowTitle(tr("Path Selection"));
    setModal(true);
    setFont(designFont());
    setFixedSize(px(this, ClientWidth), px(this, ClientHeight));

    // Created in tab order.
    Drive1 = new QComboBox(this);
    place(Drive1, "Drive1", 120, 480, 2535, 315);
    File1 = new QListWidget(this);
    place(File1, "File1", 2760, 840, 2535, 2235);
    Dir1 = new QListWidget(this);
    place(Dir1, "Dir1", 120, 840, 2535, 2340);
    cmd_programme_prog = new QPushButton(tr("&OK"), this);
    place(cmd_programme_prog, "cmd_programme_prog", 1080, 3360, 1380, 345, Fit::FitCaption);
    cmd_cancel = new QPushButton(tr("&Cancel"), this);
    place(cmd_cancel, "cmd_cancel", 2640, 3360, 1380, 345, Fit::FitCaption);
    keepRightOf(cmd_cancel, cmd_programme_prog, px(this, 120));

    createLabel();
    Drive1->setAccessibleName(tr("Drive"));
    File1->setAccessibleName(tr("Firmware files"));
    File1->setAccessibleDescription(tr("The .vq files in the folder being looked at"));
    Dir1->setAccessibleName(tr("Folders"));
    Dir1->setAccessibleDescription(tr("Enter opens the folder; \"..\" is the folder above"));

    setTabOrder(Drive1, File1);
    setTabOrder(File1, Dir1);
    setTabOrder(Dir1, cmd_programme_prog);
    setTabOrder(cmd_programme_prog, cmd_cancel);

    startAtProgramFolder();

    connect(Drive1, &QComboBox::currentIndexChanged, this, &frm_pathselect::Drive1_Change);
    connect(Dir1, &QListWidget::itemActivated, this, &frm_pathselect::enterFolder);
    connect(cmd_programme_prog, &QPushButton::clicked, this,
            &frm_pathselect::cmd_programme_prog_Click);
    connect(cmd_cancel, &QPushButton::clicked, this, &frm_pathselect::cmd_cancel_Click);

    Form_Load();
}

void frm_pathselect::createLabel()
{
    Label1 = new QLabel(tr("Please Select the location of the vq firmware files :"), this);
    place(Label1, "Label1", 120, 120, 3555, 195);
    // The twips box was measured with a smaller font: grow it rather than clip the text.
    const QSize text = Label1->sizeHint();
    const int room = width() - Label1->x();
    if (text.width() <= room) {
        Label1->resize(std::max(Label1->width(), text.width()),
                       std::max(Label1->height(), text.height()));
    } else {
        Label1->setWordWrap(true);
        Label1->resize(room, Label1->heightForWidth(room));
    }
    // A label of more lines pushes the rest of the dialog down.
    const int below = Label1->geometry().bottom() + 1 + px(this, 60) - Drive1->y();
    if (below > 0) {
        for (QWidget *w : {static_cast<QWidget *>(Drive1), static_cast<QWidget *>(File1),
                           static_cast<QWidget *>(Dir1), static_cast<QWidget *>(cmd_programme_prog),
                           static_cast<QWidget *>(cmd_cancel)})
            w->move(w->x(), w->y() + below);
    }
    setFixedSize(sizeToHold(this, px(this, 120)));
}

void frm_pathselect::startAtProgramFolder()
{
    // Where the program lives, so that a path the load step cannot show still
    // leaves the lists somewhere sensible.
    fillDrives();
    QString start = cleanAbsolute(m_programFolder);
    if (!QFileInfo(start).isDir())
        start = QDir::currentPath();
    const int drive =
        Drive1->findText(driveOf(start), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    Drive1->setCurrentIndex(std::max(drive, 0));
    m_dir1Path = start;
    fillDir1();
    setFile1Path(start);
}

void frm_pathselect::fillDrives()
{
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives()) {
        const QString root = drive.absoluteFilePath();
        Drive1->addItem(root.left(2).toUpper(), root);
    }
#else
    // No drive letters here: the mounted volumes stand in for them.
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots << volume.rootPath();
    }
    roots.sort();
    roots.removeDuplicates();
    for (const QString &root : std::as_const(roots))
        Drive1->addItem(root, root);
#endif
}

QString frm_pathselect::driveOf(const QString &path) const
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(path).left(2);
#else
    // The innermost volume whose root holds the path.
    const QString target = cleanAbsolute(path);
    QString best;
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString root = Drive1->itemText(i);
        const bool holds = root == QLatin1String("/") || target == root ||
                           target.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
#endif
}

// A drive's current folder: the folder being looked at when it lies on that
// drive, otherwise the drive's root.
QString frm_pathselect::driveFolder() const
{
    if (driveOf(m_dir1Path).compare(Drive1->currentText(), DriveCase) == 0)
        return m_dir1Path;
    return Drive1->currentData().toString();
}

void frm_pathselect::setDrive1(const QString &drive)
{
    const int index = Drive1->findText(drive, DriveCase == Qt::CaseSensitive
                                                  ? Qt::MatchFixedString | Qt::MatchCaseSensitive
                                                  : Qt::MatchFixedString);
    if (index < 0)
        throw RunError(RunError::DeviceUnavailable,
                       QStringLiteral("Device unavailable: %1").arg(drive));
    Drive1->setCurrentIndex(index);
}

void frm_pathselect::setDir1Path(const QString &path)
{
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.exists())
        throw RunError(RunError::FileNotFound, QStringLiteral("Folder not found: %1").arg(path));
    if (!info.isDir())
        throw RunError(RunError::PathFileAccess, QStringLiteral("Not a folder: %1").arg(path));
    m_dir1Path = QDir::cleanPath(info.absoluteFilePath());
    fillDir1();
    Dir1_Change();
}

void frm_pathselect::fillDir1()
{
    const QDir dir(m_dir1Path);
    Dir1->clear();
    if (!dir.isRoot()) {
        auto *up = new QListWidgetItem(QStringLiteral(".."), Dir1);
        up->setData(Qt::UserRole, QDir::cleanPath(dir.absoluteFilePath(QStringLiteral(".."))));
    }
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, Dir1);
        item->setData(Qt::UserRole, dir.absoluteFilePath(name));
    }
    // A plain list does not show where it is: the tooltip does.
    Dir1->setToolTip(QDir::toNativeSeparators(m_dir1Path));
}

void frm_pathselect::enterFolder(QListWidgetItem *item)
{
    // The folder may have gone since it was listed.
    Trap trap(Module, QStringLiteral("dir1_change"));
    const QString path = item->data(Qt::UserRole).toString();
    trap([&] { setDir1Path(path); });
}

void frm_pathselect::setFile1Path(const QString &path)
{
    const QDir dir(path);
    if (!dir.exists())
        throw RunError(RunError::FileNotFound, QStringLiteral("Folder not found: %1").arg(path));
    File1->clear();
    File1->addItems(
        dir.entryList({QStringLiteral("*.vq")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    if (File1->count() > 0)
        File1->setCurrentRow(0);
}

QString frm_pathselect::File1FileName() const
{
    const QListWidgetItem *item = File1->currentItem();
    return item ? item->text() : QString();
}

void frm_pathselect::Form_Load()
{
    Trap trap(Module, QStringLiteral("form_load"));
    const QString path = m_firmwarePath;
    if (path.isEmpty()) {
        trap([&] { setDir1Path(m_programFolder); });
#ifdef Q_OS_WIN
        trap([&] { setDrive1(QStringLiteral("C:")); });
#else
        trap([&] { setDrive1(driveOf(m_programFolder)); });
#endif
    } else {
        trap([&] { setDir1Path(path); });
        // A network path has no drive to select.
        if (!path.startsWith(QLatin1String("//")))
            trap([&] { setDrive1(driveOf(path)); });
    }
}

void frm_pathselect::Drive1_Change()
{
    Trap trap(Module, QStringLiteral("drive1_change"));
    trap([&] { setDir1Path(driveFolder()); });
}

void frm_pathselect::Dir1_Change()
{
    Trap trap(Module, QStringLiteral("dir1_change"));
    trap([&] { setFile1Path(m_dir1Path); });
}

void frm_pathselect::cmd_programme_prog_Click()
{
    Trap trap(Module, QStringLiteral("cmd_programme_prog_click"));
    if (File1FileName().isEmpty()) {
        trap([&] {
            windowMessage(m_owner,
                          Phrase::translate("frm_pathselect",
                                            "No VQ files found please select another directory"),
                          MsgStyle::Exclamation, Phrase::translate("frm_pathselect", "Error"));
        });
    } else {
        trap([&] { m_firmwarePath = QDir::toNativeSeparators(m_dir1Path); });
        trap([&] { accept(); });
    }
}

void frm_pathselect::cmd_cancel_Click()
{
    Trap trap(Module, QStringLiteral("cmd_cancel_click"));
    trap([&] { reject(); });
}

void frm_pathselect::keyPressEvent(QKeyEvent *event)
{
    // Escape presses Cancel, so it goes through Cancel's handler.
    if (event->matches(QKeySequence::Cancel)) {
        cmd_cancel->click();
        return;
    }
    // Enter in the folder list opens the folder; it must not also press OK.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        focusWidget() == Dir1) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
