#pragma once

#include "SignedFile.h"

#include <QString>
#include <QUrl>

// The update site's base address as the build set it: a host name followed
// by "updates/", without a scheme.
QString builtInUpdateSite();

// What the program trusts on the update site: the key set the build names
// (FLASHWRIGHT_UPDATE_KEYS, with its version and threshold; no keys when it
// names none), and the folder where the program keeps what it has verified
// since: newer key sets and the highest serial of each revision file.
struct TrustAnchor
{
    KeySet keys;
    QString folder;

    // The build's keys, kept under the program's own data folder (never the
    // settings store) in "update-trust".
    static TrustAnchor builtIn(const QString &dataFolder);
};

// The address of a file on the site: https:// + base + file name, or plain
// http:// when the host is a loopback address. A base that starts with
// "https://" keeps HTTPS whatever its host. The name is one path segment, so
// "?" or "#" in it cannot become a query. Invalid for a base without a host.
QUrl updateAddress(const QString &base, const QString &fileName);

// Whether host is this machine: "localhost" or a loopback address.
bool isLoopbackHost(const QString &host);

// Whether the fetch of from may follow a redirect to to: to HTTPS always (the
// signature, not the host, decides what is trusted); to plain HTTP only from
// plain HTTP on a loopback host to a loopback host, never from HTTPS.
bool redirectAllowed(const QUrl &from, const QUrl &to);

// The largest firmware file and installer the program downloads.
constexpr qint64 MaximumFirmwareSize = 64 * 1024 * 1024;
constexpr qint64 MaximumInstallerSize = 512 * 1024 * 1024;

// Whether name is one the program asks the site for as a firmware file: plain,
// one byte a character and in lower case as a unit's name becomes, ending in
// ".vq" with something before it.
bool isFirmwareFileName(const QString &name);
// The revision file of a firmware file: its name up to the first "." (all of
// it when there is none), followed by ".rev", in lower case.
QString firmwareRevisionName(const QString &firmwareName);
// Whether name may be the installer's: plain, and named neither like a
// revision file (".rev") nor like a firmware file (".vq"), in any case.
bool isInstallerFileName(const QString &name);

// Where downloads go for the given program folder: the folder itself when a
// file can really be created there, otherwise the per-user application data
// folder.
QString downloadFolderFor(const QString &programFolder);
