#include "frmAbout.h"

#include "Design.h"
#include "FlashwrightVersion.h"
#include "mod_MsgBoxEx.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int ClientWidth = 5730;
constexpr int ClientHeight = 2730;
} // namespace

// The resources live in a static library: they are registered on first use.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

QPixmap programLogo()
{
    static const bool registered = (registerResources(), true);
    Q_UNUSED(registered)
    return QPixmap(QStringLiteral(":/flashwright/logo.png"));
}

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Firmware Tool"));
    setModal(true);
    setFixedSize(px(this, ClientWidth), px(this, ClientHeight));

    setFont(designFont());
    cmdOK = new QPushButton(tr("OK"), this);
    place(cmdOK, "cmdOK", 2280, 2280, 1260, 345, Fit::FitCaption);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);

    picIcon = new QLabel(this);
    const QPixmap logo = programLogo();
    picIcon->setPixmap(logo);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(px(this, 120), px(this, 120), logo.width(),
                         logo.height()); // sized to its image

    const QPalette black = [this] {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, Qt::black);
        return p;
    }();
    lblDescription = new QLabel(this);
    place(lblDescription, "lblDescription", 1560, 840, 3885, 1170);
    lblDescription->setPalette(black);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblTitle = new QLabel(this);
    place(lblTitle, "lblTitle", 1560, 120, 3885, 240);
    lblTitle->setPalette(black);

    lblVersion = new QLabel(this);
    place(lblVersion, "lblVersion", 2160, 480, 2925, 225);

    // Escape closes the dialog through reject(); OK is the default button.
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Form_Load();
}

void frmAbout::Form_Load()
{
    const QString title = QString::fromLatin1(FlashwrightVersion::Title);
    setWindowTitle(tr("About %1").arg(title));
    lblVersion->setText(tr("Version %1.%2.%3")
                            .arg(FlashwrightVersion::Major)
                            .arg(FlashwrightVersion::Minor)
                            .arg(FlashwrightVersion::Revision));
    lblTitle->setText(title);
    lblDescription->setText(tr("Programming tool for the VQ series units"));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The etched separator above the OK button.
    QPainter painter(this);
    const int y = px(this, 2160);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(px(this, 90), y, px(this, 5654), y);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(px(this, 105), y + 1, px(this, 5654), y + 1);
}
