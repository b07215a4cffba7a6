#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class ProgrammerWindow;

// Lets the user pick the folder that holds the firmware (".vq") files.
// Modal; it starts at the firmware path given (the program's folder when it
// is empty), and OK makes the folder being looked at the firmware path,
// Cancel and Escape leave it alone. Saving the setting is the caller's job.
class frm_pathselect : public QDialog
{
    Q_OBJECT

public:
    // Its messages are shown over owner.
    frm_pathselect(const QString &firmwarePath, const QString &programFolder,
                   const ProgrammerWindow *owner, QWidget *parent = nullptr);

    // The firmware path: as given, or the folder chosen with OK.
    QString FirmwarePath() const { return m_firmwarePath; }

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void cmd_programme_prog_Click();
    void cmd_cancel_Click();

    // The folder list's current folder (absolute, '/' separators).
    QString Dir1Path() const { return m_dir1Path; }
    // Throws RunError when the path does not exist or names a file.
    void setDir1Path(const QString &path);
    // Selects a drive by its name ("C:", or a volume's root path where there
    // are no drive letters). Throws RunError when there is no such drive.
    void setDrive1(const QString &drive);
    // The file list's current file name, empty when the folder has no ".vq" file.
    QString File1FileName() const;

    // The drive that holds a path, named as the drive list names it.
    QString driveOf(const QString &path) const;

    QComboBox *Drive1;
    QListWidget *File1;
    QListWidget *Dir1;
    QPushButton *cmd_programme_prog;
    QPushButton *cmd_cancel;
    QLabel *Label1;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createLabel();
    void startAtProgramFolder();
    void fillDrives();
    void fillDir1();
    QString driveFolder() const;
    void setFile1Path(const QString &path);
    void enterFolder(QListWidgetItem *item);

    QString m_dir1Path;
    QString m_firmwarePath;
    const QString m_programFolder;
    const ProgrammerWindow *m_owner;
};
