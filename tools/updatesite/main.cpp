// fw-update-site: the vendor's tool for the update site. It makes the keys
// that sign the site and the key files that replace them, and builds a folder
// ready to upload: the installer and the firmware files with their signed
// revision files, every name checked with the program's own rules. It signs
// them again on a schedule, so that they do not expire. scripts/make-update-site
// runs it.
#include "RevisionFile.h"
#include "SiteKey.h"
#include "TextRules.h"
#include "UpdateSite.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {
const char kUsage[] =
    R"(Usage: scripts/make-update-site --key KEY... --out DIR --installer FILE --version X.Y.Z
                                [--firmware FILE LEVEL]... [--expires-days N] [--force]
       scripts/make-update-site --key KEY... --out DIR --resign [--expires-days N]
       scripts/make-update-site [--key KEY]... --out DIR --rotate [--add KEY]...
                                [--retire ID]... [--threshold N]
       scripts/make-update-site --new-key KEY | --public-key KEY | --build-flags DIR

DIR is the vendor's copy of the update site, kept from one release to the
next: its key files tell the program which keys sign the site (keys.rev the
newest, keys-N.rev each version N), and its revision files carry the serials
that each publish raises.

Publishing writes into DIR (created if needed):
  the installer under its own name, and programmer.rev giving VERSION
  (dot-separated whole numbers) and the installer's name, size and sha256;
  each firmware FILE under its name in lower case, which must end in ".vq",
  and its revision file (the lower-case name up to its first ".", then
  ".rev") giving LEVEL (a whole number) and the file's name, size and sha256.
  Each revision file also gives its serial (one above that of the file it
  replaces, and never below the seconds since 1970), when it was signed and
  when it expires (--expires-days later, default 30). It is signed with each
  KEY, the Ed25519 private key in a PEM file, which must be one of the site's
  current keys; in a DIR without keys.rev, the KEYs become its first key set
  (version 1), the one the program is built with. The files are written
  before the key files, and the key files before the revision files.

  --resign       sign every revision file in DIR again, with a new serial and
                 new dates, once the file it describes is in DIR as it says
  --rotate       write the next key file: the current keys without each
                 --retire ID and with each --add KEY; --threshold of them
                 (default: as before, or all) must sign the key file after
                 it. It is signed by each KEY and each --add KEY, enough for
                 the current keys' threshold and the new set's. Without
                 keys.rev in DIR, the --add keys become version 1
  --force        replace the installer or firmware files in DIR that hold
                 other content
  --new-key      write a new private key into KEY, a new file that only its
                 owner may read, and print it as the build takes it, and its id
  --public-key   print the public key of KEY as the build takes it, and its id
  --build-flags  print the CMake options that build the program with the
                 current keys of DIR
  --help         show this text

Exit status 2 when an argument is refused; nothing is written then.
)";

