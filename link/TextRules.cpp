#include "TextRules.h"

std::optional<qint64> wholeNumber(const QString &text, qint64 min, qint64 max, bool digitsOnly)
{
    if (digitsOnly) {
        // Few enough digits that the number cannot overflow.
        if (text.isEmpty() || text.size() > 18)
            return std::nullopt;
        for (const QChar c : text)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
    }
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok, 10);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            return false;
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
    }
    return true;
}

QString TruncateAtChar(const QString &text, const QString &ch)
{
    const qsizetype at = ch.isEmpty() ? -1 : text.indexOf(ch.at(0), 0, Qt::CaseSensitive);
    return at < 0 ? text : text.left(at);
}
