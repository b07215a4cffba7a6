#pragma once

#include "RevisionFile.h"
#include "SiteState.h"
#include "WebFetcherInterface.h"

#include <QNetworkReply>

#include <memory>
#include <optional>

class QNetworkAccessManager;

// The internet component: fetches revision files, firmware files and the
// program's installer from the update site over HTTPS, one at a time, while
// the caller waits. Before the first revision file of a check it follows the
// site's key files ("keys.rev", and "keys-N.rev" for a version it skipped).
// Revision files are kept in memory and used only when a key it trusts signed
// them, they are not expired nor signed more than a day ahead of this
// machine's clock, and their serial is not below one it accepted before
// (SiteState keeps both). Every other file must be the one
// the revision file fetched last names; it is written to a temporary file in
// the download folder, stopped as soon as it grows past its signed size,
// checked against its signed sha256, and only then renamed over its target,
// so a failed download leaves an earlier file as it was.
class WebFetcher : public WebFetcherInterface
{
public:
    explicit WebFetcher(TrustAnchor anchor);
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
    bool VerifyInstaller(const QString &folder) override;
    QDateTime RefusedSigningTime() override { return m_refusedSignedAt; }

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
    // A revision or key file into memory, within its size and time limits.
    void runSmall(Transfer &transfer, QByteArray &body);
    // Follows the site's key files, once a check; a key file that cannot be
    // used is logged and the keys stay. False, with the error code set, when
    // the site cannot be reached.
    bool followKeys(const QString &base);
    SiteState &state();

    std::unique_ptr<QNetworkAccessManager> m_manager;
    TrustAnchor m_anchor;
    std::unique_ptr<SiteState> m_state; // read on first use
    bool m_keysFollowed = false;
    QDateTime m_refusedSignedAt;
    std::optional<RevisionFile> m_revision;
    QString m_folder;
    qint32 m_error = 0;
    int m_stallMs = 30000;
};
