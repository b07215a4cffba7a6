#pragma once

#include <QString>
#include <QUrl>

// The update site's base address as the build set it: a host name followed
// by "updates/", without a scheme. setUpdateSiteBase() points the program at
// another site (a local mirror); an empty text restores the built one.
QString updateSiteBase();
void setUpdateSiteBase(const QString &base);

// The address of a file on the site: https:// + base + file name, or plain
// http:// when the host is a loopback address. The name is one path segment,
// so "?" or "#" in it cannot become a query. Invalid for a base without a host.
QUrl updateAddress(const QString &base, const QString &fileName);

// Where downloads go for the given program folder: the folder itself when the
// program may write there, otherwise the per-user application data folder.
QString downloadFolderFor(const QString &programFolder);
