#include "CommandLine.h"

#include "CliOptions.h"
#include "ConsoleOutput.h"
#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "PortList.h"
#include "UnitCommand.h"
#include "UnitProcesses.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

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

    ConsoleOutput output(ConsoleOutput::modeFor(options.json));
    if (options.command == CliOptions::Command::Ports)
        return listPorts(output);

    // As the window starts: the error log first, then the settings.
    ErrorCtl().starterrorhandler(errorLogTarget(), 2);
    releaseErrorCtl();
    LoadSettings();

    if (options.units.size() > 1)
        return UnitProcesses(options, output).run();
    if (!options.units.isEmpty())
        useTarget(options.units.first(), options);
    else if (options.serialParameters && programSettings().CommsType != 1)
        return usageError(QStringLiteral("--serial applies to serial ports, and the stored link "
                                         "is Ethernet; give --port too"));
    else
        useTarget(UnitTarget(), options);
    return runUnitCommand(options, output);
}
