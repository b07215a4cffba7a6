#include "UnitCommand.h"

#include "CancelToken.h"
#include "ConsoleObserver.h"
#include "ErrorLog.h"
#include "Interrupt.h"
#include "ProcessEnd.h"
#include "ScalerLink.h"
#include "SerialLine.h"
#include "TerminalAnswerer.h"
#include "Trap.h"
#include "UnitResult.h"
#include "mod_Scaler_Firmware.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {
QString lowerFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

Phrase noIdentificationLine(const CycleResult &r)
{
    return r.identificationLine
               ? Phrase()
               : Phrase::translate("UnitCommand", "the unit sent no identification line; check "
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
    result.setReason(Phrase::translate("UnitCommand",
                                       "the unit sent no identification line; check the port and "
                                       "its speed"));
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
    result.setReason(Phrase::translate("UnitCommand", "the unit did not answer the version query"));
}

// After "E" a unit restarts into its new image, which may take a while: it
// is asked again after RestartWaitMs, then every LevelAskIntervalMs while it
// does not answer, LevelAsks times in all (about 10 s at most with the
// queries' own waits).
constexpr int RestartWaitMs = 1000;
constexpr int LevelAskIntervalMs = 2000;
constexpr int LevelAsks = 5;

// The level a unit reported, when it answered at all.
std::optional<int> levelOf(const RunningFirmware &running)
{
    if (running.level == 0 && running.name.isEmpty())
        return std::nullopt;
    return running.level;
}

// Waits ms; false, at once, when a signal came.
bool pause(int ms, const CancelToken &cancel)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (cancel.cancelled() || Interrupt::count() > 0)
            return false;
        QThread::msleep(20);
    }
    return !cancel.cancelled() && Interrupt::count() == 0;
}

void readRunningFirmware(UnitResult &result, UnitSession &session)
{
    const RunningFirmware r = session.runningFirmware();
    result.level = levelOf(r);
    if (result.level || r.refused) {
        result.ending = endingId(CycleEnding::Complete);
        result.runningFirmware = QString::fromLatin1(r.name);
        return;
    }
    result.exitCode = ExitCode::NoAnswer;
    result.ending = QStringLiteral("NoAnswer");
    result.setReason(
        Phrase::translate("UnitCommand", "the unit did not answer the running firmware query"));
}

void ended(UnitResult &result, UnitRecord &record, const char *ending, int exitCode,
           const Phrase &reason)
{
    result.ending = record.ending = QString::fromLatin1(ending);
    result.exitCode = exitCode;
    result.setReason(reason);
    record.result = QStringLiteral("failed");
}

// Asks the unit what it runs again once it has taken its new image.
void verifyLevel(UnitResult &result, UnitRecord &record, UnitSession &session, int wanted,
                 const CancelToken &cancel, ConsoleOutput &output)
{
    output.note(result.unit, Phrase::translate("UnitCommand", "waiting for the unit to start its "
                                                              "new firmware"));
    for (int ask = 0; ask < LevelAsks; ++ask) {
        if (!pause(ask == 0 ? RestartWaitMs : LevelAskIntervalMs, cancel))
            return ended(result, record, "Aborted", ExitCode::Aborted,
                         Phrase::translate("UnitCommand",
                                           "programmed whole, then interrupted before the unit "
                                           "said which level it runs"));
        const RunningFirmware after = session.runningFirmware();
        result.levelAfter = record.levelAfter = levelOf(after);
        if (!result.levelAfter)
            continue;
        result.runningFirmware = record.runningFirmware = QString::fromLatin1(after.name);
        if (*result.levelAfter < wanted)
            ended(result, record, "LevelTooLow", ExitCode::OtherFailure,
                  Phrase::translate("UnitCommand",
                                    "the unit took the whole image but runs level %1, not %2 or "
                                    "more")
                      .arg(*result.levelAfter)
                      .arg(wanted));
        return;
    }
    ended(result, record, "NoLevel", ExitCode::NoAnswer,
          Phrase::translate("UnitCommand",
                            "the unit took the whole image but did not say which level it runs "
                            "within %1 s")
              .arg((RestartWaitMs + (LevelAsks - 1) * LevelAskIntervalMs) / 1000));
}

