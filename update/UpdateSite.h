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

// Whether host is this machine: "localhost" or a loopback address.
bool isLoopbackHost(const QString &host);

// Whether the fetch of from may follow a redirect to to: to HTTPS always, to
// plain HTTP only from plain HTTP and only to a loopback host.
bool redirectAllowed(const QUrl &from, const QUrl &to);

// Whether a name from the site or the unit may name a file in the download
// folder: not empty, not hidden (no leading "."), no "..", no path separator
// or drive colon, and no control, format or line-separator character.
bool isPlainSiteName(const QString &name);

// Where downloads go for the given program folder: the folder itself when a
// file can really be created there, otherwise the per-user application data
// folder.
QString downloadFolderFor(const QString &programFolder);
