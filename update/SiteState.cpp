#include "SiteState.h"

#include "ErrorControl.h"
#include "TextRules.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
const QString kSerials = QStringLiteral("serials");

QString keyFileName(qint64 version)
{
    return QStringLiteral("keys-%1.rev").arg(version);
}

void log(const QString &line)
{
    ErrorCtl().Adddebug(QStringLiteral("Update: ") + line);
}
} // namespace

SiteState::SiteState(TrustAnchor anchor) : m_anchor(std::move(anchor)), m_keys(m_anchor.keys)
{
    const QDir folder(m_anchor.folder);
    for (;;) {
        QFile file(folder.filePath(keyFileName(m_keys.version + 1)));
        if (!file.exists())
            break;
        QString why = file.errorString();
        std::optional<KeyFile> next;
        if (file.open(QIODevice::ReadOnly))
            next = KeyFile::follow(file.read(SignedFile::MaximumSize + 1), m_keys, &why);
        if (!next) {
            log(QStringLiteral("the kept key file %1 is not used: %2; the keys of version %3 "
                               "stay in use")
                    .arg(QDir::toNativeSeparators(file.fileName()), why)
                    .arg(m_keys.version));
            break;
        }
        m_keys = next->keys;
    }
    QFile serials(folder.filePath(kSerials));
    if (!serials.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = serials.read(SignedFile::MaximumSize).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = QString::fromUtf8(lines[i].split(' ').value(0));
        const std::optional<qint64> serial =
            wholeNumber(QString::fromUtf8(lines[i].split(' ').value(1)), 1, INT64_MAX, true);
        if (isPlainFileName(name) && serial && lines[i].count(' ') == 1)
            m_serials.insert(name, std::max(*serial, m_serials.value(name)));
        else if (!lines[i].isEmpty())
            log(QStringLiteral("line %1 of %2 is not a revision file's name and serial; it is "
                               "passed over")
                    .arg(i + 1)
                    .arg(QDir::toNativeSeparators(serials.fileName())));
    }
}

bool SiteState::follow(const QByteArray &text, const QDateTime &now, QString *why)
{
    const std::optional<KeyFile> next = KeyFile::follow(text, m_keys, why);
    if (!next)
        return false;
    if (next->signedAt > now.addDays(1)) {
        *why = QStringLiteral("it was signed at %1, more than a day after this machine's time %2")
                   .arg(siteTimeText(next->signedAt), siteTimeText(now));
        return false;
    }
    const QStringList before = m_keys.ids(), after = next->keys.ids();
    QStringList retired;
    std::copy_if(before.begin(), before.end(), std::back_inserter(retired),
                 [&](const QString &id) { return !after.contains(id); });
    m_keys = next->keys;
    keep(keyFileName(m_keys.version), text);
    log(QStringLiteral("the site's keys of version %1 are trusted from now on: %2 (%3 of them sign "
                       "the next key file); no longer trusted: %4")
            .arg(m_keys.version)
            .arg(after.join(QStringLiteral(", ")))
            .arg(m_keys.required())
            .arg(retired.isEmpty() ? QStringLiteral("none") : retired.join(QStringLiteral(", "))));
    return true;
}

void SiteState::accept(const QString &name, qint64 serial)
{
    if (serial <= m_serials.value(name))
        return;
    m_serials.insert(name, serial);
    QStringList names = m_serials.keys();
    names.sort();
    QByteArray bytes;
    for (const QString &n : names)
        bytes += n.toUtf8() + ' ' + QByteArray::number(m_serials.value(n)) + '\n';
    keep(kSerials, bytes);
}

void SiteState::keep(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(m_anchor.folder);
    QSaveFile file(QDir(m_anchor.folder).filePath(name));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    log(QStringLiteral("%1 could not be kept: %2; it holds for this run only")
            .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}