void say(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

[[noreturn]] void refuse(const QString &why, int status = 2)
{
    say(stderr, QStringLiteral("make-update-site: ") + why);
    std::exit(status);
}

// A name as it can be shown: characters that would hide what it says escaped.
QString shown(const QString &name)
{
    QString text;
    for (const QChar c : name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

struct Facts
{
    qint64 size = 0;
    QByteArray sha256;
};

Facts factsOf(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        refuse(QStringLiteral("cannot read the file '%1'").arg(shown(path)));
    return {file.size(), hash.result()};
}

// One file of the folder: copied from source, or content when that is empty.
struct Entry
{
    QString name;
    QString origin; // what gives it, for messages
    QString source;
    Facts facts;
    QByteArray content;
};

bool sameContent(const Entry &entry, const QString &path)
{
    if (entry.source.isEmpty()) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.size() == entry.content.size() &&
               file.readAll() == entry.content;
    }
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && file.size() == entry.facts.size &&
           hash.addData(&file) && hash.result() == entry.facts.sha256;
}

// Writes the entry whole or not at all; a copied file must still be what
// its revision file signs.
void writeEntry(const Entry &entry, const QString &path)
{
    if (QFileInfo(path).isSymLink())
        QFile::remove(path); // the link itself is replaced, not what it points to
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        refuse(QStringLiteral("cannot write '%1': %2").arg(shown(path), out.errorString()), 1);
    if (entry.source.isEmpty()) {
        out.write(entry.content);
    } else {
        QFile in(entry.source);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!in.open(QIODevice::ReadOnly))
            refuse(QStringLiteral("cannot read '%1'").arg(shown(entry.source)), 1);
        while (!in.atEnd()) {
            const QByteArray piece = in.read(1024 * 1024);
            if (piece.isEmpty())
                break;
            hash.addData(piece);
            out.write(piece);
        }
        if (hash.result() != entry.facts.sha256)
            refuse(QStringLiteral("'%1' changed while it was copied").arg(shown(entry.source)), 1);
    }
    if (!out.commit())
        refuse(QStringLiteral("cannot write '%1': %2").arg(shown(path), out.errorString()), 1);
}

SiteKey loadKey(const QString &path)
{
    QString why;
    const std::optional<SiteKey> key = SiteKey::load(path, &why);
    if (!key)
        refuse(why);
    return *key;
}

void printPublicKey(const SiteKey &key)
{
    say(stdout, QStringLiteral("-DFLASHWRIGHT_UPDATE_KEYS=") +
                    QString::fromLatin1(key.publicKey().toBase64()));
    say(stdout, QStringLiteral("key id ") + key.id());
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(SignedFile::MaximumSize + 1) : QByteArray();
}

bool isKeyFileName(const QString &name)
{
    return name == QLatin1String("keys.rev") ||
           (name.startsWith(QLatin1String("keys-")) && name.endsWith(QLatin1String(".rev")) &&
            wholeNumber(name.mid(5, name.size() - 9), 1, INT64_MAX, true));
}

// The key files of DIR, each checked by the one before: the current set (of
// version 0 and no keys when there is none yet) and every key it ever had.
struct SiteKeys
{
    KeySet current{0, 0, {}};
    QList<QByteArray> ever;
};

SiteKeys siteKeys(const QDir &dir)
{
    SiteKeys s;
    for (qint64 version = 1; dir.exists(QStringLiteral("keys-%1.rev").arg(version)); ++version) {
        QString why;
        const auto next = KeyFile::follow(
            contents(dir.filePath(QStringLiteral("keys-%1.rev").arg(version))), s.current, &why);
        if (!next)
            refuse(QStringLiteral("keys-%1.rev in '%2' does not follow the key file before it: %3")
                       .arg(version)
                       .arg(shown(dir.path()), why),
                   1);
        s.current = next->keys;
        for (const QByteArray &key : s.current.keys)
            if (!s.ever.contains(key))
                s.ever.append(key);
    }
    const QByteArray newest =
        contents(dir.filePath(QStringLiteral("keys-%1.rev").arg(s.current.version)));
    if (dir.exists(QStringLiteral("keys.rev")) &&
        contents(dir.filePath(QStringLiteral("keys.rev"))) != newest)
        refuse(QStringLiteral("keys.rev in '%1' is not keys-%2.rev, the newest key file")
                   .arg(shown(dir.path()))
                   .arg(s.current.version),
               1);
    return s;
}

struct Arguments
{
    QString out, installer, version, newKey, publicKeyOf, buildFlags;
    QStringList keys, add, retire;
    QList<std::pair<QString, QString>> firmware; // file and level
    qint64 expiresDays = 30, threshold = 0;
    bool force = false, resign = false, rotate = false;
};

Arguments parse(const QStringList &args)
{
    Arguments a;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        // The next n arguments, which must be values rather than options.
        const auto values = [&](qsizetype n, const char *what) {
            for (qsizetype k = 1; k <= n; ++k)
                if (i + k >= args.size() || args[i + k].isEmpty() ||
                    args[i + k].startsWith(QLatin1String("--")))
                    refuse(
                        QStringLiteral("%1 needs %2 (see --help)").arg(arg, QLatin1String(what)));
            i += n;
            return args[i - n + 1];
        };
        const auto number = [&](qint64 min, qint64 max) {
            const QString value = values(1, "a number");
            const std::optional<qint64> n = wholeNumber(value, min, max, true);
            if (!n)
                refuse(QStringLiteral("%1 takes a whole number from %2 to %3")
                           .arg(arg)
                           .arg(min)
                           .arg(max));
            return *n;
        };
        QStringList *list = arg == QLatin1String("--key")      ? &a.keys
                            : arg == QLatin1String("--add")    ? &a.add
                            : arg == QLatin1String("--retire") ? &a.retire
                                                               : nullptr;
        bool *flag = arg == QLatin1String("--force")    ? &a.force
                     : arg == QLatin1String("--resign") ? &a.resign
                     : arg == QLatin1String("--rotate") ? &a.rotate
                                                        : nullptr;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (flag) {
            *flag = true;
        } else if (list) {
            list->append(values(1, "a value"));
        } else if (arg == QLatin1String("--firmware")) {
            const QString file = values(2, "a file and a level");
            a.firmware.append({file, args[i]});
        } else if (arg == QLatin1String("--expires-days")) {
            a.expiresDays = number(1, 366);
        } else if (arg == QLatin1String("--threshold")) {
            a.threshold = number(1, 100);
        } else {
            QString *value = arg == QLatin1String("--out")           ? &a.out
                             : arg == QLatin1String("--installer")   ? &a.installer
                             : arg == QLatin1String("--version")     ? &a.version
                             : arg == QLatin1String("--new-key")     ? &a.newKey
                             : arg == QLatin1String("--public-key")  ? &a.publicKeyOf
                             : arg == QLatin1String("--build-flags") ? &a.buildFlags
                                                                     : nullptr;
            if (!value)
                refuse(QStringLiteral("unknown argument '%1' (see --help)").arg(shown(arg)));
            *value = values(1, "a value");
        }
    }
    return a;
}

