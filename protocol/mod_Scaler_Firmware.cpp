#include "mod_Scaler_Firmware.h"

#include "ErrorControl.h"
#include "LinkInstances.h"
#include "ProgrammerWindow.h"
#include "RunError.h"
#include "TextRules.h"
#include "Trap.h"
#include "UserMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

qint16 AbortFlag = VFalse;

namespace {
const QString kModule = QStringLiteral("mod_scaler_firmware");
const QString kUpdateTitle = QStringLiteral("Firmware Update");
const QString kPowerCycle = QStringLiteral("Failure, Please power cycle unit and try again");

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    out.reserve(static_cast<int>(list.size()));
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

QString text(const QByteArray &unitBytes)
{
    return QString::fromLatin1(unitBytes);
}

// The text from 1-based position start, length characters, as a cut that
// runs backwards fails.
QByteArray cut(const QByteArray &s, qsizetype start, qsizetype length)
{
    if (length < 0 || start < 1)
        throw RunError(RunError::InvalidCall);
    return s.mid(start - 1, length);
}

// The 1-based position of what in s from 1-based position from, 0 when absent.
qsizetype find(const QByteArray &s, const QByteArray &what, qsizetype from = 1)
{
    return s.indexOf(what, from - 1) + 1;
}

void tellUser(const QString &message)
{
    windowMessage(message, MsgStyle::OkOnly, kUpdateTitle);
}

// Reads the next block; the last one of a file that is not a whole number of
// blocks is padded with FF bytes. A file that shrinks or fails is an error:
// no block of stale or missing bytes is ever sent.
void readBlock(QFile &file, std::array<quint8, ScalerProtocol::BlockSize> &block, qint64 &position,
               qint64 length)
{
    const qint64 wanted = std::min<qint64>(ScalerProtocol::BlockSize, length - position);
    const qint64 got = file.read(reinterpret_cast<char *>(block.data()), wanted);
    if (got < 0)
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The firmware file could not be read: ") +
                           file.errorString());
    if (got != wanted)
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The firmware file changed while it was being sent"));
    std::fill(block.begin() + got, block.end(), quint8(0xFF));
    position += got;
}
} // namespace

namespace ScalerProtocol {

QByteArray resetFrame()
{
    return bytes({0x53, 0x06, 0x04, 0x01, 0x55, 0xAA, 0x55, 0xB2});
}

QByteArray acknowledgeFrame()
{
    return bytes({0x53, 0x02, 0x40, 0x95});
}

QByteArray nameQuery()
{
    return bytes({0x53, 0x03, 0xA4, 0x07, 0x3F});
}

QByteArray levelQuery()
{
    return bytes({0x53, 0x03, 0x81, 0x1B, 0xF2});
}

QByteArray refusalFrame()
{
    return bytes({0x53, 0x02, 0x00, 0x55});
}

QByteArray identificationFromLine(const QByteArray &line)
{
    const qsizetype start = find(line, "id=") + 3;
    return cut(line, start, line.size() - start);
}

QByteArray unitTypeFromLine(const QByteArray &line)
{
    const qsizetype start = find(line, "id=") + 3;
    const qsizetype first = find(line, "_");
    const qsizetype second = first > 0 ? find(line, "_", first + 1) : 0;
    return cut(line, start, second - start);
}

QString identStatus(const QByteArray &identification, const QByteArray &type)
{
    QString status = text(identification) + QStringLiteral("    Unit is a ") + text(type).toUpper();
    if (type.contains("s70"))
        status += QStringLiteral(" KAVRELL");
    return status;
}

quint32 hexVersionValue(const QByteArray &digits)
{
    quint32 value = 0;
    for (const char c : digits.left(6)) {
        const int d = hexDigitValue(c);
        if (d < 0)
            break;
        value = value * 16 + static_cast<quint32>(d);
    }
    return value;
}

QByteArray firmwareNameFromAnswer(const QByteArray &answer)
{
    const qsizetype zero = find(answer, QByteArray(1, '\0'));
    QByteArray name = cut(answer, 8, zero - 8);
    // Only blanks are trimmed; other bytes are the unit's.
    while (name.startsWith(' '))
        name.remove(0, 1);
    while (name.endsWith(' '))
        name.chop(1);
    return name;
}

qint16 levelFromAnswer(const QByteArray &answer)
{
    if (answer.size() < 5)
        throw RunError(RunError::SubscriptOutOfRange);
    return static_cast<quint8>(answer.at(4));
}

QString firmwareFilePath(const QString &folder, const QByteArray &identification)
{
    // A unit's text is one byte a character.
    if (!isPlainFileName(text(identification)))
        return QString();
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + text(identification) + QStringLiteral(".vq");
}

} // namespace ScalerProtocol

