#pragma once

#include "CancelToken.h"
#include "ScalerLinkInterface.h"
#include "ScalerProtocol.h"
#include "ScalerSettings.h"
#include "Trap.h"
#include "UserMessage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QString>

#include <optional>

// What the status line shows: the stage of an operation on a unit. Each has
// a stable id for scripts (stageId) and the text the window shows.
enum class Stage
{
    Cleared,            // nothing
    GettingIdent,       // "Getting Id...."
    Identified,         // the identification, the unit type and its edition
    GettingVersion,     // "Getting Version...."
    VersionRead,        // "Unit software version = " and the version
    NoAnswer,           // "Failure, Please power cycle unit and try again"
    Checking,           // "Checking Unit...."
    Resetting,          // "Resetting Unit...."
    WaitingForId,       // "Waiting for ID..."
    NoIdentification,   // "Incorrect or no ID received"
    IdentificationLine, // the unit's identification line as it came
    Starting,           // "Programming ..."
    Block,              // "Programming... " and the block's number
    Complete,           // "Programing Complete...."
};

// The stage's id, such as "checking" or "block".
QString stageId(Stage stage);

// What the status line shows at a stage; number fills the software version
// or the block's number. The identification and its line come from the
// unit (identStatus, the line as it came): empty here, as is Cleared.
Phrase stageText(Stage stage, const QString &number = QString());

// The Abort button's warning, asked before a cycle is aborted.
Phrase abortWarning();

// How a programming cycle ended.
enum class CycleEnding
{
    Complete,         // the unit reported the whole file received
    NoFolder,         // no firmware folder was given
    NoIdentification, // no or too short an identification
    NoFile,           // no firmware file for the unit's identification
    EmptyFile,        // the unit's firmware file holds nothing
    NoReady,          // no "S" after "U"
    NoStart,          // no "A" after "Y"
    BlockRefused,     // a block was answered with something other than "A"
    NotComplete,      // the last answer was not "E"
    Aborted,          // cancelled
    FileUnreadable,   // the firmware file could not be opened or read whole
    LinkLost,         // the link failed while the cycle used it
};

// The ending's id, such as "BlockRefused".
QString endingId(CycleEnding ending);

// The two buttons a programming cycle enables and disables.
enum class CycleControl
{
    Abort,
    UpdateFirmware,
};

// What a programming cycle did.
struct CycleResult
{
    CycleEnding ending = CycleEnding::Complete;
    int blocksSent = 0;  // handed to the link
    int blocksTotal = 0; // of the firmware file; 0 before it was chosen
    // The failure reported last during the cycle: its number (0 when none)
    // and its text.
    qint32 error = 0;
    QString errorText;
    // The unit was sent "U" and not brought to the end of an upload: it may
    // wait in its loader, or in the middle of an upload, until it is
    // power-cycled or programmed again.
    bool mayBeInLoader = false;
    QByteArray received;             // the unit's answer while it was identified
    bool identificationLine = false; // that answer held "id="
    QByteArray identification;       // cut out of it
    QString firmwareFile;            // the file sent, or the one looked for
    QByteArray lastAnswer;           // the unit's last answer to "Y" or a block
    // Once the unit has taken the whole file: the SHA-256 and the size of
    // the file's bytes as they were read and sent. Empty before.
    QByteArray sentSha256;
    qint64 sentSize = 0;

    bool complete() const { return ending == CycleEnding::Complete; }
};

struct IdentResult
{
    bool identified = false;
    // The identification, or what the unit sent when no identification line came.
    QByteArray identification;
    QByteArray type; // the unit type, when identified
};

struct VersionResult
{
    std::optional<quint32> version; // nothing when neither query form was answered
    QByteArray reply;               // the start of the answer used, or the last raw answer
};

struct RunningFirmware
{
    QByteArray name;      // the file the unit runs followed by ".vq"; empty without an answer
    qint16 level = 0;     // 0 when the level query was not answered, or the name query refused
    bool refused = false; // the unit refused the name query

    // It named the file it runs, at a level that may be trusted to.
    bool namesItself() const
    {
        return level >= ScalerProtocol::LevelNamingFirmware && name.size() > 3;
    }
};

// Whoever follows an operation on a unit: the window, the console program,
// a test. Every event has a default that ignores it but message().
class UnitObserver
{
public:
    virtual ~UnitObserver() = default;

    // A new text for the status line, and the stage it stands for.
    virtual void stage(Stage stage, const Phrase &text) = 0;
    // A message for the person; returns the answer (MsgAnswer).
    virtual qint32 message(const MessageRequest &request) = 0;
    // sent of total blocks have been handed to the link.
    virtual void blockSent(int sent, int total)
    {
        Q_UNUSED(sent)
        Q_UNUSED(total)
    }
    // The share of the firmware file sent, in whole percent, when it changes.
    virtual void progress(int percent) { Q_UNUSED(percent) }
    virtual void controlEnabled(CycleControl control, bool enabled)
    {
        Q_UNUSED(control)
        Q_UNUSED(enabled)
    }
    // A wait for the unit begins (0) or has lasted waitedMs; it has ended.
    virtual void waiting(int waitedMs) { Q_UNUSED(waitedMs) }
    virtual void waitEnded() {}
    // Once a block, while the unit takes the next one: where a window passes
    // over its pending input.
    virtual void betweenBlocks() {}
};

// One unit, as one caller talks to it: the only way the program reaches a
// unit. It is given its settings, the link, who follows it, and the token
// that cancels what it does; it reads nothing else. Its failures are
// reported through the error control, each operation under its own name,
// and the operation goes on with its next step.
class UnitSession : private LinkWaitObserver
{
public:
    UnitSession(const ScalerSettings &settings, ScalerLinkInterface &link, UnitObserver &observer,
                const CancelToken &cancel);
    ~UnitSession() override;
    UnitSession(const UnitSession &) = delete;
    UnitSession &operator=(const UnitSession &) = delete;

    const ScalerSettings &settings() const { return m_settings; }

    // Closes the link, then opens it on the settings. False, with the reason
    // in why, when it does not open.
    bool open(QString *why = nullptr);
    void close();

    // Resets the unit and listens for its identification line.
    IdentResult identify();
    // Reads the unit's software version, the long query form first.
    VersionResult version();
    // Asks a running unit, without restarting it, for its firmware's name and level.
    RunningFirmware runningFirmware();
    // Brings the unit into its loader and sends it the firmware file named
    // by its identification from folder.
    CycleResult programme(const QString &folder);

    // The abort test: true, after the person has been told and the buttons
    // and status line put back, when the cancel token is set.
    bool checkAbort();

private:
    class Cycle;

    void waiting(int waitedMs) override;
    void waitEnded() override;
    void show(Stage stage, const Phrase &text);
    void show(Stage stage) { show(stage, stageText(stage)); }
    qint32 tell(const MessageRequest &request);

    ScalerSettings m_settings;
    ScalerLinkInterface &m_link;
    UnitObserver &m_observer;
    const CancelToken &m_cancel;
    bool m_passDue = false;         // the pass over input is due in this wait
    bool m_cancelledInPass = false; // cancelled in that pass: seen after the next block
    // The file's bytes in the block just sent, added to the digest of what
    // was sent while the unit takes the block.
    struct SentBytes
    {
        QCryptographicHash *digest = nullptr;
        QByteArrayView bytes;
        void add()
        {
            if (digest && !bytes.isEmpty())
                digest->addData(bytes);
            bytes = {};
        }
    } m_sent;
};
