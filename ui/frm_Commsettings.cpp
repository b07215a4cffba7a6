#include "frm_Commsettings.h"

#include "Design.h"
#include "RunError.h"
#include "SerialLine.h"
#include "TextRules.h"
#include "Trap.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString kModule = QStringLiteral("frm_commsettings");

// A field taken as a whole number; text that is none is a type mismatch.
qint32 wholeNumberOf(const QString &field)
{
    const std::optional<qint64> n = wholeNumber(field, INT32_MIN, INT32_MAX);
    if (!n)
        throw RunError(RunError::TypeMismatch,
                       QStringLiteral("\"%1\" is not a whole number").arg(field));
    return static_cast<qint32>(*n);
}
// Chooses the button that stands for value, or none when no button does.
template <typename Value>
void chooseAmong(std::initializer_list<std::pair<Value, QRadioButton *>> buttons,
                 const Value &value)
{
    for (const auto &[standsFor, button] : buttons) {
        if (standsFor == value) {
            button->setChecked(true);
            return;
        }
    }
}
} // namespace

frm_Commsettings::frm_Commsettings(const ScalerSettings &settings, CommsSettingsOwner &owner,
                                   QWidget *parent)
    : QDialog(parent), m_settings(settings), m_owner(owner)
{
    setObjectName(QStringLiteral("frm_Commsettings"));
    setWindowTitle(tr("Communication Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(px(this, 3675), px(this, 3540));
    setFont(designFont());

    Label1 = new QLabel(tr("Please Select the communications type :"), this);
    place(Label1, "Label1", 120, 0, 2865, 195, Fit::FitCaption);
    opt_ethser[0] = radio(this, tr("Ethernet"), "opt_ethser0", 1043, 263, 975, 255);
    opt_ethser[1] = radio(this, tr("Serial"), "opt_ethser1", 2003, 263, 975, 255);
    createSerialFrame();
    createEthernetFrame();
    cmd_cancel = new QPushButton(tr("&Cancel"), this);
    place(cmd_cancel, "cmd_cancel", 443, 2903, 1335, 375, Fit::FitCaption);
    okbutton = new QPushButton(tr("&OK"), this);
    place(okbutton, "okbutton", 2003, 2903, 1335, 375, Fit::FitCaption);
    createHiddenFrames();
    fitCaptions();

    setTabOrder(opt_ethser[0], opt_ethser[1]);
    // A button group each: without one, Qt counts every radio button below a
    // button's parent, frames included, as its group, and Tab passed over
    // the ports and speeds.
    const auto group = [this](const QList<QRadioButton *> &buttons) {
        auto *g = new QButtonGroup(this);
        for (QRadioButton *b : buttons)
            g->addButton(b);
    };
    group({opt_ethser[0], opt_ethser[1]});
    group(QList<QRadioButton *>(ComPort.begin() + 1, ComPort.end()));
    group({baud576, baud115});
    connect(opt_ethser[0], &QRadioButton::clicked, this, [this] { opt_ethser_Click(0); });
    connect(opt_ethser[1], &QRadioButton::clicked, this, [this] { opt_ethser_Click(1); });
    connect(okbutton, &QPushButton::clicked, this, &frm_Commsettings::okbutton_Click);
    connect(cmd_cancel, &QPushButton::clicked, this, &frm_Commsettings::cmd_cancel_Click);
    okbutton->setDefault(true);

    Form_Load();
}

QRadioButton *frm_Commsettings::radio(QWidget *parent, const QString &caption, const char *name,
                                      int left, int top, int width, int height)
{
    auto *b = new QRadioButton(caption, parent);
    place(b, name, left, top, width, height, Fit::FitCaption);
    return b;
}

QGroupBox *frm_Commsettings::frame(const QString &caption, const char *name, int left, int top,
                                   int width, int height)
{
    auto *f = new QGroupBox(caption, this);
    place(f, name, left, top, width, height, Fit::FitCaption);
    return f;
}

void frm_Commsettings::createSerialFrame()
{
    fra_comport = frame(tr("&Com Port"), "fra_comport", 480, 600, 2715, 2055);
    for (int n = 1; n <= 10; ++n) {
        const int left = n <= 5 ? 240 : 1320;
        const int top = 240 + 240 * (n <= 5 ? n - 1 : n - 6);
        ComPort[n] = radio(fra_comport, tr("Com%1").arg(n),
                           qPrintable(QStringLiteral("ComPort%1").arg(n)), left, top, 852, 252);
        // Which device the port stands for on this machine.
        QString why;
        const QString device = serialDeviceFor(comPortName(n), m_settings.Ports, &why);
        ComPort[n]->setToolTip(device.isEmpty() ? why : device);
    }
    Frame6 = new QGroupBox(tr("Baud"), fra_comport);
    place(Frame6, "Frame6", 25, 1440, 2660, 615, Fit::FitCaption);
    baud576 = radio(Frame6, QStringLiteral("57600"), "baud576", 120, 240, 855, 255);
    baud115 = radio(Frame6, QStringLiteral("115200"), "baud115", 1080, 240, 975, 255);
}

void frm_Commsettings::createEthernetFrame()
{
    fra_ethernet = frame(tr("&Ethernet"), "fra_ethernet", 480, 600, 2715, 2055);
    txt_ethaddress = new QLineEdit(QStringLiteral("10.1.2.123"), fra_ethernet);
    place(txt_ethaddress, "txt_ethaddress", 360, 240, 2055, 375, Fit::FitCaption);
    txt_ethport = new QLineEdit(QStringLiteral("10001"), fra_ethernet);
    place(txt_ethport, "txt_ethport", 360, 840, 2055, 375, Fit::FitCaption);
    txt_ethaddress->setAccessibleName(tr("Unit's IP address"));
    txt_ethport->setAccessibleName(tr("Unit's TCP port"));
}

void frm_Commsettings::createHiddenFrames()
{
    Frame1 = frame(tr("&Baud Rate"), "Frame1", 6840, 0, 1500, 1300);
    baud24 = radio(Frame1, QStringLiteral("2400"), "baud24", 120, 240, 1200, 240);
    baud48 = radio(Frame1, QStringLiteral("4800"), "baud48", 120, 480, 1200, 240);
    baud96 = radio(Frame1, QStringLiteral("9600"), "baud96", 120, 720, 1200, 240);
    baud192 = radio(Frame1, QStringLiteral("19200"), "baud192", 120, 960, 1200, 240);
    Frame4 = frame(tr("&Parity"), "Frame4", 8460, 0, 1500, 1100);
    NoParity = radio(Frame4, tr("&None"), "NoParity", 120, 240, 1200, 240);
    OddParity = radio(Frame4, tr("&Odd"), "OddParity", 120, 480, 1200, 240);
    EvenParity = radio(Frame4, tr("&Even"), "EvenParity", 120, 720, 1200, 240);
    Frame2 = frame(tr("&Data Bits"), "Frame2", 6840, 1400, 1500, 800);
    Data7 = radio(Frame2, QStringLiteral("7"), "Data7", 120, 240, 1200, 240);
    Data8 = radio(Frame2, QStringLiteral("8"), "Data8", 120, 480, 1200, 240);
    Frame3 = frame(tr("&Stop Bits"), "Frame3", 8460, 1400, 1500, 800);
    Stop1 = radio(Frame3, QStringLiteral("1"), "Stop1", 120, 240, 1200, 240);
    Stop2 = radio(Frame3, QStringLiteral("2"), "Stop2", 120, 480, 1200, 240);
    Frame5 = frame(tr("&Flow Control"), "Frame5", 10080, 0, 1500, 1300);
    NoFlow = radio(Frame5, tr("None"), "NoFlow", 120, 240, 1200, 240);
    XonFlow = radio(Frame5, tr("Xon/Xoff"), "XonFlow", 120, 480, 1200, 240);
    RTSFlow = radio(Frame5, tr("RTS"), "RTSFlow", 120, 720, 1200, 240);
    BothFlow = radio(Frame5, tr("Xon/RTS"), "BothFlow", 120, 960, 1200, 240);
    // Never seen, so never reached with the keyboard either.
    for (const QWidget *f : hiddenFrames())
        for (QRadioButton *b : f->findChildren<QRadioButton *>())
            b->setFocusPolicy(Qt::NoFocus);
}

QList<QWidget *> frm_Commsettings::hiddenFrames() const
{
    return {Frame1, Frame2, Frame3, Frame4, Frame5};
}

void frm_Commsettings::fitCaptions()
{
    // Captions in another language, or in a wider font, may need more room
    // than the design gave: what they push aside moves, and the frames and
    // the dialog grow with them.
    const int gap = px(this, 60);
    const int inset = px(this, 30); // of Baud in its frame
    keepRightOf(opt_ethser[1], opt_ethser[0], gap);
    for (int n = 6; n <= 10; ++n)
        for (int left = 1; left <= 5; ++left)
            keepRightOf(ComPort[n], ComPort[left], gap);
    keepRightOf(baud115, baud576, gap);
    Frame6->resize(sizeToHold(Frame6, inset));
    const QSize frames = sizeToHold(fra_comport, inset).expandedTo(sizeToHold(fra_ethernet, inset));
    fra_comport->resize(frames);
    fra_ethernet->resize(frames);
    keepRightOf(okbutton, cmd_cancel, gap);
    const int designWidth = width();
    setFixedSize(sizeToHold(this, px(this, 120), hiddenFrames()));
    // The hidden frames stay outside, however wide the dialog became.
    for (QWidget *f : hiddenFrames())
        f->move(f->x() + width() - designWidth, f->y());
}

void frm_Commsettings::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"), Trap::StopWhenDeclined);
    CommsWorkingValues &w = m_owner.commsWorkingValues();
    if (!trap([&] { ParseCommsSettings(m_settings.SerialPort, m_settings.SerialParameters, w); }))
        return;
    if (!trap([&] {
            const bool serial = m_settings.CommsType == 1;
            opt_ethser[serial ? 1 : 0]->setChecked(true);
            fra_comport->setVisible(serial);
            fra_ethernet->setVisible(!serial);
        }))
        return;
    if (!trap([&] {
            const qint32 n = wholeNumberOf(w.portNumber);
            if (n < 1 || n > 10)
                throw RunError(RunError::SubscriptOutOfRange,
                               QStringLiteral("There is no port button %1").arg(n));
            ComPort[n]->setChecked(true);
        }))
        return;
    if (!trap([&] {
            chooseAmong<qint32>({{2400, baud24},
                                 {4800, baud48},
                                 {9600, baud96},
                                 {19200, baud192},
                                 {57600, baud576},
                                 {115200, baud115}},
                                wholeNumberOf(w.baudRate));
        }))
        return;
    if (!trap([&] {
            chooseAmong<QString>({{QStringLiteral("N"), NoParity},
                                  {QStringLiteral("E"), EvenParity},
                                  {QStringLiteral("O"), OddParity}},
                                 w.parity.toUpper());
        }))
        return;
    if (!trap([&] { chooseAmong<qint32>({{7, Data7}, {8, Data8}}, wholeNumberOf(w.dataBits)); }))
        return;
    trap([&] { chooseAmong<qint32>({{1, Stop1}, {2, Stop2}}, wholeNumberOf(w.stopBits)); });
}

void frm_Commsettings::opt_ethser_Click(int index)
{
    fra_comport->setVisible(index == 1);
    fra_ethernet->setVisible(index != 1);
}

void frm_Commsettings::setApplyAllowed(bool allowed)
{
    okbutton->setEnabled(allowed);
    okbutton->setToolTip(allowed ? QString()
                                 : tr("Not available while the program is talking to the unit; "
                                      "try again when it has finished"));
}

void frm_Commsettings::okbutton_Click()
{
    // Never under a running command, however the click arrives.
    if (!okbutton->isEnabled())
        return;
    Trap trap(kModule, QStringLiteral("OkButton_Click"), Trap::StopWhenDeclined);
    CommsWorkingValues &w = m_owner.commsWorkingValues();
    ScalerSettings &s = m_settings;
    // The hidden speeds are looked at first; 4800 is never read, so a stored
    // 4800 stays as it was unless another speed is chosen.
    const std::array<std::pair<QRadioButton *, const char *>, 5> speeds{{{baud24, "2400"},
                                                                         {baud96, "9600"},
                                                                         {baud192, "19200"},
                                                                         {baud576, "57600"},
                                                                         {baud115, "115200"}}};
    for (const auto &[button, text] : speeds) {
        if (button->isChecked()) {
            w.baudRate = QString::fromLatin1(text);
            break;
        }
    }
    if (NoParity->isChecked())
        w.parity = QStringLiteral("N");
    else if (EvenParity->isChecked())
        w.parity = QStringLiteral("E");
    else if (OddParity->isChecked())
        w.parity = QStringLiteral("O");
    if (Data7->isChecked())
        w.dataBits = QStringLiteral("7");
    else if (Data8->isChecked())
        w.dataBits = QStringLiteral("8");
    if (Stop1->isChecked())
        w.stopBits = QStringLiteral("1");
    else if (Stop2->isChecked())
        w.stopBits = QStringLiteral("2");
    for (int n = 1; n <= 10; ++n) {
        if (ComPort[n]->isChecked()) {
            w.portNumber = QString::number(n);
            break;
        }
    }
    if (!trap([&] { m_owner.closeLink(); }))
        return;
    s.CommsType = opt_ethser[1]->isChecked() ? 1 : 0;
    s.SerialParameters = w.baudRate + QLatin1Char(',') + w.parity + QLatin1Char(',') + w.dataBits +
                         QLatin1Char(',') + w.stopBits;
    s.SerialPort = comPortName(w.portNumber);
    s.EthernetAddress = txt_ethaddress->text();
    s.EthernetPort = txt_ethport->text();
    if (!trap([&] { m_owner.applySettings(s); }))
        return;
    if (!trap([&] { m_owner.saveSettings(); }))
        return;
    close();
}

void frm_Commsettings::cmd_cancel_Click()
{
    close();
}
