#pragma once

#include "UpdateSite.h"

#include <QDateTime>
#include <QHash>

// What the program has verified on the update site since it was built, kept
// in the anchor's folder: each key file it followed ("keys-N.rev", as the
// site served it) and the highest serial it accepted of each revision file
// ("serials"). Read when made: the kept key files are checked again from the
// build's keys on, and one that no longer follows is logged and ends the chain.
class SiteState
{
public:
    explicit SiteState(TrustAnchor anchor);

    const KeySet &keys() const { return m_keys; }
    // Takes the key set of a key file that follows the current one and was
    // not signed more than a day after now, and keeps the file. False, with
    // why, when it does not; the current set stays.
    bool follow(const QByteArray &text, const QDateTime &now, QString *why);

    // The highest serial accepted of a revision file; 0 before the first.
    qint64 highestSerial(const QString &name) const { return m_serials.value(name); }
    // Keeps serial as the highest accepted of name when it is higher; a
    // failure to keep it is logged.
    void accept(const QString &name, qint64 serial);

private:
    void keep(const QString &name, const QByteArray &bytes);

    TrustAnchor m_anchor;
    KeySet m_keys;
    QHash<QString, qint64> m_serials;
};
