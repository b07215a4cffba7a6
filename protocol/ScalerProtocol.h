#pragma once

#include "Phrase.h"

#include <QByteArray>
#include <QString>

// The unit protocol's frames, texts, timeouts and the rules that cut what a
// unit sends: pure pieces, each tested and fuzzed alone.
namespace ScalerProtocol {

inline constexpr int BlockSize = 32;
// From this running firmware level on, a unit reports the file it runs truly;
// below it, only its restart into the loader tells what it is.
inline constexpr int LevelNamingFirmware = 120;

// How long each exchange waits for the unit, in ms.
namespace Timeout {
// The programming cycle.
inline constexpr int Check = 1000;           // the announcement of a unit already in its loader
inline constexpr int ResetAcknowledge = 400; // the acknowledgement of the reset frame
inline constexpr int PowerCycle = 1000;      // anything at all after an unacknowledged reset
inline constexpr int Identification = 1000;  // the identification line after the reset
inline constexpr int LoaderReady = 2000;     // "S" after "U"
inline constexpr int Start = 9999;           // "A" after "Y"
inline constexpr int Block = 9999;           // the answer to a block
// Identification, the version query and the running firmware query.
inline constexpr int IdentReset = 400;
inline constexpr int IdentListen = 5000;
inline constexpr int Version = 1000;     // each of the two forms
inline constexpr int RunningQuery = 100; // each of the name and level queries
} // namespace Timeout

QByteArray resetFrame();
QByteArray acknowledgeFrame();
QByteArray nameQuery();
QByteArray levelQuery();
QByteArray refusalFrame();
inline const QByteArray LongVersionQuery = "46383430303431303044323F3F0D";
inline const QByteArray ShortVersionQuery = "463830303044323F3F0D";

// The identification in a received text: from after the first "id=" up to,
// not including, the first CR or LF after it, so that nothing that follows
// the line's end becomes part of it; without a line end, up to the last
// character, which ends the line. Without "id=" it starts at the third
// character. Throws RunError 5 when that runs backwards.
QByteArray identificationFromLine(const QByteArray &line);

// The unit type: from after the first "id=" up to, not including, the second
// underscore of the line. Throws RunError 5 when there is no such stretch.
QByteArray unitTypeFromLine(const QByteArray &line);

// "Failure, Please power cycle unit and try again": what the status line
// shows when the unit gave no answer that could be used.
Phrase noAnswerText();

// The status text for an identification line: identification, then the
// type in capitals and the edition label of "s70" units.
Phrase identStatus(const QByteArray &identification, const QByteArray &type);

// The value of up to six hexadecimal digits, read until the first character
// that is not one; 0 when there is none.
quint32 hexVersionValue(const QByteArray &digits);

// The firmware name in a name answer: from the 8th byte up to the first zero
// byte, blanks trimmed. Throws RunError 5 when there is no such stretch.
QByteArray firmwareNameFromAnswer(const QByteArray &answer);

// The level in a level answer: its 5th byte. Throws RunError 9 when it is shorter.
qint16 levelFromAnswer(const QByteArray &answer);

// The firmware file for an identification in folder, or an empty string
// when the identification names no file inside that folder.
QString firmwareFilePath(const QString &folder, const QByteArray &identification);

} // namespace ScalerProtocol
