#include "FlashwrightVersion.h"
#include "MessageBox.h"
#include "ScalerSettings.h"
#include "Trap.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before anything looks for a display, so that scripts and
    // package checks can ask on a machine without one.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", FlashwrightVersion::Title, FlashwrightVersion::Text);
        return 0;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display the platform plugin would abort; say why instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(
            "flashwright: no display is available (DISPLAY and WAYLAND_DISPLAY are not set); "
            "start it from a desktop session\n",
            stderr);
        return 2;
    }
#endif
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Flashwright"));
    app.setOrganizationName(SettingsStoreName::Organization);
    app.setApplicationVersion(QString::fromLatin1(FlashwrightVersion::Text));

    // Every message of the program is a message box a person answers.
    MessageBoxAnswerer box;
    setMessageAnswerer(&box);
    const ProgramPaths paths = ProgramPaths::forProgramIn(QCoreApplication::applicationDirPath());
    frm_programme window(paths);
    // Start-up traps nothing of its own; a failure is still reported, not a crash.
    Trap trap(QStringLiteral("mod_programmer_main"), QStringLiteral("Main"));
    trap([&] { Main(window, paths); });
    return app.exec();
}
