#include "UnitCommand.h"

#include "ConsoleWindow.h"
#include "ErrorLog.h"
#include "Interrupt.h"
#include "LinkInstances.h"
#include "ProcessEnd.h"
#include "SerialLine.h"
#include "TerminalAnswerer.h"
#include "Trap.h"
#include "UnitResult.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {
const QString kModule = QStringLiteral("flashwright-cli");
const QString kVersionStatus = QStringLiteral("Unit software version = ");

QString endingReason(CycleEnding ending, const QString &folder, int blocksSent)
{
    switch (ending) {
    case CycleEnding::Complete:
        return QString();
    case CycleEnding::NoFolder:
        return QStringLiteral("no firmware folder is set: give --folder DIR, or choose one in the "
                              "window (File > Firmware file path)");
    case CycleEnding::NoIdentification:
        return QStringLiteral("the unit sent no identification");
    case CycleEnding::NoFile:
        return QStringLiteral("no firmware file named after the unit's identification in %1")
            .arg(QDir::toNativeSeparators(folder));
    case CycleEnding::NoReady:
        return QStringLiteral("the unit did not answer \"U\" with \"S\"");
    case CycleEnding::NoStart:
        return QStringLiteral("the unit did not answer \"Y\" with \"A\"");
    case CycleEnding::BlockRefused:
        return QStringLiteral("the unit did not accept block %1").arg(blocksSent - 1);
    case CycleEnding::NotComplete:
        return QStringLiteral("the unit did not confirm the whole image: its last answer was "
                              "not \"E\"");
    case CycleEnding::Aborted:
        return QStringLiteral("aborted; power-cycle the unit before it is programmed again");
    case CycleEnding::FileUnreadable:
        return QStringLiteral("the firmware file could not be read whole; the error log says why");
    }
    return QString();
}

void identify(UnitResult &result, Trap &trap)
{
    QByteArray reply;
    bool identified = false;
    trap([&] { identified = Firmware_GetIdent(reply); });
    if (identified) {
        result.ending = endingName(CycleEnding::Complete);
        result.identification = QString::fromLatin1(reply);
        return;
    }
    result.exitCode = ExitCode::NoAnswer;
    result.ending = QStringLiteral("NoIdentification");
    result.reason = QStringLiteral("the unit sent no identification");
}

void readVersion(UnitResult &result, Trap &trap, const ConsoleWindow &window)
{
    QByteArray reply;
    trap([&] { Firmware_GetVersion(reply); });
    bool ok = false;
    const quint32 version = window.status().startsWith(kVersionStatus)
                                ? window.status().mid(kVersionStatus.size()).toUInt(&ok)
                                : 0;
    if (ok) {
        result.ending = endingName(CycleEnding::Complete);
        result.version = version;
        return;
    }
    result.exitCode = ExitCode::NoAnswer;
    result.ending = QStringLiteral("NoAnswer");
    result.reason = QStringLiteral("the unit did not answer the version query");
}

void programme(UnitResult &result, Trap &trap, const ConsoleWindow &window, const QString &folder)
{
    trap([&] { Firmware_Programme(folder); });
    result.bytes = window.bytesSent();
    if (!window.ending()) {
        result.exitCode = ExitCode::OtherFailure;
        result.ending = QStringLiteral("Failed");
        result.reason = QStringLiteral("the programming cycle did not end; the error log says why");
        return;
    }
    result.exitCode = exitCodeFor(*window.ending());
    result.ending = endingName(*window.ending());
    result.reason = endingReason(*window.ending(), folder, window.blocksSent());
}
} // namespace

void useTarget(const UnitTarget &target, const CliOptions &options)
{
    ScalerSettings &s = programSettings();
    switch (target.kind) {
    case UnitTarget::Kind::Serial:
        s.CommsType = 1;
        s.SerialPort = target.port;
        break;
    case UnitTarget::Kind::Tcp:
        s.CommsType = 0;
        s.EthernetAddress = target.host;
        s.EthernetPort = QString::number(target.tcpPort);
        break;
    case UnitTarget::Kind::Stored:
        break;
    }
    if (options.serialParameters && s.CommsType == 1)
        s.SerialParameters = *options.serialParameters;
}

QString unitLabel(const ScalerSettings &settings)
{
    if (settings.CommsType == 1)
        return settings.SerialPort;
    const QString host = settings.EthernetAddress.trimmed();
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + settings.EthernetPort.trimmed();
}

