#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's logo, title, version and description.
// Modal; OK, Enter and Escape close it.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    void Form_Load();
    void cmdOK_Click();

    QPushButton *cmdOK;
    QLabel *picIcon;
    QLabel *lblDescription;
    QLabel *lblTitle;
    QLabel *lblVersion;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The program's own logo, also its window icon.
QPixmap programLogo();