void programme(UnitResult &result, UnitRecord &record, UnitSession &session,
               const CliOptions &options, const QString &folder, const CancelToken &cancel,
               ConsoleOutput &output)
{
    if (options.level) {
        const RunningFirmware before = session.runningFirmware();
        result.levelBefore = record.levelBefore = levelOf(before);
        result.runningFirmware = record.runningFirmware = QString::fromLatin1(before.name);
        result.changed = false;
        if (before.namesItself() && before.level >= *options.level) {
            result.ending = record.ending = QStringLiteral("Unchanged");
            result.levelAfter = record.levelAfter = result.levelBefore;
            record.result = QStringLiteral("unchanged");
            return;
        }
        output.note(result.unit,
                    before.namesItself()
                        ? Phrase::translate("UnitCommand", "it runs %1 at level %2, below %3")
                              .arg(result.runningFirmware)
                              .arg(before.level)
                              .arg(*options.level)
                        : Phrase::translate("UnitCommand",
                                            "it does not name its firmware at a level of %1 or "
                                            "more; only its loader can tell what it is")
                              .arg(ScalerProtocol::LevelNamingFirmware));
        if (options.check) {
            result.ending = QStringLiteral("WouldProgram");
            return;
        }
    }
    const CycleResult r = session.programme(folder);
    record.takeCycle(r);
    result.exitCode = exitCodeFor(r.ending);
    result.ending = endingId(r.ending);
    result.setReason(endingReason(r, folder));
    result.bytes = qint64(r.blocksSent) * ScalerProtocol::BlockSize;
    result.blocksSent = r.blocksSent;
    result.blocksTotal = r.blocksTotal;
    result.changed = r.blocksSent > 0 || r.mayBeInLoader;
    result.identification = QString::fromLatin1(r.identification);
    if (!r.firmwareFile.isEmpty())
        result.firmwareFile =
            QDir::toNativeSeparators(QFileInfo(r.firmwareFile).absoluteFilePath());
    result.error = r.error;
    result.errorText = r.errorText;
    if (options.level && r.complete())
        verifyLevel(result, record, session, *options.level, cancel, output);
}

// Adds the run's record to the unit log; a log that cannot be written is
// reported, and the result stays as it was.
void addRecord(UnitResult &result, UnitRecord &record, const QString &unitLog)
{
    record.exitCode = result.exitCode;
    if (record.ending.isEmpty()) {
        record.ending = result.ending;
        record.result = result.ok() ? QStringLiteral("programmed") : QStringLiteral("failed");
    }
    record.reason = result.reason;
    Trap trap(QStringLiteral("flashwright-cli"), QStringLiteral("program"));
    trap([&] { result.record = UnitLog::append(unitLog, record); });
    result.recordError = trap.lastErrorText();
}

