#pragma once

#include "SerialLine.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The communication settings: serial or Ethernet, the port and line speed,
// or the unit's address and port. Modeless; OK reopens the link and saves.
class frm_Commsettings : public QDialog
{
    Q_OBJECT

public:
    explicit frm_Commsettings(QWidget *parent = nullptr);

    void Form_Load();
    void opt_ethser_Click(int index);
    void okbutton_Click();
    void cmd_cancel_Click();

    // While a command talks to the unit, OK would reopen the link under it:
    // it is then disabled, and its tooltip says why.
    void setApplyAllowed(bool allowed);

    QLabel *Label1;
    std::array<QRadioButton *, 2> opt_ethser; // 0 Ethernet, 1 Serial
    QGroupBox *fra_comport;
    std::array<QRadioButton *, 11> ComPort{}; // indices 1 to 10
    QGroupBox *Frame6;
    QRadioButton *baud576;
    QRadioButton *baud115;
    QGroupBox *fra_ethernet;
    QLineEdit *txt_ethaddress;
    QLineEdit *txt_ethport;
    QPushButton *cmd_cancel;
    QPushButton *okbutton;

    // Outside the visible area; they still take part in loading and OK.
    QGroupBox *Frame1;
    QRadioButton *baud24;
    QRadioButton *baud48;
    QRadioButton *baud96;
    QRadioButton *baud192;
    QGroupBox *Frame4;
    QRadioButton *NoParity;
    QRadioButton *OddParity;
    QRadioButton *EvenParity;
    QGroupBox *Frame2;
    QRadioButton *Data7;
    QRadioButton *Data8;
    QGroupBox *Frame3;
    QRadioButton *Stop1;
    QRadioButton *Stop2;
    QGroupBox *Frame5;
    QRadioButton *NoFlow;
    QRadioButton *XonFlow;
    QRadioButton *RTSFlow;
    QRadioButton *BothFlow;

private:
    QRadioButton *radio(QWidget *parent, const QString &caption, const char *name, int left,
                        int top, int width, int height);
    QGroupBox *frame(const QString &caption, const char *name, int left, int top, int width,
                     int height);
    void createSerialFrame();
    void createEthernetFrame();
    void createHiddenFrames();
};
