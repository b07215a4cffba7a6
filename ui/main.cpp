#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "MessageBox.h"
#include "ScalerSettings.h"
#include "Translations.h"
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

    // The language of the system's locale, or the one the environment
    // chooses for this run; the settings store keeps none.
    const QString chosen = qEnvironmentVariable("FLASHWRIGHT_LANG");
    bool known = true;
    const QLocale locale = runLocale(chosen, &known);
    const QString languageNote =
        known ? installTranslations(app, locale, !chosen.isEmpty(), true)
              : QStringLiteral("Language: FLASHWRIGHT_LANG=\"%1\" names no language; English is "
                               "used")
                    .arg(chosen);

    // Every message of the program is a message box a person answers.
    MessageBoxAnswerer box;
    setMessageAnswerer(&box);
    const ProgramPaths paths = ProgramPaths::forProgramIn(QCoreApplication::applicationDirPath());
    frm_programme window(paths);
    // Start-up traps nothing of its own; a failure is still reported, not a crash.
    Trap trap(QStringLiteral("mod_programmer_main"), QStringLiteral("Main"));
    trap([&] { Main(window, paths); });
    if (!languageNote.isEmpty())
        ErrorCtl().Adddebug(languageNote);
    return app.exec();
}
