#include "UnitCommand.h"

#include "CancelToken.h"
#include "ConsoleObserver.h"
#include "ErrorLog.h"
#include "Interrupt.h"
#include "ProcessEnd.h"
#include "ScalerLink.h"
#include "SerialLine.h"
#include "TerminalAnswerer.h"
#include "UnitResult.h"
#include "mod_Scaler_Firmware.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>

namespace {
QString lowerFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

QString noIdentificationLine(const CycleResult &r)
{
    return r.identificationLine ? QString()
                                : QStringLiteral("the unit sent no identification line; check "
                                                 "the port and its speed");
}

void identify(UnitResult &result, UnitSession &session)
{
    const IdentResult r = session.identify();
    if (r.identified) {
        result.ending = endingId(CycleEnding::Complete);
        result.identification = QString::fromLatin1(r.identification);
        return;
    }
    result.exitCode = ExitCode::NoAnswer;
    result.ending = QStringLiteral("NoIdentification");
    result.reason = QStringLiteral("the unit sent no identification line; check the port and "
                                   "its speed");
}

void readVersion(UnitResult &result, UnitSession &session)
{
    const VersionResult r = session.version();
    if (r.version) {
        result.ending = endingId(CycleEnding::Complete);
        result.version = r.version;
        return;
    }
    result.exitCode = ExitCode::NoAnswer;
    result.ending = QStringLiteral("NoAnswer");
    result.reason = QStringLiteral("the unit did not answer the version query");
}

void programme(UnitResult &result, UnitSession &session, const QString &folder)
{
    const CycleResult r = session.programme(folder);
    result.exitCode = exitCodeFor(r.ending);
    result.ending = endingId(r.ending);
    result.reason = endingReason(r, folder);
    result.bytes = qint64(r.blocksSent) * ScalerProtocol::BlockSize;
    result.blocksSent = r.blocksSent;
    result.blocksTotal = r.blocksTotal;
    if (!r.firmwareFile.isEmpty())
        result.firmwareFile =
            QDir::toNativeSeparators(QFileInfo(r.firmwareFile).absoluteFilePath());
    result.error = r.error;
    result.errorText = r.errorText;
}

// The result line, and a note, written should a second signal end the
// program at once.
void prepareLastWords(const UnitResult &started, ConsoleOutput::Mode mode, bool program)
{
    UnitResult r = started;
    r.exitCode = ExitCode::Aborted;
    r.ending = QStringLiteral("Interrupted");
    r.reason = program ? QStringLiteral("ended at once by a second interrupt; a unit left in "
                                        "the middle of an upload must be power-cycled")
                       : QStringLiteral("interrupted");
    const QByteArray note = "\nflashwright-cli: " + r.reason.toLocal8Bit() + '\n';
    if (mode == ConsoleOutput::Mode::Json) {
        // "bytes" sorts first: the number the handler writes goes after it.
        QJsonObject o = r.toJson();
        o.remove(QStringLiteral("bytes"));
        o.remove(QStringLiteral("seconds"));
        o.remove(QStringLiteral("blocks_sent"));
        QByteArray line = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
        if (program)
            Interrupt::setLastWords("{\"bytes\":", ',' + line.mid(1), true, note);
        else
            Interrupt::setLastWords(line, {}, false, note);
        return;
    }
    const QByteArray head = (ConsoleOutput::printable(r.unit) + QStringLiteral("  ") +
                             QStringLiteral("failed (exit %1): ").arg(r.exitCode) + r.reason)
                                .toLocal8Bit();
    if (program)
        Interrupt::setLastWords(head + " after ", " bytes\n", true, note);
    else
        Interrupt::setLastWords(head + '\n', {}, false, note);
}
} // namespace

ScalerSettings settingsFor(const UnitTarget &target, const CliOptions &options, ScalerSettings s)
{
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
    return s;
}

QString unitLabel(const ScalerSettings &settings)
{
    if (settings.CommsType == 1)
        return settings.SerialPort;
    const QString host = settings.EthernetAddress.trimmed();
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + settings.EthernetPort.trimmed();
}

