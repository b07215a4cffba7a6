#pragma once

#include "ScalerSettings.h"
#include "SerialLine.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// What the communication settings' OK needs of the window it belongs to.
class CommsSettingsOwner
{
public:
    virtual ~CommsSettingsOwner() = default;
    virtual void closeLink() = 0;
    // Takes settings as the window's own, and reopens the link on them.
    virtual void applySettings(const ScalerSettings &settings) = 0;
    // Writes the window's settings to the store.
    virtual void saveSettings() = 0;
    // The dialog's working values: they live as long as the window, and
    // each load of the dialog fills them again from the settings.
    virtual CommsWorkingValues &commsWorkingValues() = 0;
};

// The communication settings: serial or Ethernet, the port and line speed,
// or the unit's address and port. Modeless; it works on a copy of the
// window's settings, and OK hands it back, reopens the link and saves.
class frm_Commsettings : public QDialog
{
    Q_OBJECT

public:
    frm_Commsettings(const ScalerSettings &settings, CommsSettingsOwner &owner,
                     QWidget *parent = nullptr);

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
    QList<QWidget *> hiddenFrames() const;
    void fitCaptions();

    ScalerSettings m_settings;
    CommsSettingsOwner &m_owner;
};
