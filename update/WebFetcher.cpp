#include "WebFetcher.h"

#include "ErrorControl.h"
#include "FlashwrightVersion.h"
#include "RunError.h"
#include "TextRules.h"
#include "UpdateSite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QSaveFile>
#include <QSslSocket>
#include <QTimer>

#include <functional>

namespace {
// The system's proxy for everything but the loopback host, which no proxy serves.
class SiteProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (isLoopbackHost(query.peerHostName()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

bool isRevisionFile(qint16 mode, const QString &fileName)
{
    return mode == 0 ||
           (mode == 2 && fileName.endsWith(QLatin1String(".rev"), Qt::CaseInsensitive));
}

// Whether revision, fetched as name, offers what it was asked for: a firmware
// revision file a firmware file whose revision file it is, the program's an
// installer; each within the size limit of its kind.
bool offersItsKind(const RevisionFile &revision, bool firmware, const QString &name, QString *why)
{
    if (firmware ? !isFirmwareFileName(revision.file) || firmwareRevisionName(revision.file) != name
                 : !isInstallerFileName(revision.file)) {
        *why = QStringLiteral("it names \"%1\", which is not %2")
                   .arg(revision.file, firmware ? QStringLiteral("a firmware file it describes")
                                                : QStringLiteral("an installer's name"));
        return false;
    }
    const qint64 limit = firmware ? MaximumFirmwareSize : MaximumInstallerSize;
    if (revision.size > limit) {
        *why = QStringLiteral("it gives a size of %1 bytes, above the limit of %2")
                   .arg(revision.size)
                   .arg(limit);
        return false;
    }
    return true;
}
} // namespace

struct WebFetcher::Transfer
{
    QUrl url;
    QString fileName;
    qint64 limit = -1;                     // refuse a body larger than this
    qint32 tooLarge = FetchError::Unknown; // the code for one that is larger
    bool deadline = false;                 // must arrive whole within a deadline
    DownloadOwner *owner = nullptr;        // shown the progress, may cancel
    // Takes each piece as it arrives; false, with the reason, stops the transfer.
    std::function<bool(const QByteArray &, QString *why)> sink;

    // How it ended: 0, or the error code and why. The first reason given
    // stands; the abort it causes adds no second one.
    qint32 code = FetchError::None;
    QString why;
    void giveUp(qint32 failure, const QString &reason)
    {
        if (code != FetchError::None)
            return;
        code = failure;
        why = reason;
    }
};

WebFetcher::WebFetcher(TrustAnchor anchor)
    : m_manager(std::make_unique<QNetworkAccessManager>()), m_anchor(std::move(anchor))
{
    m_manager->setProxyFactory(new SiteProxyFactory);
    // Every redirect is looked at: never from HTTPS to plain HTTP, and plain
    // HTTP only between loopback hosts.
    m_manager->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

WebFetcher::~WebFetcher() = default;

QString WebFetcher::UpdateFileName()
{
    return m_revision ? m_revision->file : QString();
}

qint16 WebFetcher::CompareVersion(QString &version, qint32 &kind)
{
    return m_revision ? compareVersions(m_revision->version, version, kind) : 0;
}

qint32 WebFetcher::ErrorCode()
{
    return m_error;
}

void WebFetcher::SetDownloadFolder(QString &folder)
{
    m_folder = folder;
}

void WebFetcher::FinishTransfers()
{
    m_manager->clearConnectionCache();
    m_keysFollowed = false;
}

void WebFetcher::ResetTransfer()
{
    m_revision.reset();
    m_error = FetchError::None;
}

qint32 WebFetcher::CheckInternetSupport()
{
    return QSslSocket::supportsSsl() ? 1 : 3;
}

qint32 WebFetcher::errorCodeFor(QNetworkReply::NetworkError error, int httpStatus)
{
    if (httpStatus == 404 || httpStatus == 410)
        return FetchError::NotFound;
    if (httpStatus == 407)
        return FetchError::ProxyAuthentication;
    switch (error) {
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentGoneError:
        return FetchError::NotFound;
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return FetchError::ProxyAuthentication;
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyConnectionClosedError:
        return FetchError::NoInternet;
    default:
        return FetchError::Unknown;
    }
}

qint16 WebFetcher::fail(qint32 code, const QString &fileName, const QString &why)
{
    m_error = code;
    ErrorCtl().Adddebug(QStringLiteral("Update: \"%1\" was not fetched (code %2): %3")
                            .arg(fileName, QString::number(code), why));
    return 0;
}

namespace {
// One GET as it runs: the reply, and the watches that give it up when the
// site misbehaves or the person cancels.
class RunningTransfer
{
public:
    RunningTransfer(QNetworkReply &reply, WebFetcher::Transfer &transfer, int stallMs)
        : m_reply(reply), m_transfer(transfer), m_stallMs(stallMs), m_current(transfer.url)
    {
        m_stall.setSingleShot(true);
        QObject::connect(&m_stall, &QTimer::timeout, &m_reply, [this] {
            giveUp(FetchError::NoInternet,
                   QStringLiteral("nothing arrived for %1 ms").arg(m_stallMs));
        });
        // A revision file is small: one that trickles in byte by byte, each
        // just before the stall limit, is given up all the same.
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, &m_reply, [this] {
            giveUp(FetchError::NoInternet,
                   QStringLiteral("not whole after %1 ms").arg(4 * m_stallMs));
        });
        QObject::connect(&m_reply, &QNetworkReply::redirected, &m_reply,
                         [this](const QUrl &to) { judgeRedirect(to); });
        QObject::connect(&m_reply, &QNetworkReply::metaDataChanged, &m_reply, [this] {
            const QVariant length = m_reply.header(QNetworkRequest::ContentLengthHeader);
            if (m_transfer.limit >= 0 && length.isValid() && length.toLongLong() > m_transfer.limit)
                giveUp(m_transfer.tooLarge, tooLarge());
        });
        QObject::connect(&m_reply, &QNetworkReply::readyRead, &m_reply, [this] { take(); });
        QObject::connect(&m_reply, &QNetworkReply::downloadProgress, &m_reply,
                         [this](qint64 bytes, qint64 total) {
                             m_stall.start(m_stallMs);
                             if (m_transfer.owner)
                                 m_transfer.owner->transferProgress(bytes, total);
                         });
    }

    void wait()
    {
        QEventLoop loop;
        QObject::connect(&m_reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (m_transfer.owner)
            m_transfer.owner->transferStarted(m_transfer.fileName, [this] {
                giveUp(FetchError::Cancelled, QStringLiteral("cancelled by the user"));
            });
        m_stall.start(m_stallMs);
        if (m_transfer.deadline)
            m_deadline.start(4 * m_stallMs);
        // With no dialog to answer, the person's clicks wait until the transfer
        // has ended, as they would while any other call of the check blocks.
        if (!m_reply.isFinished())
            loop.exec(m_transfer.owner ? QEventLoop::AllEvents
                                       : QEventLoop::ExcludeUserInputEvents);
        if (m_transfer.code == FetchError::None && m_reply.bytesAvailable() > 0)
            take();
        m_stall.stop();
        m_deadline.stop();
    }

private:
    void giveUp(qint32 failure, const QString &reason)
    {
        m_transfer.giveUp(failure, reason);
        m_reply.abort();
    }

    QString tooLarge() const
    {
        return QStringLiteral("larger than %1 bytes").arg(m_transfer.limit);
    }

    // Each redirect is judged against the address it leads away from, which
    // the reply itself no longer tells once it reports the redirect.
    void judgeRedirect(const QUrl &to)
    {
        if (redirectAllowed(m_current, to)) {
            m_current = to;
            Q_EMIT m_reply.redirectAllowed();
            return;
        }
        giveUp(FetchError::Unknown, QStringLiteral("the site redirected %1 to %2, which is not "
                                                   "fetched")
                                        .arg(m_current.toString(), to.toString()));
    }

    void take()
    {
        m_stall.start(m_stallMs);
        const QByteArray piece = m_reply.readAll();
        m_received += piece.size();
        if (m_transfer.limit >= 0 && m_received > m_transfer.limit)
            giveUp(m_transfer.tooLarge, tooLarge());
        else if (QString why; !m_transfer.sink(piece, &why))
            giveUp(FetchError::Unknown, why);
    }

    QNetworkReply &m_reply;
    WebFetcher::Transfer &m_transfer;
    const int m_stallMs;
    QUrl m_current;
    QTimer m_stall;
    QTimer m_deadline;
    qint64 m_received = 0;
};
} // namespace

void WebFetcher::run(Transfer &transfer)
{
    QNetworkRequest request(transfer.url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Flashwright/") + QLatin1String(FlashwrightVersion::Text));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(5);
    const std::unique_ptr<QNetworkReply> reply(m_manager->get(request));
    // However fast the site sends, no more than this waits in memory.
    reply->setReadBufferSize(ReadBufferSize);
    RunningTransfer(*reply, transfer, m_stallMs).wait();
    if (reply->error() != QNetworkReply::NoError)
        transfer.giveUp(
            errorCodeFor(reply->error(),
                         reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()),
            reply->errorString());
    reply->disconnect();
}

qint16 WebFetcher::DownloadFile(QString &base, QString &fileName, qint16 mode, DownloadOwner *owner)
{
    m_error = FetchError::None;
    const QString name = fileName;
    const bool revision = isRevisionFile(mode, name);
    if (revision)
        m_revision.reset();
    if (!isPlainFileName(name))
        return fail(FetchError::Unknown, name, QStringLiteral("not a plain file name"));
    Transfer transfer;
    transfer.url = updateAddress(base, name);
    transfer.fileName = name;
    if (!transfer.url.isValid())
        return fail(
            FetchError::Unknown, name,
            QStringLiteral("the site's address \"%1\" is not a host name and path").arg(base));
    if (revision)
        return followKeys(base) ? fetchRevision(transfer, mode == 0) : 0;
    transfer.owner = owner;
    const qint16 fetched = fetchFile(transfer, mode == 1);
    // The progress stays until the file is saved or discarded.
    if (owner)
        owner->transferFinished();
    return fetched;
}

SiteState &WebFetcher::state()
{
    if (!m_state)
        m_state = std::make_unique<SiteState>(m_anchor);
    return *m_state;
}

void WebFetcher::runSmall(Transfer &transfer, QByteArray &body)
{
    transfer.limit = RevisionFile::MaximumSize;
    transfer.tooLarge = FetchError::BadRevisionFile;
    transfer.deadline = true;
    transfer.sink = [&body](const QByteArray &piece, QString *) {
        body += piece;
        return true;
    };
    run(transfer);
}

bool WebFetcher::followKeys(const QString &base)
{
    if (m_keysFollowed)
        return true;
    m_keysFollowed = true;
    SiteState &trust = state();
    const QString latestName = QStringLiteral("keys.rev");
    QString reason;
    // 0, or the code of a failure with the reason; a site that cannot be
    // reached at all fails the check here rather than being asked again.
    const auto fetch = [&](const QString &name, QByteArray &body) {
        Transfer transfer;
        transfer.url = updateAddress(base, name);
        transfer.fileName = name;
        runSmall(transfer, body);
        if (transfer.code == FetchError::NoInternet ||
            transfer.code == FetchError::ProxyAuthentication)
            fail(transfer.code, name, transfer.why);
        reason =
            QStringLiteral("it was not fetched (code %1): %2").arg(transfer.code).arg(transfer.why);
        return transfer.code;
    };
    const auto notUsed = [&](const QString &name) {
        ErrorCtl().Adddebug(
            QStringLiteral("Update: \"%1\" is not used: %2; the keys of version %3 stay in use")
                .arg(name, reason)
                .arg(trust.keys().version));
        return true;
    };
    QByteArray latest;
    const qint32 code = fetch(latestName, latest);
    if (code == FetchError::NotFound)
        return true; // the site has never replaced its keys
    if (m_error != FetchError::None)
        return false;
    if (code != FetchError::None)
        return notUsed(latestName);
    const qint64 claimed = KeyFile::claimedVersion(latest);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (claimed > 0 && claimed < trust.keys().version) {
        reason = QStringLiteral("its version %1 is below %2, that of the keys this program trusts")
                     .arg(claimed)
                     .arg(trust.keys().version);
        return notUsed(latestName);
    }
    // The versions this program has not seen, each checked by the keys before it.
    while (claimed > trust.keys().version + 1) {
        const QString name = QStringLiteral("keys-%1.rev").arg(trust.keys().version + 1);
        QByteArray body;
        const qint32 failed = fetch(name, body);
        if (m_error != FetchError::None)
            return false;
        if (failed != FetchError::None || !trust.follow(body, now, &reason))
            return notUsed(name);
    }
    if (claimed != trust.keys().version && !trust.follow(latest, now, &reason))
        return notUsed(latestName);
    return true;
}

qint16 WebFetcher::fetchRevision(Transfer &transfer, bool firmware)
{
    QByteArray body;
    runSmall(transfer, body);
    const QString &name = transfer.fileName;
    if (transfer.code != FetchError::None)
        return fail(transfer.code, name, transfer.why);
    QString why;
    std::optional<RevisionFile> parsed = RevisionFile::parse(body, state().keys(), &why);
    if (!parsed || !offersItsKind(*parsed, firmware, name, &why))
        return fail(FetchError::BadRevisionFile, name, why);
    // A clock far wrong is named in the message, so that it can be put right.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    m_refusedSignedAt = parsed->signedAt;
    if (parsed->signedAt > now.addDays(1))
        return fail(FetchError::SignedInFuture, name,
                    QStringLiteral("it was signed at %1, more than a day after this machine's "
                                   "time %2")
                        .arg(siteTimeText(parsed->signedAt), siteTimeText(now)));
    if (parsed->expires <= now)
        return fail(FetchError::Expired, name,
                    QStringLiteral("it expired at %1: the site has not been signed again since "
                                   "%2, and this machine's time is %3")
                        .arg(siteTimeText(parsed->expires), siteTimeText(parsed->signedAt),
                             siteTimeText(now)));
    const qint64 highest = state().highestSerial(name);
    if (parsed->serial < highest)
        return fail(FetchError::BadRevisionFile, name,
                    QStringLiteral("its serial %1 is below %2, the highest this program has "
                                   "accepted of it: the site serves an older copy")
                        .arg(parsed->serial)
                        .arg(highest));
    state().accept(name, parsed->serial);
    m_revision = std::move(parsed);
    return 1;
}

qint16 WebFetcher::fetchFile(Transfer &transfer, bool firmware)
{
    // A file is only fetched as the revision file fetched last describes it.
    const QString &name = transfer.fileName;
    if (!m_revision)
        return fail(FetchError::BadRevisionFile, name,
                    QStringLiteral("no revision file was fetched for it"));
    if (name != m_revision->file ||
        !(firmware ? isFirmwareFileName(name) : isInstallerFileName(name)))
        return fail(FetchError::BadRevisionFile, name,
                    QStringLiteral("the revision file fetched last describes \"%1\"")
                        .arg(m_revision->file));
    if (m_folder.isEmpty())
        return fail(FetchError::Unknown, name, QStringLiteral("no download folder is set"));
    QSaveFile file(QDir(m_folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return fail(FetchError::Unknown, name,
                    QStringLiteral("%1 cannot be written: %2")
                        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    transfer.limit = m_revision->size;
    qint64 written = 0;
    transfer.sink = [&](const QByteArray &piece, QString *why) {
        hash.addData(piece);
        written += piece.size();
        if (file.write(piece) == piece.size())
            return true;
        *why = QStringLiteral("writing failed: ") + file.errorString();
        return false;
    };
    run(transfer);
    // Whole, and what was signed, or nothing replaces the earlier file.
    if (written != m_revision->size)
        transfer.giveUp(FetchError::Unknown,
                        QStringLiteral("it has %1 bytes, not the %2 of its revision file")
                            .arg(written)
                            .arg(m_revision->size));
    else if (hash.result() != m_revision->sha256)
        transfer.giveUp(FetchError::Unknown,
                        QStringLiteral("its sha256 %1 is not the %2 of its revision file")
                            .arg(QString::fromLatin1(hash.result().toHex()),
                                 QString::fromLatin1(m_revision->sha256.toHex())));
    if (transfer.code != FetchError::None) {
        file.cancelWriting();
        return fail(transfer.code, name, transfer.why);
    }
    if (!file.commit())
        return fail(FetchError::Unknown, name,
                    QStringLiteral("it could not be saved: ") + file.errorString());
#ifndef Q_OS_WIN
    // An installer must be runnable where it lands.
    if (!firmware)
        QFile::setPermissions(file.fileName(), QFile::permissions(file.fileName()) |
                                                   QFileDevice::ExeOwner | QFileDevice::ExeUser);
#endif
    return 1;
}

bool WebFetcher::VerifyInstaller(const QString &folder)
{
    const QString name = UpdateFileName();
    const QString path = QDir(folder).filePath(name);
    if (!m_revision || !isInstallerFileName(name) || !QFileInfo(path).isFile())
        return false;
    // The folder may be shared: what runs must still be what was signed.
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The installer %1 cannot be read: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    const qint64 size = file.size();
    file.close();
    if (hash.result() == m_revision->sha256)
        return true;
    const bool removed = file.remove();
    throw RunError(
        RunError::InstallerChanged,
        QStringLiteral("%1 now holds %2 bytes with sha256 %3, not the %4 bytes with "
                       "sha256 %5 that its revision file signed. %6")
            .arg(QDir::toNativeSeparators(path))
            .arg(size)
            .arg(QString::fromLatin1(hash.result().toHex()))
            .arg(m_revision->size)
            .arg(QString::fromLatin1(m_revision->sha256.toHex()),
                 removed ? QStringLiteral("It was removed.")
                         : QStringLiteral("It could not be removed: ") + file.errorString()));
}

bool WebFetcher::StartInstaller(const QString &folder)
{
    if (!VerifyInstaller(folder))
        return false;
    const QString path = QDir(folder).filePath(UpdateFileName());
    if (!QProcess::startDetached(path, {}, folder))
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The installer %1 could not be started")
                           .arg(QDir::toNativeSeparators(path)));
    return true;
}
