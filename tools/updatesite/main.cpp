// fw-update-site: the vendor's tool for the update site. It makes the key
// that signs the site, and builds a folder ready to upload: the installer and
// the firmware files with their signed revision files, every name checked
// with the program's own rules. scripts/make-update-site runs it.
#include "RevisionFile.h"
#include "SiteKey.h"
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
    R"(Usage: scripts/make-update-site --key KEY --out DIR --installer FILE --version X.Y.Z
                                [--firmware FILE LEVEL]... [--force]
       scripts/make-update-site --new-key KEY
       scripts/make-update-site --public-key KEY

Writes into DIR (created if needed):
  the installer under its own name, and programmer.rev giving VERSION
  (dot-separated whole numbers) and the installer's name, size and sha256;
  each firmware FILE under its name in lower case, which must end in ".vq",
  and its revision file (the lower-case name up to its first ".", then
  ".rev") giving LEVEL (a whole number) and the file's name, size and sha256.
  Every revision file is signed with the Ed25519 private key in the PEM file
  KEY, and the files are written before the revision files.

  --force       replace files in DIR that hold other content
  --new-key     write a new private key into KEY, a new file that only its
                owner may read, and print the public key as the build takes it
  --public-key  print the public key of KEY as the build takes it
  --help        show this text

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

QByteArray revisionText(const SiteKey &key, const QString &comment, const QString &version,
                        const QString &file, const Facts &facts)
{
    const QByteArray text =
        key.signRevision("# " + comment.toUtf8() + "\nformat=1\nversion=" + version.toUtf8() +
                         "\nfile=" + file.toUtf8() + "\nsize=" + QByteArray::number(facts.size) +
                         "\nsha256=" + facts.sha256.toHex() + '\n');
    // What is published must be what the program reads.
    QString why;
    const auto read = RevisionFile::parse(text, key.publicKey(), &why);
    if (!read || read->file != file || read->sha256 != facts.sha256)
        refuse(QStringLiteral("the revision file of '%1' does not read back: %2")
                   .arg(shown(file), why),
               1);
    return text;
}

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
void write(const Entry &entry, const QString &path)
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
    say(stdout, QStringLiteral("-DFLASHWRIGHT_UPDATE_KEY=") +
                    QString::fromLatin1(key.publicKey().toBase64()));
}