QString linkProblem(const ScalerSettings &s, const QString &linkWhy)
{
    const QString logged = QStringLiteral("; the error log %1 says more")
                               .arg(QDir::toNativeSeparators(ErrorLog::target()));
    if (s.CommsType != 1)
        return linkWhy.isEmpty()
                   ? QStringLiteral("%1 could not be reached%2").arg(unitLabel(s), logged)
                   : lowerFirst(linkWhy);
    QString why;
    const QString device = serialDeviceFor(s.SerialPort, s.Ports, &why);
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
    return linkWhy.isEmpty()
               ? QStringLiteral("%1 (%2) could not be opened%3").arg(s.SerialPort, device, logged)
               : lowerFirst(linkWhy);
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
    case CycleEnding::EmptyFile:
    case CycleEnding::FileUnreadable:
        return ExitCode::NoFirmwareFile;
    case CycleEnding::BlockRefused:
        return ExitCode::BlockRefused;
    case CycleEnding::Aborted:
        return ExitCode::Aborted;
    case CycleEnding::LinkLost:
        return ExitCode::LinkNotOpened;
    case CycleEnding::NotComplete:
        break;
    }
    return ExitCode::OtherFailure;
}

QString endingReason(const CycleResult &r, const QString &folder)
{
    const QString file = QDir::toNativeSeparators(r.firmwareFile);
    switch (r.ending) {
    case CycleEnding::Complete:
        return QString();
    case CycleEnding::NoFolder:
        return QStringLiteral("no firmware folder is set: give --folder DIR, or choose one in the "
                              "window (File > Firmware file path)");
    case CycleEnding::NoIdentification:
        return QStringLiteral("the unit sent no identification line; check the port and its "
                              "speed");
    case CycleEnding::NoFile: {
        const QString looked =
            file.isEmpty()
                ? QStringLiteral("no firmware file can be named after \"%1\" "
                                 "in %2")
                      .arg(ConsoleOutput::printable(QString::fromLatin1(r.identification)),
                           QDir::toNativeSeparators(folder))
                : QStringLiteral("there is no firmware file %1").arg(file);
        const QString noLine = noIdentificationLine(r);
        return noLine.isEmpty() ? looked : noLine + QStringLiteral(" (") + looked + u')';
    }
    case CycleEnding::EmptyFile:
        return QStringLiteral("the firmware file %1 is empty; the unit was not programmed")
            .arg(file);
    case CycleEnding::NoReady:
        return QStringLiteral("the unit did not answer \"U\" with \"S\"");
    case CycleEnding::NoStart:
        return QStringLiteral("the unit did not answer \"Y\" with \"A\"");
    case CycleEnding::BlockRefused:
        if (r.blocksSent == 0)
            return QStringLiteral("the unit answered \"Y\" with \"%1\", not \"A\"")
                .arg(ConsoleOutput::printable(QString::fromLatin1(r.lastAnswer)));
        return QStringLiteral("the unit did not accept block %1").arg(r.blocksSent - 1);
    case CycleEnding::NotComplete:
        return QStringLiteral("the unit did not confirm the whole image: its last answer was "
                              "not \"E\"");
    case CycleEnding::Aborted:
        return r.mayBeInLoader
                   ? QStringLiteral("aborted; power-cycle the unit before it is programmed again")
                   : QStringLiteral("aborted before anything was sent to the unit's loader");
    case CycleEnding::FileUnreadable:
        return QStringLiteral("the firmware file %1 could not be read whole: %2")
            .arg(file, lowerFirst(r.errorText));
    case CycleEnding::LinkLost:
        return lowerFirst(r.errorText);
    }
    return QString();
}

int runUnitCommand(const CliOptions &options, const ScalerSettings &settings, ConsoleOutput &output)
{
    UnitResult result;
    result.unit = unitLabel(settings);
    result.command = options.commandName();
    const bool program = options.command == CliOptions::Command::Program;

    const bool ask = !options.yes && TerminalAnswerer::terminalInput();
    CancelToken cancel;
    TerminalAnswerer answerer(output, result.unit, ask);
    ConsoleObserver observer(output, result.unit, answerer, cancel);
    prepareLastWords(result, output.mode(), program);
    Interrupt::install(!program ? Interrupt::Mode::EndAtOnce
                       : ask    ? Interrupt::Mode::AskDuringBlocks
                                : Interrupt::Mode::Cancel,
                       &cancel);
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
    ScalerLink link;
    {
        UnitSession session(settings, link, observer, cancel);
        QString why;
        if (!session.open(&why)) {
            result.exitCode = ExitCode::LinkNotOpened;
            result.ending = QStringLiteral("LinkNotOpened");
            result.reason = linkProblem(settings, why);
        } else if (options.command == CliOptions::Command::Ident) {
            identify(result, session);
        } else if (options.command == CliOptions::Command::Version) {
            readVersion(result, session);
        } else {
            programme(result, session, options.folder.value_or(settings.FirmwarePath));
        }
        session.close();
    }
    result.seconds = timer.nsecsElapsed() / 1e9;

    if (!result.ok())
        result.log();
    output.result(result);
    setProgramEndHandler({});
    return result.exitCode;
}
