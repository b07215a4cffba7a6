#include "UnitSession.h"

#include "ErrorControl.h"
#include "FirmwareReader.h"
#include "RunError.h"
#include "ScalerProtocol.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <array>

using namespace ScalerProtocol;

namespace {
const QString kModule = QStringLiteral("mod_scaler_firmware");

QString text(const QByteArray &unitBytes)
{
    return QString::fromLatin1(unitBytes);
}

MessageRequest messageOf(const char *id, const Phrase &text, qint32 style = MsgStyle::OkOnly)
{
    MessageRequest m;
    m.id = QString::fromLatin1(id);
    m.setText(text);
    m.style = style;
    m.setTitle(Phrase::translate("UnitMessage", "Firmware Update"));
    return m;
}

// A status line with a number in it, split once around the number's place:
// each block's line then costs one number and one join in each language.
class NumberedLine
{
public:
    explicit NumberedLine(const Phrase &line)
        : m_english(split(line.english)), m_shown(split(line.shown))
    {}
    Phrase operator()(int number) const
    {
        const QString digits = QString::number(number);
        return {m_english.join(digits), m_shown.join(digits)};
    }

private:
    struct Parts
    {
        QString before, after;
        bool numbered = false;
        QString join(const QString &digits) const
        {
            return numbered ? before + digits + after : before;
        }
    };
    static Parts split(const QString &line)
    {
        const qsizetype at = line.indexOf(QLatin1String("%1"));
        if (at < 0)
            return {line, {}, false};
        return {line.left(at), line.mid(at + 2), true};
    }
    Parts m_english, m_shown;
};

// Whether the firmware file is there, a plain visible file, and really in the folder.
bool firmwareFileFound(const QString &path, const QString &folder)
{
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || !file.isFile() || file.isHidden())
        return false;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    return !canonicalFolder.isEmpty() &&
           QFileInfo(file.canonicalFilePath()).path() == canonicalFolder;
}

// The unit's file in the folder. Units name their files in any case and the
// update site's files are lower case; where names are case-sensitive, the one
// file whose name differs from the unit's only in case is that file too. When
// several such files lie there, none is taken, and alike names them:
// programming the wrong one of them would be worse than programming none.
QString firmwareFileIn(const QString &folder, const QByteArray &identification, QStringList &alike)
{
    const QString path = firmwareFilePath(folder, identification);
    if (path.isEmpty())
        return path;
    // Compared as names, never as patterns: "*" from a unit matches nothing.
    const QString wanted = QFileInfo(path).fileName();
    for (const QString &entry : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            alike.append(entry);
    alike.sort(Qt::CaseSensitive);
    if (alike.size() == 1)
        return QDir(folder).filePath(alike.first());
    return alike.size() > 1 ? QString() : path;
}

// What the technician is told when the unit's file cannot be taken.
Phrase noFileMessage(const QStringList &alike)
{
    if (alike.size() < 2)
        return Phrase::translate("UnitMessage", "File does not exist");
    return Phrase::translate("UnitMessage",
                             "These firmware files differ only in upper and lower case, so none "
                             "of them was used:\r\n%1\r\nKeep only the right one in the "
                             "firmware folder.")
        .arg(alike.join(QStringLiteral("\r\n")));
}

bool linkFailure(qint32 error)
{
    return error == RunError::LinkLost || error == RunError::WriteFailed;
}
} // namespace

QString stageId(Stage stage)
{
    switch (stage) {
    case Stage::Cleared:
        return QStringLiteral("cleared");
    case Stage::GettingIdent:
        return QStringLiteral("getting_ident");
    case Stage::Identified:
        return QStringLiteral("identified");
    case Stage::GettingVersion:
        return QStringLiteral("getting_version");
    case Stage::VersionRead:
        return QStringLiteral("version");
    case Stage::NoAnswer:
        return QStringLiteral("no_answer");
    case Stage::Checking:
        return QStringLiteral("checking");
    case Stage::Resetting:
        return QStringLiteral("resetting");
    case Stage::WaitingForId:
        return QStringLiteral("waiting_for_id");
    case Stage::NoIdentification:
        return QStringLiteral("no_identification");
    case Stage::IdentificationLine:
        return QStringLiteral("identification_line");
    case Stage::Starting:
        return QStringLiteral("starting");
    case Stage::Block:
        return QStringLiteral("block");
    case Stage::Complete:
        return QStringLiteral("complete");
    }
    return QString();
}