using namespace ScalerProtocol;

namespace {
ProgrammerWindow &window()
{
    ProgrammerWindow *w = mainWindow();
    if (!w)
        throw RunError(RunError::ObjectNotSet);
    return *w;
}

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
    if (alike.size() > 1) {
        ErrorCtl().Adddebug(QStringLiteral("Firmware: %1 files in %2 differ only in case from "
                                           "\"%3\" (%4); none is used")
                                .arg(QString::number(alike.size()),
                                     QDir::toNativeSeparators(folder), wanted,
                                     alike.join(QStringLiteral(", "))));
        return QString();
    }
    return path;
}

// What the technician is told when the unit's file cannot be taken.
QString noFileMessage(const QStringList &alike)
{
    if (alike.size() < 2)
        return QStringLiteral("File does not exist");
    return QStringLiteral("These firmware files differ only in upper and lower case, so none "
                          "of them was used:\r\n") +
           alike.join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\nKeep only the right one in the firmware folder.");
}
} // namespace

bool Firmware_CheckAbort()
{
    if (AbortFlag != VTrue)
        return false;
    windowMessage(QStringLiteral("Scaler upload Aborted\r\n\r\nPlease power cycle the VQ unit"),
                  MsgStyle::Exclamation, kUpdateTitle);
    ProgrammerWindow &w = window();
    w.setAbortEnabled(false);
    w.setProgrammeEnabled(true);
    w.setStatus(QString());
    return true;
}

bool Firmware_GetIdent(QByteArray &reply)
{
    Trap trap(kModule, QStringLiteral("Firmware_GetIdent"));
    ScalerLinkInterface &link = scalerLink();
    bool result = true;
    trap([&] { window().setStatus(QStringLiteral("Getting Id....")); });
    trap([&] {
        QByteArray ignored;
        link.Transact(resetFrame(), acknowledgeFrame(), ignored, Timeout::IdentReset, VFalse);
    });
    trap([&] { link.Transact({}, {}, reply, Timeout::IdentListen, VFalse); });
    if (!reply.isEmpty() && reply.contains("id=")) {
        const QByteArray line = reply;
        QByteArray type = line;
        trap([&] { reply = identificationFromLine(line); });
        trap([&] { type = unitTypeFromLine(line); });
        trap([&] { window().setStatus(identStatus(reply, type)); });
    } else {
        trap([&] { window().setStatus(kPowerCycle); });
        result = false;
    }
    return result;
}

void Firmware_GetVersion(QByteArray &reply)
{
    Trap trap(kModule, QStringLiteral("Firmware_GetVersion"));
    ScalerLinkInterface &link = scalerLink();
    bool answered = false;
    const auto show = [&](int start) {
        // Six hexadecimal digits; values of 8000 and above are shown unsigned.
        const quint32 version = hexVersionValue(reply.mid(start - 1, 6));
        window().setStatus(QStringLiteral("Unit software version = ") + QString::number(version));
    };

    trap([&] { window().setStatus(QStringLiteral("Getting Version....")); });
    VBool ok = VFalse;
    trap([&] { ok = link.Transact(LongVersionQuery, "\r", reply, Timeout::Version, VTrue); });
    if (ok != VFalse && !reply.contains("F0000")) {
        answered = true;
        reply = reply.left(20);
        trap([&] { show(12); });
    }
    if (!answered) {
        ok = VFalse;
        trap([&] { ok = link.Transact(ShortVersionQuery, "\r", reply, Timeout::Version, VTrue); });
        if (ok != VFalse) {
            reply = reply.left(16);
            trap([&] { show(8); });
            answered = true;
        }
    }
    if (!answered)
        trap([&] { window().setStatus(kPowerCycle); });
}

qint16 Firmware_GetPTBT(QByteArray &name)
{
    Trap trap(kModule, QStringLiteral("Firmware_GetPTBT"));
    ScalerLinkInterface &link = scalerLink();
    qint16 result = 0;
    QByteArray nameText;
    VBool ok = VFalse;
    trap([&] { ok = link.Query(nameQuery(), name, Timeout::RunningQuery, VFalse); });
    if (ok != VFalse) {
        if (name.left(4) == refusalFrame())
            return 0;
        QByteArray cutName;
        trap([&] { cutName = firmwareNameFromAnswer(name); });
        nameText = cutName + ".vq";
        name = nameText;
    }
    ok = VFalse;
    trap([&] { ok = link.Query(levelQuery(), name, Timeout::RunningQuery, VFalse); });
    if (ok != VFalse)
        trap([&] { result = levelFromAnswer(name); });
    name = nameText;
    return result;
}