QString linkProblem(const ScalerSettings &s)
{
    const QString logged = QStringLiteral("; the error log %1 says why")
                               .arg(QDir::toNativeSeparators(ErrorLog::target()));
    if (s.CommsType != 1)
        return QStringLiteral("%1 could not be reached%2").arg(unitLabel(s), logged);
    QString why;
    const QString device = serialDeviceFor(s.SerialPort, &why);
    if (device.isEmpty())
        return why;
    if (!parseSerialParameters(s.SerialParameters, &why))
        return QStringLiteral("the serial parameters \"%1\" cannot be used: %2")
            .arg(s.SerialParameters, why);
    if (!QFileInfo::exists(device))
        return QStringLiteral("%1 stands for %2, and there is no such device")
            .arg(s.SerialPort, device);
    const QString permission = serialPermissionProblem(device);
    if (!permission.isEmpty())
        return permission;
    return QStringLiteral("%1 (%2) could not be opened%3").arg(s.SerialPort, device, logged);
}

int exitCodeFor(CycleEnding ending)
{
    switch (ending) {
    case CycleEnding::Complete:
        return ExitCode::Success;
    case CycleEnding::NoIdentification:
    case CycleEnding::NoReady:
    case CycleEnding::NoStart:
        return ExitCode::NoAnswer;
    case CycleEnding::NoFolder:
    case CycleEnding::NoFile:
    case CycleEnding::FileUnreadable:
        return ExitCode::NoFirmwareFile;
    case CycleEnding::BlockRefused:
        return ExitCode::BlockRefused;
    case CycleEnding::Aborted:
        return ExitCode::Aborted;
    case CycleEnding::NotComplete:
        break;
    }
    return ExitCode::OtherFailure;
}

QString endingName(CycleEnding ending)
{
    switch (ending) {
    case CycleEnding::Complete:
        return QStringLiteral("Complete");
    case CycleEnding::NoFolder:
        return QStringLiteral("NoFolder");
    case CycleEnding::NoIdentification:
        return QStringLiteral("NoIdentification");
    case CycleEnding::NoFile:
        return QStringLiteral("NoFile");
    case CycleEnding::NoReady:
        return QStringLiteral("NoReady");
    case CycleEnding::NoStart:
        return QStringLiteral("NoStart");
    case CycleEnding::BlockRefused:
        return QStringLiteral("BlockRefused");
    case CycleEnding::NotComplete:
        return QStringLiteral("NotComplete");
    case CycleEnding::Aborted:
        return QStringLiteral("Aborted");
    case CycleEnding::FileUnreadable:
        return QStringLiteral("FileUnreadable");
    }
    return QString();
}

int runUnitCommand(const CliOptions &options, ConsoleOutput &output)
{
    const ScalerSettings &settings = programSettings();
    UnitResult result;
    result.unit = unitLabel(settings);
    result.command = options.commandName();
    const bool program = options.command == CliOptions::Command::Program;

    const bool ask = !options.yes && TerminalAnswerer::terminalInput();
    ConsoleWindow window(output, result.unit, ask);
    setMainWindow(&window);
    TerminalAnswerer answerer(output, result.unit, ask);
    Interrupt::install(program ? Interrupt::Mode::AbortFirst : Interrupt::Mode::EndAtOnce);
    // Error control ends the program at once on its fatal errors: with a result all the same.
    setProgramEndHandler([&](int) {
        result.exitCode = ExitCode::OtherFailure;
        result.ending = QStringLiteral("Failed");
        result.reason = QStringLiteral("a fatal error ended the program; the error log says which");
        result.log();
        output.result(result);
        std::fflush(nullptr);
        std::_Exit(result.exitCode);
    });

    QElapsedTimer timer;
    timer.start();
    Trap trap(kModule, result.command);
    if (program)
        trap([] { AbortFlag = VFalse; });
    bool opened = false;
    trap([&] { opened = OpenScalerLink(); });
    if (!opened) {
        result.exitCode = ExitCode::LinkNotOpened;
        result.ending = QStringLiteral("LinkNotOpened");
        result.reason = linkProblem(settings);
    } else if (options.command == CliOptions::Command::Ident) {
        identify(result, trap);
    } else if (options.command == CliOptions::Command::Version) {
        readVersion(result, trap, window);
    } else {
        programme(result, trap, window, options.folder.value_or(settings.FirmwarePath));
    }
    trap([] { scalerLink().CloseChannel(); });
    result.seconds = timer.nsecsElapsed() / 1e9;

    if (!result.ok())
        result.log();
    output.result(result);
    setProgramEndHandler({});
    setMainWindow(nullptr);
    return result.exitCode;
}