Phrase stageText(Stage stage, const QString &number)
{
    switch (stage) {
    case Stage::GettingIdent:
        return Phrase::translate("StatusLine", "Getting Id....");
    case Stage::GettingVersion:
        return Phrase::translate("StatusLine", "Getting Version....");
    case Stage::VersionRead:
        return Phrase::translate("StatusLine", "Unit software version = %1").arg(number);
    case Stage::NoAnswer:
        return noAnswerText();
    case Stage::Checking:
        return Phrase::translate("StatusLine", "Checking Unit....");
    case Stage::Resetting:
        return Phrase::translate("StatusLine", "Resetting Unit....");
    case Stage::WaitingForId:
        return Phrase::translate("StatusLine", "Waiting for ID...");
    case Stage::NoIdentification:
        return Phrase::translate("StatusLine", "Incorrect or no ID received");
    case Stage::Starting:
        return Phrase::translate("StatusLine", "Programming ...");
    case Stage::Block:
        return Phrase::translate("StatusLine", "Programming... %1").arg(number);
    case Stage::Complete:
        return Phrase::translate("StatusLine", "Programing Complete....");
    case Stage::Cleared:
    case Stage::Identified:
    case Stage::IdentificationLine:
        break;
    }
    return Phrase();
}

Phrase abortWarning()
{
    return Phrase::translate("UnitMessage", "Aborting the programming cycle\r\nwill leave the "
                                            "Scaler in an unuseable state.\r\n\r\n Are you Sure ?");
}

QString endingId(CycleEnding ending)
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
    case CycleEnding::EmptyFile:
        return QStringLiteral("EmptyFile");
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
    case CycleEnding::LinkLost:
        return QStringLiteral("LinkLost");
    }
    return QString();
}

UnitSession::UnitSession(const ScalerSettings &settings, ScalerLinkInterface &link,
                         UnitObserver &observer, const CancelToken &cancel)
    : m_settings(settings), m_link(link), m_observer(observer), m_cancel(cancel)
{
    m_link.setWaitObserver(this);
}

UnitSession::~UnitSession()
{
    m_link.setWaitObserver(nullptr);
}

bool UnitSession::open(QString *why)
{
    m_link.CloseChannel();
    qint16 channel = m_settings.ActiveChannel;
    return m_link.OpenChannel(m_settings, channel, why) != VFalse;
}

void UnitSession::close()
{
    m_link.CloseChannel();
}

void UnitSession::waiting(int waitedMs)
{
    if (waitedMs == 0)
        m_sent.add();
    m_observer.waiting(waitedMs);
    if (waitedMs == 0 && m_passDue) {
        m_passDue = false;
        const bool before = m_cancel.cancelled();
        m_observer.betweenBlocks();
        m_cancelledInPass = !before && m_cancel.cancelled();
    }
}

void UnitSession::waitEnded()
{
    m_observer.waitEnded();
}

void UnitSession::show(Stage stage, const Phrase &text)
{
    m_observer.stage(stage, text);
}

qint32 UnitSession::tell(const MessageRequest &request)
{
    return m_observer.message(request);
}

bool UnitSession::checkAbort()
{
    if (!m_cancel.cancelled())
        return false;
    tell(messageOf("aborted",
                   Phrase::translate("UnitMessage",
                                     "Scaler upload Aborted\r\n\r\nPlease power cycle the VQ unit"),
                   MsgStyle::Exclamation));
    m_observer.controlEnabled(CycleControl::Abort, false);
    m_observer.controlEnabled(CycleControl::UpdateFirmware, true);
    show(Stage::Cleared);
    return true;
}