namespace {
// One programming cycle, in its stages. Each stage returns false when the
// cycle ends there; the window is put back to idle once, when it ends.
class ProgrammingCycle
{
public:
    explicit ProgrammingCycle(const QString &folder)
        : m_link(scalerLink()), m_folder(folder), m_trap(kModule, [this] {
              return QStringLiteral("Firmware_Programme <") + text(m_reply) + QLatin1Char('>');
          })
    {}

    bool run()
    {
        begin();
        if (!m_folder.isEmpty() && listen() && identify() && chooseFile() && handshake() &&
            sendBlocks())
            end();
        finish();
        if (ProgrammerWindow *window = mainWindow())
            m_trap([&] { window->cycleEnded(m_ending); });
        return m_result;
    }

private:
    // How the window is left when the cycle ends.
    enum class Leave
    {
        Idle,          // Abort disabled, Update Firmware enabled
        AbortDisabled, // Update Firmware as it was
        AsItIs,        // the abort test has put it back already
    };

    ProgrammerWindow &w() { return window(); }

    // The abort test; true, and the cycle ends, when the user has aborted.
    bool aborted()
    {
        bool stop = false;
        m_trap([&] { stop = Firmware_CheckAbort(); });
        if (stop) {
            m_result = false;
            m_leave = Leave::AsItIs;
            m_ending = CycleEnding::Aborted;
        }
        return stop;
    }

    // Ends the cycle with a message and a status text (none when empty).
    bool failWith(CycleEnding ending, const QString &message,
                  std::optional<QString> status = std::nullopt)
    {
        m_ending = ending;
        if (!message.isEmpty())
            m_trap([&] { tellUser(message); });
        if (status)
            m_trap([&] { w().setStatus(*status); });
        m_result = false;
        return false;
    }

    void begin()
    {
        m_trap([&] { m_link.SetMode(2); });
        m_trap([&] { w().setAbortEnabled(true); });
        m_trap([&] { w().setProgressValue(0); });
        m_trap([&] { w().setStatus(QString()); });
        if (m_folder.isEmpty()) {
            m_leave = Leave::AbortDisabled;
            m_ending = CycleEnding::NoFolder;
            return;
        }
        m_result = true;
        m_trap([&] { w().setProgrammeEnabled(false); });
    }

    // Listens for a unit in its loader, and brings one there that is not.
    bool listen()
    {
        m_trap([&] { w().setStatus(QStringLiteral("Checking Unit....")); });
        m_trap([&] { m_link.Transact({}, {}, m_reply, Timeout::Check, VFalse); });
        if (m_reply.contains("id="))
            return true;
        m_trap([&] { w().setStatus(QStringLiteral("Resetting Unit....")); });
        if (aborted())
            return false;
        VBool acknowledged = VFalse;
        m_trap([&] {
            acknowledged = m_link.Transact(resetFrame(), acknowledgeFrame(), m_reply,
                                           Timeout::ResetAcknowledge, VFalse);
        });
        if (acknowledged == VFalse) {
            if (aborted())
                return false;
            VBool heard = VFalse;
            m_trap([&] { heard = m_link.Transact({}, {}, m_reply, Timeout::PowerCycle, VFalse); });
            if (heard != VTrue)
                m_trap([&] {
                    tellUser(QStringLiteral("Turn unit off, click OK, then turn unit on."));
                });
        }
        if (aborted())
            return false;
        m_trap([&] { w().setStatus(QStringLiteral("Waiting for ID...")); });
        m_trap([&] { m_link.Transact({}, {}, m_reply, Timeout::Identification, VFalse); });
        return !aborted();
    }

    bool identify()
    {
        if (m_reply.size() < 4)
            return failWith(CycleEnding::NoIdentification,
                            QStringLiteral("Incorrect or no ID received.\r\n"
                                           "Ensure you have the correct firmware file"),
                            QStringLiteral("Incorrect or no ID received"));
        m_trap([&] { m_link.ReadInput(); });
        m_trap([&] { m_link.SendText("U", VFalse); });
        m_trap([&] { m_identification = identificationFromLine(m_reply); });
        return !aborted();
    }