// What one run writes into DIR.
class Site
{
public:
    explicit Site(const Arguments &a)
        : m_a(a), m_dir(a.out), m_keys(siteKeys(m_dir)),
          m_now(QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC))
    {
        for (const QString &path : a.keys)
            m_signers.append(loadKey(path));
    }

    void add(Entry entry)
    {
        for (const Entry &e : m_entries)
            if (e.name == entry.name)
                refuse(QStringLiteral("%1 and %2 both give %3")
                           .arg(entry.origin, e.origin, shown(entry.name)));
        m_entries.append(std::move(entry));
    }

    // Signs with the KEYs, each of which must be one of the site's keys;
    // the first publish makes them its first key set.
    void useKeysForRevisions()
    {
        if (m_signers.isEmpty())
            refuse(QStringLiteral("--key KEY is missing (see --help)"));
        if (m_keys.current.version == 0)
            rotate(m_signers, {});
        for (const SiteKey &key : m_signers)
            if (!m_keys.current.keys.contains(key.publicKey()))
                refuse(QStringLiteral("key %1 is not one of the site's keys of version %2 (%3)")
                           .arg(key.id())
                           .arg(m_keys.current.version)
                           .arg(m_keys.current.ids().join(QStringLiteral(", "))));
    }

    void rotate(const QList<SiteKey> &added, const QStringList &retired)
    {
        KeySet next = m_keys.current;
        next.version += 1;
        next.threshold = m_a.threshold > 0 ? m_a.threshold : next.threshold;
        for (const QString &id : retired) {
            const qsizetype at = next.ids().indexOf(id);
            if (at < 0)
                refuse(QStringLiteral("--retire %1: no current key has that id").arg(shown(id)));
            next.keys.removeAt(at);
        }
        QByteArray text = "# Flashwright update site: the keys that sign it\nformat=2\nversion=" +
                          QByteArray::number(next.version) + '\n';
        for (const SiteKey &key : added) {
            if (next.keys.contains(key.publicKey()))
                refuse(QStringLiteral("key %1 is a current key already").arg(key.id()));
            next.keys.append(key.publicKey());
        }
        for (const QByteArray &key : next.keys)
            text += "key=" + key.toBase64() + '\n';
        if (next.keys.isEmpty() || next.threshold > next.keys.size())
            refuse(QStringLiteral("the new key set would have %1 keys, and needs at least one "
                                  "and the threshold")
                       .arg(next.keys.size()));
        if (next.threshold > 0)
            text += "threshold=" + QByteArray::number(next.threshold) + '\n';
        QList<SiteKey> signers = m_signers;
        for (const SiteKey &key : added)
            if (std::none_of(signers.begin(), signers.end(),
                             [&](const SiteKey &k) { return k.id() == key.id(); }))
                signers.append(key);
        text = SiteKey::sign(text + "signed=" + siteTimeText(m_now).toLatin1() + '\n', signers);
        QString why;
        if (!KeyFile::follow(text, m_keys.current, &why))
            refuse(QStringLiteral("the key file of version %1 would not be followed: %2")
                       .arg(next.version)
                       .arg(why));
        for (const QString &name :
             {QStringLiteral("keys-%1.rev").arg(next.version), QStringLiteral("keys.rev")})
            add({name, QStringLiteral("the key file"), {}, {}, text});
        m_keys.current = next;
    }

    // A revision file of file, signed with the KEYs, read back as the
    // program reads it.
    void revision(const QString &name, const QString &version, const QString &file,
                  const Facts &facts)
    {
        QString why;
        const auto old = SignedFile::readUnchecked(contents(m_dir.filePath(name)), &why);
        const qint64 serial =
            std::max(m_now.toSecsSinceEpoch(),
                     wholeNumber(old ? old->value(QStringLiteral("serial")) : QString(), 0,
                                 INT64_MAX - 1, true)
                             .value_or(0) +
                         1);
        const QByteArray text = SiteKey::sign(
            "# Flashwright update site: " + file.toUtf8() +
                "\nformat=2\nversion=" + version.toUtf8() + "\nfile=" + file.toUtf8() +
                "\nsize=" + QByteArray::number(facts.size) + "\nsha256=" + facts.sha256.toHex() +
                "\nserial=" + QByteArray::number(serial) +
                "\nsigned=" + siteTimeText(m_now).toLatin1() +
                "\nexpires=" + siteTimeText(m_now.addDays(m_a.expiresDays)).toLatin1() + '\n',
            m_signers);
        const auto read = RevisionFile::parse(text, m_keys.current, &why);
        if (!read || read->file != file || read->sha256 != facts.sha256 || read->serial != serial)
            refuse(QStringLiteral("the revision file of '%1' does not read back: %2")
                       .arg(shown(file), why),
                   1);
        add({name, QStringLiteral("the revision of '%1'").arg(shown(file)), {}, {}, text});
    }

    // Each revision file in DIR signed again, once a key the site has had
    // signed it and the file it describes is there as it says.
    void resign()
    {
        for (const QString &name : m_dir.entryList({QStringLiteral("*.rev")}, QDir::Files)) {
            if (isKeyFileName(name))
                continue;
            QString why;
            const auto old = SignedFile::read(contents(m_dir.filePath(name)), m_keys.ever, &why);
            const QString file = old ? old->value(QStringLiteral("file")) : QString();
            const Facts facts = isPlainFileName(file) && m_dir.exists(file)
                                    ? factsOf(m_dir.filePath(file))
                                    : Facts{-1, {}};
            if (!old ||
                facts.size != wholeNumber(old->value(QStringLiteral("size")), 0, INT64_MAX, true)
                                  .value_or(-2) ||
                facts.sha256.toHex() != old->value(QStringLiteral("sha256")).toLatin1())
                refuse(QStringLiteral("'%1' is not signed by a key of the site, or does not "
                                      "describe a file in '%2' as it is: %3")
                           .arg(shown(name), shown(m_dir.path()), why));
            revision(name, old->value(QStringLiteral("version")), file, facts);
        }
    }

    int write();

    const Arguments &m_a;
    QDir m_dir;
    SiteKeys m_keys;
    QDateTime m_now;
    QList<SiteKey> m_signers;
    QList<Entry> m_entries;
};