IdentResult UnitSession::identify()
{
    Trap trap(kModule, QStringLiteral("Firmware_GetIdent"));
    IdentResult result;
    QByteArray &reply = result.identification;
    trap([&] { show(Stage::GettingIdent); });
    trap([&] {
        QByteArray ignored;
        m_link.Transact(resetFrame(), acknowledgeFrame(), ignored, Timeout::IdentReset, VFalse);
    });
    trap([&] { m_link.Transact({}, {}, reply, Timeout::IdentListen, VFalse); });
    if (!reply.isEmpty() && reply.contains("id=")) {
        result.identified = true;
        const QByteArray line = reply;
        result.type = line;
        trap([&] { reply = identificationFromLine(line); });
        trap([&] { result.type = unitTypeFromLine(line); });
        trap([&] { show(Stage::Identified, identStatus(reply, result.type)); });
    } else {
        trap([&] { show(Stage::NoAnswer); });
    }
    return result;
}

VersionResult UnitSession::version()
{
    Trap trap(kModule, QStringLiteral("Firmware_GetVersion"));
    VersionResult result;
    QByteArray &reply = result.reply;
    const auto read = [&](int start) {
        // Six hexadecimal digits; values of 8000 and above are shown unsigned.
        result.version = hexVersionValue(reply.mid(start - 1, 6));
        show(Stage::VersionRead, stageText(Stage::VersionRead, QString::number(*result.version)));
    };

    trap([&] { show(Stage::GettingVersion); });
    VBool ok = VFalse;
    trap([&] { ok = m_link.Transact(LongVersionQuery, "\r", reply, Timeout::Version, VTrue); });
    bool answered = false;
    if (ok != VFalse && !reply.contains("F0000")) {
        answered = true;
        reply = reply.left(20);
        trap([&] { read(12); });
    }
    if (!answered) {
        ok = VFalse;
        trap(
            [&] { ok = m_link.Transact(ShortVersionQuery, "\r", reply, Timeout::Version, VTrue); });
        if (ok != VFalse) {
            reply = reply.left(16);
            trap([&] { read(8); });
            answered = true;
        }
    }
    if (!answered)
        trap([&] { show(Stage::NoAnswer); });
    return result;
}

RunningFirmware UnitSession::runningFirmware()
{
    Trap trap(kModule, QStringLiteral("Firmware_GetPTBT"));
    RunningFirmware result;
    QByteArray answer;
    VBool ok = VFalse;
    trap([&] { ok = m_link.Query(nameQuery(), answer, Timeout::RunningQuery, VFalse); });
    if (ok != VFalse) {
        if (answer.left(4) == refusalFrame()) {
            result.refused = true;
            return result;
        }
        QByteArray cutName;
        trap([&] { cutName = firmwareNameFromAnswer(answer); });
        result.name = cutName + ".vq";
    }
    ok = VFalse;
    trap([&] { ok = m_link.Query(levelQuery(), answer, Timeout::RunningQuery, VFalse); });
    if (ok != VFalse)
        trap([&] { result.level = levelFromAnswer(answer); });
    return result;
}

// One programming cycle, in its stages. Each stage returns false when the
// cycle ends there, having put the window back as that ending needs.
class UnitSession::Cycle
{
public:
    Cycle(UnitSession &session, const QString &folder)
        : s(session), m_folder(folder), m_trap(kModule, [this] {
              return QStringLiteral("Firmware_Programme <") + text(m_reply) + QLatin1Char('>');
          })
    {}

    CycleResult run()
    {
        if (begin() && listen() && identify() && chooseFile() && handshake() && sendBlocks())
            end();
        m_result.error = m_trap.lastError();
        m_result.errorText = m_trap.lastErrorText();
        if (m_linkFailed && !m_result.complete()) {
            m_result.ending = CycleEnding::LinkLost;
            m_result.errorText = m_linkFailure;
        }
        m_result.lastAnswer = m_reply;
        return m_result;
    }

private:
    // The order in which an ending puts the window back.
    enum class Order
    {
        AbortFirst,   // Abort disabled, Update Firmware enabled, then the status
        StatusFirst,  // the status, Update Firmware enabled, Abort disabled
        ControlsOnly, // Update Firmware enabled, Abort disabled; the status as it is
    };

