#include "ErrorLog.h"

#include "ErrorState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {
ErrorState::Log &state()
{
    return errorState().log;
}

bool appendLine(const QString &path, const QByteArray &line, QString *reason)
{
    QFile file(path);
    const auto mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text;
    // The log's folder is made when the first entry comes.
    if (!file.open(mode) && !(QDir().mkpath(QFileInfo(path).path()) && file.open(mode))) {
        *reason = file.errorString();
        return false;
    }
    if (file.write(line) != line.size() || !file.flush()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}
} // namespace

namespace ErrorLog {

bool start(const QString &target, int mode)
{
    if (mode != 2)
        return false;
    state().active = true;
    state().target = target;
    state().fallbackNoted = false;
    return true;
}

bool isActive()
{
    return state().active;
}

QString target()
{
    return state().target;
}

QString fallbackTarget()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString name = state().target.isEmpty() ? QStringLiteral("error.log")
                                                  : QFileInfo(state().target).fileName();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(name);
}

void stop()
{
    state() = ErrorState::Log();
}

QString escaped(const QString &entry)
{
    QString out;
    out.reserve(entry.size());
    for (const QChar c : entry) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7f && u <= 0x9f);
        if (control)
            out += QStringLiteral("\\x") +
                   QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\x{%1}").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString append(const QString &entry)
{
    const QByteArray line = escaped(entry).toUtf8() + '\n';
    ErrorState::Log &s = state();
    QString reason;
    if (s.active && !s.target.isEmpty() && appendLine(s.target, line, &reason))
        return s.target;

    // The chosen file cannot be written (a read-only install folder, say).
    const QString fallback = fallbackTarget();
    if (s.active && !fallback.isEmpty() && QDir().mkpath(QFileInfo(fallback).path())) {
        if (!s.fallbackNoted) {
            s.fallbackNoted = true;
            const QString note = escaped(QStringLiteral("Error log %1 cannot be written (%2); "
                                                        "entries follow here")
                                             .arg(QDir::toNativeSeparators(s.target), reason));
            QString ignored;
            appendLine(fallback, note.toUtf8() + '\n', &ignored);
        }
        QString ignored;
        if (appendLine(fallback, line, &ignored))
            return fallback;
    }
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    return QString();
}

} // namespace ErrorLog
