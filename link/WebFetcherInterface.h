#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

// What a download shows to the person waiting for it. The main window
// implements it with a modal progress dialog whose Cancel button calls the
// given function.
class DownloadOwner
{
public:
    virtual ~DownloadOwner() = default;

    virtual void transferStarted(const QString &fileName, std::function<void()> cancel) = 0;
    // total is -1 while the size is not known.
    virtual void transferProgress(qint64 received, qint64 total) = 0;
    virtual void transferFinished() = 0;
};

// The internet component through which the update check reaches the update
// site. Every call blocks the caller until it has finished.
class WebFetcherInterface
{
public:
    virtual ~WebFetcherInterface() = default;

    // The installer's file name given by the revision file fetched last.
    virtual QString UpdateFileName() = 0;
    // Compares version with the version of the revision file fetched last;
    // kind 2 for the program's own version, 1 for a firmware level. 1 when the
    // site's is newer, 2 when equal, 0 when older or when nothing can be compared.
    virtual qint16 CompareVersion(QString &version, qint32 &kind) = 0;
    // 0 after a success; 1 to 8 for the failure of the last transfer.
    virtual qint32 ErrorCode() = 0;
    // Fetches base + fileName. Mode 0 for a firmware revision file, 1 for a
    // firmware file, 2 for the program's revision file and installer.
    // Non-zero when the file was fetched; 0 when not, with ErrorCode saying why.
    virtual qint16 DownloadFile(QString &base, QString &fileName, qint16 mode,
                                DownloadOwner *owner) = 0;
    // Files fetched afterwards are written into this folder.
    virtual void SetDownloadFolder(QString &folder) = 0;
    virtual void FinishTransfers() = 0;
    virtual void ResetTransfer() = 0;
    // 1 when the platform's internet support is usable, 3 when it is not.
    virtual qint32 CheckInternetSupport() = 0;
    // Starts the installer fetched last, found in folder under its own name,
    // as a separate program, once it still hashes to the sha256 its revision
    // file signed. False when there is no such file; throws RunError when it
    // is there but was changed since, or cannot be started.
    virtual bool StartInstaller(const QString &folder) = 0;
    // The same check alone, before the person is told that the program ends:
    // false when there is no such file; throws RunError 8031 when it was
    // changed since, and removes it.
    virtual bool VerifyInstaller(const QString &folder) = 0;
    // When the revision file refused last for its dates (codes 7 and 8) was signed.
    virtual QDateTime RefusedSigningTime() = 0;
};

// Error codes of the internet component.
namespace FetchError {
enum : qint32
{
    None = 0,
    NotFound = 1,
    Unknown = 2,
    NoInternet = 3,
    ProxyAuthentication = 4,
    Cancelled = 5,
    BadRevisionFile = 6,
    Expired = 7,        // the site has not been refreshed since its files were signed
    SignedInFuture = 8, // signed more than a day after this machine's time
};
}