    UnitObserver &o() { return s.m_observer; }
    ScalerLinkInterface &link() { return s.m_link; }

    template <typename Step> void step(Step &&f)
    {
        m_trap(std::forward<Step>(f));
        if (!m_linkFailed && linkFailure(m_trap.lastError())) {
            m_linkFailed = true;
            m_linkFailure = m_trap.lastErrorText();
        }
    }

    void enable(CycleControl control, bool enabled)
    {
        step([&] { o().controlEnabled(control, enabled); });
    }
    void status(Stage stage, const Phrase &text)
    {
        step([&] { s.show(stage, text); });
    }
    void status(Stage stage) { status(stage, stageText(stage)); }

    // The abort test; true, and the cycle ends, when it has been cancelled.
    bool aborted()
    {
        bool stop = false;
        step([&] { stop = s.checkAbort(); });
        if (stop)
            m_result.ending = CycleEnding::Aborted;
        return stop;
    }

    // Ends the cycle: the message, then the window put back in the order the
    // ending has; a status of Cleared clears the line.
    bool leave(CycleEnding ending, const MessageRequest &message, Order order,
               Stage stage = Stage::Cleared)
    {
        m_result.ending = ending;
        if (!message.text.isEmpty())
            step([&] { s.tell(message); });
        if (order == Order::StatusFirst)
            status(stage);
        if (order == Order::AbortFirst) {
            enable(CycleControl::Abort, false);
            enable(CycleControl::UpdateFirmware, true);
            status(stage);
        } else {
            enable(CycleControl::UpdateFirmware, true);
            enable(CycleControl::Abort, false);
        }
        return false;
    }

    bool begin()
    {
        step([&] { link().SetMode(2); });
        enable(CycleControl::Abort, true);
        step([&] { o().progress(0); });
        status(Stage::Cleared);
        if (m_folder.isEmpty()) {
            m_result.ending = CycleEnding::NoFolder;
            enable(CycleControl::Abort, false);
            return false;
        }
        enable(CycleControl::UpdateFirmware, false);
        return true;
    }

    // Listens for a unit in its loader, and brings one there that is not.
    bool listen()
    {
        status(Stage::Checking);
        step([&] { link().Transact({}, {}, m_reply, Timeout::Check, VFalse); });
        if (m_reply.contains("id="))
            return true;
        status(Stage::Resetting);
        if (aborted())
            return false;
        VBool acknowledged = VFalse;
        step([&] {
            acknowledged = link().Transact(resetFrame(), acknowledgeFrame(), m_reply,
                                           Timeout::ResetAcknowledge, VFalse);
        });
        if (acknowledged == VFalse) {
            if (aborted())
                return false;
            VBool heard = VFalse;
            step([&] { heard = link().Transact({}, {}, m_reply, Timeout::PowerCycle, VFalse); });
            if (heard != VTrue)
                step([&] {
                    s.tell(messageOf("turn_unit_off",
                                     Phrase::translate("UnitMessage", "Turn unit off, click OK, "
                                                                      "then turn unit on.")));
                });
        }
        if (aborted())
            return false;
        status(Stage::WaitingForId);
        step([&] { link().Transact({}, {}, m_reply, Timeout::Identification, VFalse); });
        return !aborted();
    }

    bool identify()
    {
        m_result.received = m_reply;
        m_result.identificationLine = m_reply.contains("id=");
        if (m_reply.size() < 4)
            return leave(CycleEnding::NoIdentification,
                         messageOf("no_identification",
                                   Phrase::translate("UnitMessage",
                                                     "Incorrect or no ID received.\r\n"
                                                     "Ensure you have the correct firmware file")),
                         Order::AbortFirst, Stage::NoIdentification);
        // Nothing goes to the unit once it has been cancelled, and a file
        // that holds nothing is refused before "U": an upload that cannot
        // succeed would leave the unit in its loader.
        if (aborted() || refusedEmptyFile())
            return false;
        step([&] { link().ReadInput(); });
        step([&] { link().SendText("U", VFalse); });
        m_result.mayBeInLoader = true;
        step([&] { m_result.identification = identificationFromLine(m_reply); });
        return !aborted();
    }

