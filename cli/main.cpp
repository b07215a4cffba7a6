#include "CommandLine.h"
#include "FlashwrightVersion.h"
#include "ScalerSettings.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's names: the same settings store and the same error log.
    app.setApplicationName(QStringLiteral("Flashwright"));
    app.setOrganizationName(SettingsStoreName::Organization);
    app.setApplicationVersion(QString::fromLatin1(FlashwrightVersion::Text));
    return flashwrightCli(app.arguments());
}
