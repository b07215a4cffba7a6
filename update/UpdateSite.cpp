#include "UpdateSite.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>

namespace {
QString &baseOverride()
{
    static QString base;
    return base;
}

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
} // namespace

QString updateSiteBase()
{
    if (!baseOverride().isEmpty())
        return baseOverride();
    return QStringLiteral(FLASHWRIGHT_UPDATE_SITE);
}

void setUpdateSiteBase(const QString &base)
{
    baseOverride() = base;
}

QUrl updateAddress(const QString &base, const QString &fileName)
{
    QUrl url(QStringLiteral("https://") + base, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty())
        return QUrl();
    if (isLoopbackHost(url.host()))
        url.setScheme(QStringLiteral("http"));
    url.setPath(url.path(QUrl::FullyDecoded) + fileName, QUrl::DecodedMode);
    return url;
}

QString downloadFolderFor(const QString &programFolder)
{
    const QFileInfo folder(programFolder);
    if (!programFolder.isEmpty() && folder.isDir() && folder.isWritable())
        return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}
