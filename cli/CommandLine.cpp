#include "CommandLine.h"

#include "CliOptions.h"
#include "ConsoleOutput.h"
#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "PortList.h"
#include "ProgramPaths.h"
#include "RecordList.h"
#include "Translations.h"
#include "UnitCommand.h"
#include "UnitProcesses.h"
#include "mod_Scaler_INI.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
int usageError(const QString &text)
{
    std::fprintf(stderr,
                 "flashwright-cli: %s\nTry 'flashwright-cli --help' for the commands, options "
                 "and exit codes.\n",
                 qPrintable(text));
    return ExitCode::Usage;
}
} // namespace

int flashwrightCli(const QStringList &arguments)
{
    CliOptions options;
    QString error;
    switch (parseCliOptions(arguments, options, error)) {
    case ParseOutcome::Help:
        std::fputs(qPrintable(cliHelpText()), stdout);
        return ExitCode::Success;
    case ParseOutcome::Version:
        std::printf("flashwright-cli %s\n", FlashwrightVersion::Text);
        return ExitCode::Success;
    case ParseOutcome::Error:
        return usageError(error);
    case ParseOutcome::Run:
        break;
    }

    // A person reads the language of the run; scripts read the JSON, the logs
    // and the exit codes, which stay English.
    bool known = true;
    const QLocale locale = runLocale(options.language.value_or(QString()), &known);
    if (!known)
        return usageError(QStringLiteral("--lang wants a language such as de, fr or es, not \"%1\"")
                              .arg(*options.language));
    const QString languageNote = installTranslations(*QCoreApplication::instance(), locale,
                                                     options.language.has_value(), false);

    ConsoleOutput output(ConsoleOutput::modeFor(options.json));
    if (!languageNote.isEmpty())
        output.note(QString(), languageNote);
    const ProgramPaths paths = ProgramPaths::forProgramIn(QCoreApplication::applicationDirPath());
    if (options.command == CliOptions::Command::Ports)
        return listPorts(output, LoadSettings(paths.firmwareFolder).Ports);

    const QString unitLog = options.record.value_or(paths.unitLog);
    if (options.command == CliOptions::Command::Records)
        return listRecords(output, unitLog, options.unitFilter, options.resultFilter);

    // As the window starts: the error log first, then the settings.
    ErrorCtl().starterrorhandler(paths.errorLog, 2);
    releaseErrorCtl();
    const ScalerSettings stored = LoadSettings(paths.firmwareFolder);

    if (const QString twice = sameUnitTwice(options.units, stored.Ports); !twice.isEmpty())
        return usageError(twice);
    if (options.units.size() > 1)
        return UnitProcesses(options, output).run();
    if (options.units.isEmpty() && options.serialParameters && stored.CommsType != 1)
        return usageError(QStringLiteral("--serial applies to serial ports, and the stored link "
                                         "is Ethernet; give --port too"));
    return runUnitCommand(options,
                          settingsFor(options.units.value(0, UnitTarget()), options, stored),
                          unitLog, output);
}