int Site::write()
{
    if (!QDir().mkpath(m_a.out))
        refuse(QStringLiteral("cannot create the folder '%1'").arg(shown(m_a.out)));
    if (!QFileInfo(m_a.out).isDir() || !QFileInfo(m_a.out).isWritable())
        refuse(QStringLiteral("cannot write into the folder '%1'").arg(shown(m_a.out)));

    // Every clash is named before anything is written; what this tool signs
    // is new each time and always written.
    bool refused = false;
    QList<const Entry *> todo;
    QStringList unchanged;
    for (const Entry &entry : m_entries) {
        const QString path = m_dir.filePath(entry.name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) {
            todo.append(&entry);
        } else if (info.isDir()) {
            say(stderr, QStringLiteral("make-update-site: '%1' is a folder").arg(shown(path)));
            refused = true;
        } else if (!info.isSymLink() && sameContent(entry, path)) {
            unchanged.append(entry.name);
        } else if (m_a.force || entry.source.isEmpty()) {
            todo.append(&entry);
        } else {
            say(stderr, QStringLiteral("make-update-site: '%1' exists with other content "
                                       "(--force replaces it)")
                            .arg(shown(path)));
            refused = true;
        }
    }
    if (refused)
        return 2;
    for (const QString &name : unchanged)
        say(stdout, QStringLiteral("unchanged ") + name);
    // The files, then the key files, then the revision files: none is there
    // before what it needs.
    const auto rank = [](const Entry *e) {
        return !e->source.isEmpty() ? 0 : isKeyFileName(e->name) ? 1 : 2;
    };
    std::stable_sort(todo.begin(), todo.end(),
                     [&](const Entry *x, const Entry *y) { return rank(x) < rank(y); });
    for (const Entry *entry : todo) {
        writeEntry(*entry, m_dir.filePath(entry->name));
        say(stdout, QStringLiteral("written   ") + entry->name);
    }
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Arguments a = parse(app.arguments().mid(1));
    const bool publish = !a.installer.isEmpty() || !a.version.isEmpty() || !a.firmware.isEmpty();
    const int modes = int(publish) + int(a.resign) + int(a.rotate) + int(!a.newKey.isEmpty()) +
                      int(!a.publicKeyOf.isEmpty()) + int(!a.buildFlags.isEmpty());
    const bool alone = a.out.isEmpty() && a.keys.isEmpty() && !a.force;
    if (modes != 1 ||
        ((!a.newKey.isEmpty() || !a.publicKeyOf.isEmpty() || !a.buildFlags.isEmpty()) && !alone) ||
        ((!a.add.isEmpty() || !a.retire.isEmpty() || a.threshold > 0) && !a.rotate))
        refuse(QStringLiteral("give one of publishing, --resign, --rotate, --new-key, "
                              "--public-key and --build-flags, with its own options (see --help)"));
    if (!a.publicKeyOf.isEmpty()) {
        printPublicKey(loadKey(a.publicKeyOf));
        return 0;
    }
    if (!a.buildFlags.isEmpty()) {
        const SiteKeys keys = siteKeys(QDir(a.buildFlags));
        if (keys.current.version == 0)
            refuse(QStringLiteral("'%1' holds no key file").arg(shown(a.buildFlags)));
        QStringList encoded;
        for (const QByteArray &key : keys.current.keys)
            encoded.append(QString::fromLatin1(key.toBase64()));
        say(stdout,
            QStringLiteral("-DFLASHWRIGHT_UPDATE_KEYS=%1 -DFLASHWRIGHT_UPDATE_KEYS_VERSION=%2 "
                           "-DFLASHWRIGHT_UPDATE_KEY_THRESHOLD=%3")
                .arg(encoded.join(QLatin1Char(',')))
                .arg(keys.current.version)
                .arg(keys.current.threshold));
        return 0;
    }
    if (!a.newKey.isEmpty()) {
        QString why;
        const std::optional<SiteKey> key = SiteKey::generate(&why);
        if (!key || !key->save(a.newKey, &why))
            refuse(why, 1);
        printPublicKey(*key);
        return 0;
    }

    if (a.out.isEmpty())
        refuse(QStringLiteral("--out DIR is missing (see --help)"));
    Site site(a);
    if (a.rotate) {
        QList<SiteKey> added;
        for (const QString &path : a.add)
            added.append(loadKey(path));
        site.rotate(added, a.retire);
        return site.write();
    }
    site.useKeysForRevisions();
    if (a.resign) {
        site.resign();
        return site.write();
    }

    if (a.installer.isEmpty())
        refuse(QStringLiteral("--installer FILE is missing (see --help)"));
    if (a.version.isEmpty())
        refuse(QStringLiteral("--version is missing (see --help)"));
    // Read as the program reads it: it equals itself only when readable.
    if (a.version != a.version.trimmed() || compareVersions(a.version, a.version, 2) != 2)
        refuse(QStringLiteral("version '%1' is not dot-separated whole numbers")
                   .arg(shown(a.version)));

    const QString installer = QFileInfo(a.installer).fileName();
    if (!isInstallerFileName(installer))
        refuse(QStringLiteral("the program never fetches an installer named '%1': it must be a "
                              "plain name (not hidden, no path, drive colon, \"..\", control or "
                              "format character) that does not end in \".rev\" or \".vq\"")
                   .arg(shown(installer)));
    const Facts installerFacts = factsOf(a.installer);
    if (installerFacts.size > MaximumInstallerSize)
        refuse(QStringLiteral("the installer is larger than the program's limit of %1 bytes")
                   .arg(MaximumInstallerSize));
    site.add({installer,
              QStringLiteral("the installer '%1'").arg(shown(a.installer)),
              a.installer,
              installerFacts,
              {}});
    site.revision(QStringLiteral("programmer.rev"), a.version, installer, installerFacts);

    for (const auto &[file, level] : a.firmware) {
        if (level != level.trimmed() || compareVersions(level, level, 1) != 2)
            refuse(QStringLiteral("level '%1' of '%2' is not a whole number")
                       .arg(shown(level), shown(file)));
        const QString name = QFileInfo(file).fileName().toLower();
        if (!isFirmwareFileName(name) || isKeyFileName(firmwareRevisionName(name)))
            refuse(QStringLiteral("the program never asks for a firmware file named '%1': it must "
                                  "be a plain name (not hidden, no path, drive colon, \"..\", "
                                  "control or format character) of characters a unit sends a "
                                  "byte each, ending in \".vq\", whose revision file is not "
                                  "named like a key file")
                       .arg(shown(name)));
        const Facts facts = factsOf(file);
        if (facts.size > MaximumFirmwareSize)
            refuse(QStringLiteral("'%1' is larger than the program's limit of %2 bytes")
                       .arg(shown(file))
                       .arg(MaximumFirmwareSize));
        site.add({name, QStringLiteral("the firmware '%1'").arg(shown(file)), file, facts, {}});
        site.revision(firmwareRevisionName(name), level, name, facts);
    }
    return site.write();
}