    // The unit names the file: a name that is not a plain file name names none.
    bool chooseFile()
    {
        QStringList alike;
        m_fileName = firmwareFileIn(m_folder, m_identification, alike);
        if (m_identification.isEmpty() || !firmwareFileFound(m_fileName, m_folder))
            return failWith(CycleEnding::NoFile, noFileMessage(alike), QString());
        return true;
    }

    bool handshake()
    {
        m_trap([&] { w().setProgrammeEnabled(false); });
        m_trap([&] { w().setStatus(text(m_reply)); });
        VBool ready = VFalse;
        m_trap([&] {
            QByteArray discarded;
            ready = m_link.Transact({}, "S", discarded, Timeout::LoaderReady, VFalse);
        });
        if (ready == VFalse)
            return failWith(CycleEnding::NoReady,
                            QStringLiteral("Unit did not reply with S ") + text(m_reply));
        m_trap([&] { w().setStatus(QStringLiteral("Programming ...")); });
        VBool started = VFalse;
        m_trap([&] { started = m_link.Transact("Y", "A", m_reply, Timeout::Start, VFalse); });
        if (started == VFalse)
            return failWith(CycleEnding::NoStart, QStringLiteral("Unit did not reply with Y"));
        return true;
    }

    bool sendBlocks()
    {
        QFile file(m_fileName);
        bool opened = false;
        m_trap([&] {
            // Unbuffered: each block is read from the file as it is now, so a
            // file cut while it is sent is noticed at the next block.
            if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                throw RunError(RunError::PathFileAccess,
                               QStringLiteral("The firmware file could not be opened: ") +
                                   file.errorString());
            opened = true;
        });
        if (!opened)
            return failWith(CycleEnding::FileUnreadable, QString(), QString());

        const qint64 length = file.size();
        qint64 position = 0;
        qint32 counter = 0;
        qint32 lastPercent = 0;
        std::array<quint8, BlockSize> block{};
        while (position != length) {
            if (!nextBlockAccepted(file, block, position, length, counter))
                return failWith(m_ending, QString(), QString());
            m_trap([&] {
                w().setStatus(QStringLiteral("Programming... ") + QString::number(counter));
            });
            m_trap([&] { m_link.SendBlock(block, m_reply, 1, Timeout::Block, VFalse); });
            ++counter;
            if (aborted())
                return false;
            m_trap([&] { w().processPendingInput(); });
            const auto percent = static_cast<qint32>(double(position + 1) / double(length) * 100.0);
            if (percent != lastPercent) {
                m_trap([&] { w().setProgressValue(percent); });
                lastPercent = percent;
            }
        }
        return true;
    }

    // Reads the next block; false when it cannot be read or the unit did not
    // accept the one before: no block is sent after an answer other than "A".
    bool nextBlockAccepted(QFile &file, std::array<quint8, BlockSize> &block, qint64 &position,
                           qint64 length, qint32 counter)
    {
        bool haveBlock = false;
        m_trap([&] {
            readBlock(file, block, position, length);
            haveBlock = true;
        });
        bool accepted = false;
        if (haveBlock)
            m_trap([&] {
                if (m_reply != "A")
                    throw RunError(9001,
                                   QStringLiteral("The unit did not accept block %1").arg(counter));
                accepted = true;
            });
        if (!accepted)
            m_ending = haveBlock ? CycleEnding::BlockRefused : CycleEnding::FileUnreadable;
        return accepted;
    }

    void end()
    {
        if (m_reply != "E") {
            failWith(CycleEnding::NotComplete, QStringLiteral("Scaler upload NOT successful"),
                     QString());
            return;
        }
        m_trap([&] { w().setProgressValue(100); });
        m_trap([&] { w().setStatus(QStringLiteral("Programing Complete....")); });
    }

    // The one way out: the window as each ending leaves it.
    void finish()
    {
        if (m_leave == Leave::Idle)
            m_trap([&] { w().setProgrammeEnabled(true); });
        if (m_leave != Leave::AsItIs)
            m_trap([&] { w().setAbortEnabled(false); });
    }

    ScalerLinkInterface &m_link;
    const QString m_folder;
    QByteArray m_reply;
    Trap m_trap;
    QByteArray m_identification;
    QString m_fileName;
    bool m_result = false;
    Leave m_leave = Leave::Idle;
    CycleEnding m_ending = CycleEnding::Complete;
};
} // namespace

bool Firmware_Programme(const QString &folder)
{
    return ProgrammingCycle(folder).run();
}
