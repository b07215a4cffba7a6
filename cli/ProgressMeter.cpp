#include "ProgressMeter.h"

#include <QtMath>

QJsonObject Progress::toJson() const
{
    QJsonObject o{{QStringLiteral("percent"), percent},
                  {QStringLiteral("bytes"), bytes},
                  {QStringLiteral("bytes_per_second"), qRound64(bytesPerSecond)}};
    if (secondsLeft >= 0)
        o.insert(QStringLiteral("seconds_left"), qRound(secondsLeft * 10) / 10.0);
    return o;
}

Progress Progress::fromJson(const QJsonObject &object)
{
    Progress p;
    p.percent = object.value(QStringLiteral("percent")).toInt();
    p.bytes = object.value(QStringLiteral("bytes")).toInteger();
    p.bytesPerSecond = object.value(QStringLiteral("bytes_per_second")).toDouble();
    p.secondsLeft = object.value(QStringLiteral("seconds_left")).toDouble(-1);
    return p;
}

QString Progress::text(int width) const
{
    const int clamped = qBound(0, percent, 100);
    const int filled = width * clamped / 100;
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                   QString(width - filled, QLatin1Char('-')) + QStringLiteral("] ") +
                   QStringLiteral("%1%").arg(clamped, 3);
    if (bytesPerSecond > 0)
        line += bytesPerSecond < 1024
                    ? QStringLiteral("  %1 B/s").arg(qRound(bytesPerSecond))
                    : QStringLiteral("  %1 KiB/s").arg(bytesPerSecond / 1024, 0, 'f', 1);
    if (secondsLeft >= 0) {
        const qint64 left = qCeil(secondsLeft);
        line +=
            QStringLiteral("  %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

Progress ProgressMeter::at(qint64 bytes, int percent) const
{
    Progress p;
    p.percent = std::clamp(percent, 0, 100);
    p.bytes = bytes;
    const double seconds = m_timer.isValid() ? m_timer.nsecsElapsed() / 1e9 : 0;
    if (seconds <= 0 || bytes <= 0)
        return p;
    p.bytesPerSecond = bytes / seconds;
    if (percent >= 100)
        p.secondsLeft = 0;
    else if (percent > 0)
        p.secondsLeft = std::max(0.0, (bytes * 100.0 / percent - bytes) / p.bytesPerSecond);
    return p;
}