struct Arguments
{
    QString key, out, installer, version, newKey, publicKeyOf;
    QList<std::pair<QString, QString>> firmware; // file and level
    bool force = false;
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
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == QLatin1String("--force")) {
            a.force = true;
        } else if (arg == QLatin1String("--firmware")) {
            const QString file = values(2, "a file and a level");
            a.firmware.append({file, args[i]});
        } else {
            QString *value = arg == QLatin1String("--key")          ? &a.key
                             : arg == QLatin1String("--out")        ? &a.out
                             : arg == QLatin1String("--installer")  ? &a.installer
                             : arg == QLatin1String("--version")    ? &a.version
                             : arg == QLatin1String("--new-key")    ? &a.newKey
                             : arg == QLatin1String("--public-key") ? &a.publicKeyOf
                                                                    : nullptr;
            if (!value)
                refuse(QStringLiteral("unknown argument '%1' (see --help)").arg(shown(arg)));
            *value = values(1, "a value");
        }
    }
    return a;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Arguments a = parse(app.arguments().mid(1));
    const bool site = !a.key.isEmpty() || !a.out.isEmpty() || !a.installer.isEmpty() ||
                      !a.version.isEmpty() || !a.firmware.isEmpty() || a.force;
    if (!a.newKey.isEmpty() || !a.publicKeyOf.isEmpty()) {
        if (site || (!a.newKey.isEmpty() && !a.publicKeyOf.isEmpty()))
            refuse(QStringLiteral("--new-key and --public-key are used alone (see --help)"));
        if (!a.publicKeyOf.isEmpty()) {
            printPublicKey(loadKey(a.publicKeyOf));
            return 0;
        }
        QString why;
        const std::optional<SiteKey> key = SiteKey::generate(&why);
        if (!key || !key->save(a.newKey, &why))
            refuse(why, 1);
        printPublicKey(*key);
        return 0;
    }

    if (a.key.isEmpty())
        refuse(QStringLiteral("--key KEY is missing (see --help)"));
    if (a.out.isEmpty())
        refuse(QStringLiteral("--out DIR is missing (see --help)"));
    if (a.installer.isEmpty())
        refuse(QStringLiteral("--installer FILE is missing (see --help)"));
    if (a.version.isEmpty())
        refuse(QStringLiteral("--version is missing (see --help)"));
    // Read as the program reads it: it equals itself only when readable.
    if (a.version != a.version.trimmed() || compareVersions(a.version, a.version, 2) != 2)
        refuse(QStringLiteral("version '%1' is not dot-separated whole numbers")
                   .arg(shown(a.version)));
    const SiteKey key = loadKey(a.key);

    QList<Entry> entries;
    const auto add = [&](Entry entry) {
        for (const Entry &e : entries)
            if (e.name == entry.name)
                refuse(QStringLiteral("%1 and %2 both give %3")
                           .arg(entry.origin, e.origin, shown(entry.name)));
        entries.append(std::move(entry));
    };

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
    add({installer,
         QStringLiteral("the installer '%1'").arg(shown(a.installer)),
         a.installer,
         installerFacts,
         {}});
    add({QStringLiteral("programmer.rev"),
         QStringLiteral("the installer's revision"),
         {},
         {},
         revisionText(key, QStringLiteral("Flashwright update site: the program's release"),
                      a.version, installer, installerFacts)});

    for (const auto &[file, level] : a.firmware) {
        if (level != level.trimmed() || compareVersions(level, level, 1) != 2)
            refuse(QStringLiteral("level '%1' of '%2' is not a whole number")
                       .arg(shown(level), shown(file)));
        const QString name = QFileInfo(file).fileName().toLower();
        if (!isFirmwareFileName(name))
            refuse(QStringLiteral("the program never asks for a firmware file named '%1': it must "
                                  "be a plain name (not hidden, no path, drive colon, \"..\", "
                                  "control or format character) of characters a unit sends a "
                                  "byte each, ending in \".vq\"")
                       .arg(shown(name)));
        const Facts facts = factsOf(file);
        if (facts.size > MaximumFirmwareSize)
            refuse(QStringLiteral("'%1' is larger than the program's limit of %2 bytes")
                       .arg(shown(file))
                       .arg(MaximumFirmwareSize));
        add({name, QStringLiteral("the firmware '%1'").arg(shown(file)), file, facts, {}});
        add({firmwareRevisionName(name),
             QStringLiteral("the revision of '%1'").arg(shown(file)),
             {},
             {},
             revisionText(key, QStringLiteral("Flashwright update site: firmware ") + name, level,
                          name, facts)});
    }

    if (!QDir().mkpath(a.out))
        refuse(QStringLiteral("cannot create the folder '%1'").arg(shown(a.out)));
    if (!QFileInfo(a.out).isDir() || !QFileInfo(a.out).isWritable())
        refuse(QStringLiteral("cannot write into the folder '%1'").arg(shown(a.out)));

    // Every clash is named before anything is written.
    bool refused = false;
    QList<const Entry *> todo;
    QStringList unchanged;
    for (const Entry &entry : entries) {
        const QString path = QDir(a.out).filePath(entry.name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) {
            todo.append(&entry);
        } else if (info.isDir()) {
            say(stderr, QStringLiteral("make-update-site: '%1' is a folder").arg(shown(path)));
            refused = true;
        } else if (!info.isSymLink() && sameContent(entry, path)) {
            unchanged.append(entry.name);
        } else if (a.force) {
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
    // The files first: no revision file is there before the file it describes.
    std::stable_partition(todo.begin(), todo.end(),
                          [](const Entry *e) { return !e->source.isEmpty(); });
    for (const Entry *entry : todo) {
        write(*entry, QDir(a.out).filePath(entry->name));
        say(stdout, QStringLiteral("written   ") + entry->name);
    }
    return 0;
}
