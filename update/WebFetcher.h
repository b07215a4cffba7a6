#pragma once

#include "RevisionFile.h"
#include "WebFetcherInterface.h"

#include <QNetworkReply>

#include <memory>
#include <optional>

class QNetworkAccessManager;

// The internet component: fetches revision files, firmware files and the
// program's installer from the update site over HTTPS, one at a time, while
// the caller waits. Revision files are kept in memory and used only when
// their signature holds for the site's key. Every other file must be the one
// the revision file fetched last names; it is written to a temporary file in
// the download folder, stopped as soon as it grows past its signed size,
// checked against its signed sha256, and only then renamed over its target,
// so a failed download leaves an earlier file as it was.
class WebFetcher : public WebFetcherInterface
{
public:
    WebFetcher();
    ~WebFetcher() override;

    QString UpdateFileName() override;
    qint16 CompareVersion(QString &version, qint32 &kind) override;
    qint32 ErrorCode() override;
    qint16 DownloadFile(QString &base, QString &fileName, qint16 mode,
                        DownloadOwner *owner) override;
    void SetDownloadFolder(QString &folder) override;
    void FinishTransfers() override;
    void ResetTransfer() override;
    qint32 CheckInternetSupport() override;
    bool StartInstaller(const QString &folder) override;

    // How long a transfer may receive nothing before it fails (30 s); a
    // revision file must have arrived whole within four times as long.
    void setStallTimeout(int milliseconds) { m_stallMs = milliseconds; }

    // How much of a reply is held in memory at a time.
    static constexpr qint64 ReadBufferSize = 64 * 1024;

    // The error code for a failed reply: its network error and HTTP status.
    static qint32 errorCodeFor(QNetworkReply::NetworkError error, int httpStatus);

    // One transfer: what is fetched, where it goes, and how it ended.
    struct Transfer;

private:
    qint16 fail(qint32 code, const QString &fileName, const QString &why);
    // Runs one GET to its end; what arrives goes to the transfer's sink.
    void run(Transfer &transfer);
    // A revision file into memory, a firmware file or an installer into the
    // download folder; 1, or 0 with the error code set.
    qint16 fetchRevision(Transfer &transfer, bool firmware);
    qint16 fetchFile(Transfer &transfer, bool firmware);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::optional<RevisionFile> m_revision;
    QString m_folder;
    qint32 m_error = 0;
    int m_stallMs = 30000;
};
