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
        link.Transact(resetFrame(), acknowledgeFrame(), ignored, 400, VFalse);
    });
    trap([&] { link.Transact(QByteArray(), QByteArray(), reply, 5000, VFalse); });
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
    trap([&] { ok = link.Transact(LongVersionQuery, "\r", reply, 1000, VTrue); });
    if (ok != VFalse && !reply.contains("F0000")) {
        answered = true;
        reply = reply.left(20);
        trap([&] { show(12); });
    }
    if (!answered) {
        ok = VFalse;
        trap([&] { ok = link.Transact(ShortVersionQuery, "\r", reply, 1000, VTrue); });
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
    trap([&] { ok = link.Query(nameQuery(), name, 100, VFalse); });
    if (ok != VFalse) {
        if (name.left(4) == refusalFrame())
            return 0;
        QByteArray cutName;
        trap([&] { cutName = firmwareNameFromAnswer(name); });
        nameText = cutName + ".vq";
        name = nameText;
    }
    ok = VFalse;
    trap([&] { ok = link.Query(levelQuery(), name, 100, VFalse); });
    if (ok != VFalse)
        trap([&] { result = levelFromAnswer(name); });
    name = nameText;
    return result;
}

bool Firmware_Programme(const QString &folder)
{
    ScalerLinkInterface &link = scalerLink();
    QByteArray reply;
    Trap trap(kModule, [&reply] {
        return QStringLiteral("Firmware_Programme <") + text(reply) + QLatin1Char('>');
    });
    bool result = false;
    bool aborted = false;
    const auto abortTest = [&] {
        trap([&] { aborted = Firmware_CheckAbort(); });
        return aborted;
    };
    const auto endWithMessage = [&](const QString &message) {
        trap([&] { tellUser(message); });
        trap([&] { window().setProgrammeEnabled(true); });
        trap([&] { window().setAbortEnabled(false); });
        return false;
    };
    // How a refused block ends the cycle; the file is closed by its owner.
    const auto endRefused = [&] {
        trap([&] { window().setAbortEnabled(false); });
        trap([&] { window().setProgrammeEnabled(true); });
        trap([&] { window().setStatus(QString()); });
        return false;
    };

    trap([&] { link.SetMode(2); });
    trap([&] { window().setAbortEnabled(true); });
    trap([&] { window().setProgressValue(0); });
    trap([&] { window().setStatus(QString()); });
    if (folder.isEmpty()) {
        trap([&] { window().setAbortEnabled(false); });
        return false;
    }
    result = true;
    trap([&] { window().setProgrammeEnabled(false); });

    trap([&] { window().setStatus(QStringLiteral("Checking Unit....")); });
    trap([&] { link.Transact(QByteArray(), QByteArray(), reply, 1000, VFalse); });
    if (!reply.contains("id=")) {
        trap([&] { window().setStatus(QStringLiteral("Resetting Unit....")); });
        if (abortTest())
            return false;
        VBool acknowledged = VFalse;
        trap([&] {
            acknowledged = link.Transact(resetFrame(), acknowledgeFrame(), reply, 400, VFalse);
        });
        if (acknowledged == VFalse) {
            if (abortTest())
                return false;
            VBool heard = VFalse;
            trap([&] { heard = link.Transact(QByteArray(), QByteArray(), reply, 1000, VFalse); });
            if (heard != VTrue)
                trap([&] {
                    tellUser(QStringLiteral("Turn unit off, click OK, then turn unit on."));
                });
        }
        if (abortTest())
            return false;
        trap([&] { window().setStatus(QStringLiteral("Waiting for ID...")); });
        trap([&] { link.Transact(QByteArray(), QByteArray(), reply, 1000, VFalse); });
        if (abortTest())
            return false;
    }

    if (reply.size() < 4) {
        trap([&] {
            tellUser(QStringLiteral("Incorrect or no ID received.\r\n"
                                    "Ensure you have the correct firmware file"));
        });
        trap([&] { window().setAbortEnabled(false); });
        trap([&] { window().setProgrammeEnabled(true); });
        trap([&] { window().setStatus(QStringLiteral("Incorrect or no ID received")); });
        return false;
    }

    trap([&] { link.ReadInput(); });
    trap([&] { link.SendText("U", VFalse); });
    QByteArray identification;
    trap([&] { identification = identificationFromLine(reply); });
    if (abortTest())
        return false;

    // The unit names the file: a name that is not a plain file name names none.
    QStringList alike;
    const QString fileName = firmwareFileIn(folder, identification, alike);
    if (identification.isEmpty() || !firmwareFileFound(fileName, folder)) {
        trap([&] { tellUser(noFileMessage(alike)); });
        trap([&] { window().setStatus(QString()); });
        trap([&] { window().setProgrammeEnabled(true); });
        trap([&] { window().setAbortEnabled(false); });
        return false;
    }

    trap([&] { window().setProgrammeEnabled(false); });
    trap([&] { window().setStatus(text(reply)); });
    VBool ready = VFalse;
    trap([&] {
        QByteArray discarded;
        ready = link.Transact(QByteArray(), "S", discarded, 2000, VFalse);
    });
    if (ready == VFalse)
        return endWithMessage(QStringLiteral("Unit did not reply with S ") + text(reply));

    trap([&] { window().setStatus(QStringLiteral("Programming ...")); });
    VBool started = VFalse;
    trap([&] { started = link.Transact("Y", "A", reply, 9999, VFalse); });
    if (started == VFalse)
        return endWithMessage(QStringLiteral("Unit did not reply with Y"));

    QFile file(fileName);
    bool opened = false;
    trap([&] {
        // Unbuffered: each block is read from the file as it is now, so a
        // file cut while it is sent is noticed at the next block.
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw RunError(RunError::PathFileAccess,
                           QStringLiteral("The firmware file could not be opened: ") +
                               file.errorString());
        opened = true;
    });
    if (!opened)
        return endRefused();

    const qint64 length = file.size();
    qint64 position = 0;
    qint32 counter = 0;
    qint32 lastPercent = 0;
    std::array<quint8, BlockSize> block{};
    while (position != length) {
        bool haveBlock = false;
        trap([&] {
            readBlock(file, block, position, length);
            haveBlock = true;
        });
        bool accepted = false;
        if (haveBlock) {
            trap([&] {
                if (reply != "A")
                    throw RunError(9001,
                                   QStringLiteral("The unit did not accept block %1").arg(counter));
                accepted = true;
            });
        }
        if (!accepted) {
            file.close();
            return endRefused();
        }
        trap([&] {
            window().setStatus(QStringLiteral("Programming... ") + QString::number(counter));
        });
        trap([&] { link.SendBlock(block, reply, 1, 9999, VFalse); });
        ++counter;
        if (abortTest()) {
            file.close();
            return false;
        }
        trap([&] { window().processPendingInput(); });
        const auto percent = static_cast<qint32>(double(position + 1) / double(length) * 100.0);
        if (percent != lastPercent) {
            trap([&] { window().setProgressValue(percent); });
            lastPercent = percent;
        }
    }
    file.close();

    if (reply == "E") {
        trap([&] { window().setProgressValue(100); });
        trap([&] { window().setStatus(QStringLiteral("Programing Complete....")); });
    } else {
        trap([&] { tellUser(QStringLiteral("Scaler upload NOT successful")); });
        trap([&] { window().setAbortEnabled(false); });
        trap([&] { window().setProgrammeEnabled(true); });
        trap([&] { window().setStatus(QString()); });
        return false;
    }
    trap([&] { window().setProgrammeEnabled(true); });
    trap([&] { window().setAbortEnabled(false); });
    return result;
}
