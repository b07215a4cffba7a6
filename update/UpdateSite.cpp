#include "UpdateSite.h"

#include "TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTemporaryFile>

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString builtInUpdateSite()
{
    return QStringLiteral(FLASHWRIGHT_UPDATE_SITE);
}

TrustAnchor TrustAnchor::builtIn(const QString &dataFolder)
{
    TrustAnchor anchor;
    const QList<QByteArray> keys = QByteArrayLiteral(FLASHWRIGHT_UPDATE_KEYS).split(',');
    for (const QByteArray &key : keys)
        if (!key.isEmpty())
            anchor.keys.keys.append(QByteArray::fromBase64(key));
    anchor.keys.version = FLASHWRIGHT_UPDATE_KEYS_VERSION;
    anchor.keys.threshold = FLASHWRIGHT_UPDATE_KEY_THRESHOLD;
    anchor.folder = QDir(dataFolder).filePath(QStringLiteral("update-trust"));
    return anchor;
}

QUrl updateAddress(const QString &base, const QString &fileName)
{
    const QString https = QStringLiteral("https://");
    const bool explicitHttps = base.startsWith(https, Qt::CaseInsensitive);
    QUrl url(explicitHttps ? base : https + base, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty())
        return QUrl();
    if (!explicitHttps && isLoopbackHost(url.host()))
        url.setScheme(QStringLiteral("http"));
    url.setPath(url.path(QUrl::FullyDecoded) + fileName, QUrl::DecodedMode);
    return url;
}

bool redirectAllowed(const QUrl &from, const QUrl &to)
{
    if (to.scheme() == QLatin1String("https") && !to.host().isEmpty())
        return true;
    return to.scheme() == QLatin1String("http") && from.scheme() == QLatin1String("http") &&
           isLoopbackHost(from.host()) && isLoopbackHost(to.host());
}

bool isFirmwareFileName(const QString &name)
{
    const QLatin1String suffix(".vq");
    if (!isPlainFileName(name) || name.size() <= suffix.size() || !name.endsWith(suffix) ||
        name != name.toLower())
        return false;
    // A unit names its file a byte a character.
    for (const QChar c : name)
        if (c.unicode() > 0xff)
            return false;
    return true;
}

QString firmwareRevisionName(const QString &firmwareName)
{
    return (TruncateAtChar(firmwareName, QStringLiteral(".")) + QLatin1String(".rev")).toLower();
}

bool isInstallerFileName(const QString &name)
{
    return isPlainFileName(name) && !name.endsWith(QLatin1String(".rev"), Qt::CaseInsensitive) &&
           !name.endsWith(QLatin1String(".vq"), Qt::CaseInsensitive);
}

QString downloadFolderFor(const QString &programFolder)
{
    // Permission bits do not tell (access lists, read-only volumes): try it.
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isDir()) {
        QTemporaryFile probe(QDir(programFolder).filePath(QStringLiteral("write-test-XXXXXX")));
        if (probe.open())
            return programFolder;
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}