    // True when the unit's file is there and empty: the cycle then ends.
    bool refusedEmptyFile()
    {
        QStringList alike;
        QString path;
        try {
            path = firmwareFileIn(m_folder, identificationFromLine(m_reply), alike);
        } catch (const RunError &) {
            return false; // reported where the identification is cut
        }
        if (!firmwareFileFound(path, m_folder) || QFileInfo(path).size() != 0)
            return false;
        m_result.firmwareFile = path;
        step([&] {
            ErrorCtl().Adddebug(QStringLiteral("Firmware: %1 is empty; the unit was not "
                                               "programmed")
                                    .arg(QDir::toNativeSeparators(path)));
        });
        leave(CycleEnding::EmptyFile,
              messageOf("empty_file",
                        Phrase::translate("UnitMessage",
                                          "The firmware file for this unit is empty:\r\n%1\r\n"
                                          "The unit was not programmed.")
                            .arg(QDir::toNativeSeparators(path))),
              Order::StatusFirst);
        return true;
    }

    // The unit names the file: a name that is not a plain file name names none.
    bool chooseFile()
    {
        QStringList alike;
        const QString path = firmwareFileIn(m_folder, m_result.identification, alike);
        m_result.firmwareFile =
            path.isEmpty() ? firmwareFilePath(m_folder, m_result.identification) : path;
        if (alike.size() > 1)
            step([&] {
                ErrorCtl().Adddebug(QStringLiteral("Firmware: %1 files in %2 differ only in case "
                                                   "from \"%3\" (%4); none is used")
                                        .arg(QString::number(alike.size()),
                                             QDir::toNativeSeparators(m_folder),
                                             QFileInfo(m_result.firmwareFile).fileName(),
                                             alike.join(QStringLiteral(", "))));
            });
        if (m_result.identification.isEmpty() || !firmwareFileFound(path, m_folder))
            return leave(CycleEnding::NoFile, messageOf("no_file", noFileMessage(alike)),
                         Order::StatusFirst);
        return true;
    }

    bool handshake()
    {
        enable(CycleControl::UpdateFirmware, false);
        status(Stage::IdentificationLine, Phrase::same(text(m_reply)));
        VBool ready = VFalse;
        step([&] {
            QByteArray discarded;
            ready = link().Transact({}, "S", discarded, Timeout::LoaderReady, VFalse);
        });
        if (ready == VFalse)
            return leave(CycleEnding::NoReady,
                         messageOf("no_ready",
                                   Phrase::translate("UnitMessage", "Unit did not reply with S %1")
                                       .arg(text(m_reply))),
                         Order::ControlsOnly);
        if (aborted())
            return false;
        status(Stage::Starting);
        VBool started = VFalse;
        step([&] { started = link().Transact("Y", "A", m_reply, Timeout::Start, VFalse); });
        if (started == VFalse)
            return leave(CycleEnding::NoStart,
                         messageOf("no_start",
                                   Phrase::translate("UnitMessage", "Unit did not reply with Y")),
                         Order::ControlsOnly);
        return !aborted();
    }