// The result line, and a note, written should a second signal end the
// program at once.
void prepareLastWords(const UnitResult &started, ConsoleOutput::Mode mode, bool program)
{
    UnitResult r = started;
    r.exitCode = ExitCode::Aborted;
    r.ending = QStringLiteral("Interrupted");
    r.setReason(program ? Phrase::translate("UnitCommand",
                                            "ended at once by a second interrupt; a unit left in "
                                            "the middle of an upload must be power-cycled")
                        : Phrase::translate("UnitCommand", "interrupted"));
    const QByteArray note = "\nflashwright-cli: " + r.shownReason.toLocal8Bit() + '\n';
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
    const QByteArray head =
        (ConsoleOutput::printable(r.unit) + QStringLiteral("  ") + r.shownSummary()).toLocal8Bit();
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

Phrase linkProblem(const ScalerSettings &s, const QString &linkWhy)
{
    const Phrase logged = Phrase::translate("UnitCommand", "; the error log %1 says more")
                              .arg(QDir::toNativeSeparators(ErrorLog::target()));
    if (s.CommsType != 1)
        return linkWhy.isEmpty() ? Phrase::translate("UnitCommand", "%1 could not be reached%2")
                                       .arg(unitLabel(s))
                                       .arg(logged)
                                 : Phrase::same(lowerFirst(linkWhy));
    QString why;
    const QString device = serialDeviceFor(s.SerialPort, s.Ports, &why);
    if (device.isEmpty())
        return Phrase::same(why);
    if (!parseSerialParameters(s.SerialParameters, &why))
        return Phrase::translate("UnitCommand", "the serial parameters \"%1\" cannot be used: %2")
            .arg(s.SerialParameters, why);
    if (!QFileInfo::exists(device))
        return Phrase::translate("UnitCommand", "%1 stands for %2, and there is no such device")
            .arg(s.SerialPort, device);
    const QString permission = serialPermissionProblem(device);
    if (!permission.isEmpty())
        return Phrase::same(permission);
    return linkWhy.isEmpty() ? Phrase::translate("UnitCommand", "%1 (%2) could not be opened%3")
                                   .arg(s.SerialPort, device)
                                   .arg(logged)
                             : Phrase::same(lowerFirst(linkWhy));
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

Phrase endingReason(const CycleResult &r, const QString &folder)
{
    const QString file = QDir::toNativeSeparators(r.firmwareFile);
    switch (r.ending) {
    case CycleEnding::Complete:
        return Phrase();
    case CycleEnding::NoFolder:
        return Phrase::translate(
            "UnitCommand", "no firmware folder is set: give --folder DIR, or choose one in the "
                           "window (File > Firmware file path)");
    case CycleEnding::NoIdentification:
        return Phrase::translate("UnitCommand",
                                 "the unit sent no identification line; check the port and its "
                                 "speed");
    case CycleEnding::NoFile: {
        const Phrase looked =
            file.isEmpty()
                ? Phrase::translate("UnitCommand", "no firmware file can be named after \"%1\" "
                                                   "in %2")
                      .arg(ConsoleOutput::printable(QString::fromLatin1(r.identification)),
                           QDir::toNativeSeparators(folder))
                : Phrase::translate("UnitCommand", "there is no firmware file %1").arg(file);
        const Phrase noLine = noIdentificationLine(r);
        return noLine.isEmpty() ? looked
                                : noLine + QStringLiteral(" (") + looked + QStringLiteral(")");
    }
    case CycleEnding::EmptyFile:
        return Phrase::translate("UnitCommand",
                                 "the firmware file %1 is empty; the unit was not programmed")
            .arg(file);
    case CycleEnding::NoReady:
        return Phrase::translate("UnitCommand", "the unit did not answer \"U\" with \"S\"");
    case CycleEnding::NoStart:
        return Phrase::translate("UnitCommand", "the unit did not answer \"Y\" with \"A\"");
    case CycleEnding::BlockRefused:
        if (r.blocksSent == 0)
            return Phrase::translate("UnitCommand",
                                     "the unit answered \"Y\" with \"%1\", not \"A\"")
                .arg(ConsoleOutput::printable(QString::fromLatin1(r.lastAnswer)));
        return Phrase::translate("UnitCommand", "the unit did not accept block %1")
            .arg(r.blocksSent - 1);
    case CycleEnding::NotComplete:
        return Phrase::translate("UnitCommand",
                                 "the unit did not confirm the whole image: its last answer was "
                                 "not \"E\"");
    case CycleEnding::Aborted:
        return r.mayBeInLoader
                   ? Phrase::translate(
                         "UnitCommand",
                         "aborted; power-cycle the unit before it is programmed again")
                   : Phrase::translate("UnitCommand",
                                       "aborted before anything was sent to the unit's loader");
    case CycleEnding::FileUnreadable:
        return Phrase::translate("UnitCommand", "the firmware file %1 could not be read whole: %2")
            .arg(file, lowerFirst(r.errorText));
    case CycleEnding::LinkLost:
        return Phrase::same(lowerFirst(r.errorText));
    }
    return Phrase();
}

int runUnitCommand(const CliOptions &options, const ScalerSettings &settings,
                   const QString &unitLog, ConsoleOutput &output)
{
    UnitResult result;
    result.unit = unitLabel(settings);
    result.command = options.commandName();
    const bool program = options.command == CliOptions::Command::Program;
    UnitRecord record = UnitRecord::begun(QStringLiteral("flashwright-cli"), result.unit);

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
        result.setReason(Phrase::translate("UnitCommand", "a fatal error ended the program; the "
                                                          "error log says which"));
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
            result.setReason(linkProblem(settings, why));
        } else if (options.command == CliOptions::Command::Ident) {
            identify(result, session);
        } else if (options.command == CliOptions::Command::Version) {
            readVersion(result, session);
        } else if (options.command == CliOptions::Command::Firmware) {
            readRunningFirmware(result, session);
        } else {
            programme(result, record, session, options,
                      options.folder.value_or(settings.FirmwarePath), cancel, output);
        }
        session.close();
    }
    result.seconds = timer.nsecsElapsed() / 1e9;
    record.end = QDateTime::currentDateTimeUtc();
    if (program && !options.check)
        addRecord(result, record, unitLog);

    if (!result.ok())
        result.log();
    output.result(result);
    setProgramEndHandler({});
    return result.exitCode;
}
