#include "ScalerProtocol.h"

#include "RunError.h"
#include "ScalerLinkInterface.h"
#include "TextRules.h"

#include <QDir>

namespace {

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
    if (start > 3) {
        const qsizetype cr = line.indexOf('\r', start - 1);
        const qsizetype lf = line.indexOf('\n', start - 1);
        const qsizetype lineEnd = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        if (lineEnd >= 0)
            return line.mid(start - 1, lineEnd - (start - 1));
    }
    return cut(line, start, line.size() - start);
}

Phrase noAnswerText()
{
    return Phrase::translate("StatusLine", "Failure, Please power cycle unit and try again");
}

QByteArray unitTypeFromLine(const QByteArray &line)
{
    const qsizetype start = find(line, "id=") + 3;
    const qsizetype first = find(line, "_");
    const qsizetype second = first > 0 ? find(line, "_", first + 1) : 0;
    return cut(line, start, second - start);
}

Phrase identStatus(const QByteArray &identification, const QByteArray &type)
{
    //: The unit's identification, then its type in capitals.
    Phrase status = Phrase::translate("StatusLine", "%1    Unit is a %2")
                        .arg(text(identification), text(type).toUpper());
    if (type.contains("s70"))
        status = status + QStringLiteral(" KAVRELL");
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