    bool sendBlocks()
    {
        QFile file(m_result.firmwareFile);
        bool opened = false;
        step([&] {
            // Unbuffered: the reader takes the file in pieces of its own.
            if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                throw RunError(RunError::PathFileAccess,
                               QStringLiteral("The firmware file could not be opened: ") +
                                   file.errorString());
            opened = true;
        });
        if (!opened)
            return leave(CycleEnding::FileUnreadable, {}, Order::StatusFirst);

        const qint64 length = file.size();
        const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
        FirmwareReader reader(file, length);
        m_result.blocksTotal = static_cast<int>((length + BlockSize - 1) / BlockSize);
        QCryptographicHash sent(QCryptographicHash::Sha256);
        s.m_sent.digest = &sent;
        const auto sentDone = qScopeGuard([this] { s.m_sent = {}; });
        qint64 position = 0;
        qint32 lastPercent = 0;
        std::array<quint8, BlockSize> block{};
        // The block's status line is made once; each block puts in its number.
        const NumberedLine blockLine(stageText(Stage::Block, QStringLiteral("%1")));
        while (position != length) {
            const qint64 from = position;
            if (!nextBlockAccepted(reader, block, position))
                return leave(m_result.ending, {}, Order::AbortFirst);
            s.m_sent.bytes = QByteArrayView(block.data(), position - from);
            const int counter = m_result.blocksSent;
            status(Stage::Block, blockLine(counter));
            // The window passes over its input once a block, while the unit
            // takes the block; an abort it confirms there ends the cycle
            // after the next block, as when it passed over it after the block.
            s.m_passDue = true;
            step([&] { link().SendBlock(block, m_reply, 1, Timeout::Block, VFalse); });
            s.m_passDue = false;
            s.m_sent.add(); // when the link did not wait
            ++m_result.blocksSent;
            step([&] { o().blockSent(m_result.blocksSent, m_result.blocksTotal); });
            const bool cancelledInPass = std::exchange(s.m_cancelledInPass, false);
            if (!cancelledInPass && aborted())
                return false;
            // Never more than the whole, also for files shorter than a hundred bytes.
            const auto percent =
                static_cast<qint32>(std::min(100.0, double(position + 1) / double(length) * 100.0));
            if (percent != lastPercent) {
                step([&] { o().progress(percent); });
                lastPercent = percent;
            }
        }
        m_sentSha256 = sent.result();
        m_sentSize = length;
        if (file.size() != length || file.fileTime(QFileDevice::FileModificationTime) != modified)
            step([&] {
                ErrorCtl().Adddebug(
                    QStringLiteral("Firmware: %1 changed while it was being sent; the unit took "
                                   "it as it was read, %2 bytes with sha256 %3")
                        .arg(QDir::toNativeSeparators(m_result.firmwareFile))
                        .arg(length)
                        .arg(QString::fromLatin1(m_sentSha256.toHex())));
            });
        return true;
    }

    // Reads the next block; false when it cannot be read or the unit did not
    // accept the one before: no block is sent after an answer other than "A".
    bool nextBlockAccepted(FirmwareReader &reader, std::array<quint8, BlockSize> &block,
                           qint64 &position)
    {
        bool haveBlock = false;
        step([&] {
            reader.next(block, position);
            haveBlock = true;
        });
        bool accepted = false;
        if (haveBlock)
            step([&] {
                if (m_reply != "A")
                    throw RunError(RunError::UploadProblem,
                                   m_result.blocksSent == 0
                                       ? QStringLiteral("The unit answered \"Y\" with \"%1\"")
                                             .arg(text(m_reply))
                                       : QStringLiteral("The unit did not accept block %1")
                                             .arg(m_result.blocksSent - 1));
                accepted = true;
            });
        if (!accepted)
            m_result.ending = haveBlock ? CycleEnding::BlockRefused : CycleEnding::FileUnreadable;
        return accepted;
    }

    void end()
    {
        if (m_reply != "E") {
            leave(CycleEnding::NotComplete,
                  messageOf("not_complete",
                            Phrase::translate("UnitMessage", "Scaler upload NOT successful")),
                  Order::AbortFirst);
            return;
        }
        m_result.mayBeInLoader = false;
        m_result.sentSha256 = m_sentSha256;
        m_result.sentSize = m_sentSize;
        step([&] { o().progress(100); });
        status(Stage::Complete);
        enable(CycleControl::UpdateFirmware, true);
        enable(CycleControl::Abort, false);
    }

    UnitSession &s;
    const QString m_folder;
    QByteArray m_reply;
    Trap m_trap;
    CycleResult m_result;
    // Of the whole file, once every block of it is sent.
    QByteArray m_sentSha256;
    qint64 m_sentSize = 0;
    bool m_linkFailed = false;
    QString m_linkFailure;
};

CycleResult UnitSession::programme(const QString &folder)
{
    return Cycle(*this, folder).run();
}
