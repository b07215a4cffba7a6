// vqsim: a simulated VQ unit on a TCP port or a pseudo-terminal, for trying
// the program and for scripts. The port or device goes alone on the first
// line of standard output; event lines (--verbose) go to standard error.

#include "FlashwrightVersion.h"
#include "VqSimulator.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <type_traits>

#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int BadUsage = 2;

int usageError(const QString &text)
{
    std::fprintf(stderr, "vqsim: %s\nTry 'vqsim --help' for the options.\n", qPrintable(text));
    return BadUsage;
}

// A whole number from the option, within [min, max].
bool number(const QCommandLineParser &parser, const QString &name, qint64 min, qint64 max,
            qint64 *value, QString *error)
{
    const QString text = parser.value(name);
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok || n < min || n > max) {
        *error = QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\"")
                     .arg(name)
                     .arg(min)
                     .arg(max)
                     .arg(text);
        return false;
    }
    *value = n;
    return true;
}

bool isHex(const QString &text)
{
    for (QChar c : text) {
        if (!c.isDigit() && !(c >= QLatin1Char('a') && c <= QLatin1Char('f')) &&
            !(c >= QLatin1Char('A') && c <= QLatin1Char('F')))
            return false;
    }
    return true;
}

// The bytes of a text with \r, \n, \\ and \xNN escapes; nothing for a bad escape.
std::optional<QByteArray> unescaped(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.append(text[i]);
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == 'r' || next == 'n' || next == '\\') {
            out.append(next == 'r' ? '\r' : next == 'n' ? '\n' : '\\');
            ++i;
        } else if (next == 'x' && i + 3 < text.size() &&
                   isHex(QString::fromLatin1(text.mid(i + 2, 2)))) {
            out.append(char(text.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vqsim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(FlashwrightVersion::Text));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated VQ video scaler unit. It answers the reset frame, the version, name and\n"
        "level queries and the loader's upload, with faults to order.\n"
        "The first line of standard output is the TCP port (--tcp) or the device (--pty),\n"
        "alone; it then serves until SIGINT or SIGTERM, or until its one connection ends\n"
        "(--once). Bad option values end it with exit code 2.\n"
        "The unit keeps its state across connections, as a unit on a serial line does:\n"
        "left in its loader or in the middle of an upload, it stays there until it is\n"
        "reset or power-cycled. SIGUSR1 power-cycles it. Faults at a block (--nak-at,\n"
        "--early-e-at, --drop-at, --silent-at, --wrong-ack-at) happen in the first\n"
        "upload only."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("tcp"), QStringLiteral("Listen on 127.0.0.1:PORT (0 picks a free port)."),
         QStringLiteral("PORT")},
        {QStringLiteral("pty"), QStringLiteral("Serve on a new pseudo-terminal.")},
        {QStringLiteral("once"), QStringLiteral("Serve one connection, then end.")},
        {QStringLiteral("boot-ms"),
         QStringLiteral("Time from the reset acknowledgement to the announcement (default 300)."),
         QStringLiteral("N")},
        {QStringLiteral("in-loader"),
         QStringLiteral("A blank unit: it waits in its loader from power-on and after every "
                        "upload, and announces itself 50 ms after each connection begins.")},
        {QStringLiteral("preamble"),
         QStringLiteral("Send TEXT after each restart, before the announcement (\\r, \\n and "
                        "\\xNN stand for those bytes)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("preamble-ms"),
         QStringLiteral("When the preamble is sent, in ms after the restart (default 20)."),
         QStringLiteral("N")},
        {QStringLiteral("ident"),
         QStringLiteral("Identification announced as \"id=TEXT\" (default vq200_s70_1)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("sw-version"),
         QStringLiteral("The software version the unit reports, six hexadecimal digits "
                        "(default 000123)."),
         QStringLiteral("HEX")},
        {QStringLiteral("long-f0000"),
         QStringLiteral("Answer the long version query with \"F0000??\".")},
        {QStringLiteral("fw-name"),
         QStringLiteral("Running firmware name, up to 16 characters (default FW1)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("refuse-name"),
         QStringLiteral("Answer the name query with the refusal frame, until a new image runs.")},
        {QStringLiteral("level"), QStringLiteral("Running firmware level, 0 to 255 (default 120)."),
         QStringLiteral("N")},
        {QStringLiteral("new-level"),
         QStringLiteral("The level a new image reports once it is uploaded whole, 0 to 255 "
                        "(default: the level before); the unit then runs it under the name of "
                        "its identification."),
         QStringLiteral("N")},
        {QStringLiteral("start-ms"),
         QStringLiteral("After such an upload, leave the name and level queries unanswered for N "
                        "ms while the new image starts (default 0)."),
         QStringLiteral("N")},
        {QStringLiteral("image"),
         QStringLiteral("Reference image; its size ends the upload with \"E\"."),
         QStringLiteral("FILE")},
        {QStringLiteral("size"),
         QStringLiteral("Image size in bytes when there is no --image (default: never ends)."),
         QStringLiteral("N")},
        {QStringLiteral("capture"),
         QStringLiteral("Write what the loader receives to FILE, emptied at each upload."),
         QStringLiteral("FILE")},
        {QStringLiteral("silent"), QStringLiteral("Never send anything.")},
        {QStringLiteral("no-ack"), QStringLiteral("Do not acknowledge the reset frame.")},
        {QStringLiteral("no-id"), QStringLiteral("Do not announce after a reset.")},
        {QStringLiteral("id-text"),
         QStringLiteral("Announce TEXT instead of \"id=\" and the identification."),
         QStringLiteral("TEXT")},
        {QStringLiteral("no-s"), QStringLiteral("Do not answer \"U\" with \"S\".")},
        {QStringLiteral("no-a-after-y"), QStringLiteral("Do not answer \"Y\" with \"A\".")},
        {QStringLiteral("nak-at"), QStringLiteral("Answer block K (from 0) with \"N\"."),
         QStringLiteral("K")},
        {QStringLiteral("early-e-at"),
         QStringLiteral("Answer block K (from 0) with \"E\", ending the upload."),
         QStringLiteral("K")},
        {QStringLiteral("drop-at"),
         QStringLiteral("Drop the connection when block K (from 0) arrives; a pseudo-terminal is "
                        "then served on a new device."),
         QStringLiteral("K")},
        {QStringLiteral("silent-at"), QStringLiteral("Never answer block K (from 0)."),
         QStringLiteral("K")},
        {QStringLiteral("wrong-ack-at"),
         QStringLiteral("Answer block K (from 0) with the text of --wrong-ack instead of \"A\"."),
         QStringLiteral("K")},
        {QStringLiteral("wrong-ack"),
         QStringLiteral("The wrong answer, as hexadecimal bytes (default 61, an \"a\")."),
         QStringLiteral("HEX")},
        {QStringLiteral("reply-delay-ms"), QStringLiteral("Wait N ms before every answer."),
         QStringLiteral("N")},
        {QStringLiteral("baud"),
         QStringLiteral("Pace both directions at 10 bits a byte at this rate (0: no pacing)."),
         QStringLiteral("N")},
        {QStringLiteral("verbose"), QStringLiteral("One line per event on standard error.")},
    };
    parser.addOptions(options);

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\"")
                              .arg(parser.positionalArguments().constFirst()));

    const bool tcp = parser.isSet(QStringLiteral("tcp"));
    const bool pty = parser.isSet(QStringLiteral("pty"));
    if (tcp == pty)
        return usageError(QStringLiteral("give one of --tcp PORT and --pty"));

    VqSimOptions o;
    QString error;
    qint64 n = 0;
    qint64 port = 0;
    if (tcp && !number(parser, QStringLiteral("tcp"), 0, 65535, &port, &error))
        return usageError(error);
    auto intOption = [&](const char *name, qint64 min, qint64 max, auto *target) {
        const QString key = QString::fromLatin1(name);
        if (!parser.isSet(key))
            return true;
        if (!number(parser, key, min, max, &n, &error))
            return false;
        *target = static_cast<std::remove_pointer_t<decltype(target)>>(n);
        return true;
    };
    if (!intOption("boot-ms", 0, INT_MAX, &o.bootMs) || !intOption("level", 0, 255, &o.level) ||
        !intOption("new-level", 0, 255, &o.newLevel) ||
        !intOption("start-ms", 0, INT_MAX, &o.startMs) ||
        !intOption("preamble-ms", 0, INT_MAX, &o.preambleMs) ||
        !intOption("size", 0, LLONG_MAX, &o.size) || !intOption("nak-at", 0, INT_MAX, &o.nakAt) ||
        !intOption("early-e-at", 0, INT_MAX, &o.earlyEAt) ||
        !intOption("drop-at", 0, INT_MAX, &o.dropAt) ||
        !intOption("silent-at", 0, INT_MAX, &o.silentAt) ||
        !intOption("wrong-ack-at", 0, INT_MAX, &o.wrongAckAt) ||
        !intOption("reply-delay-ms", 0, INT_MAX, &o.replyDelayMs) ||
        !intOption("baud", 0, INT_MAX, &o.baud))
        return usageError(error);

    if (parser.isSet(QStringLiteral("wrong-ack"))) {
        const QString hex = parser.value(QStringLiteral("wrong-ack"));
        if (hex.isEmpty() || hex.size() % 2 != 0 || !isHex(hex))
            return usageError(
                QStringLiteral("--wrong-ack wants hexadecimal bytes, not \"%1\"").arg(hex));
        o.wrongAck = QByteArray::fromHex(hex.toLatin1());
    }
    if (parser.isSet(QStringLiteral("ident")))
        o.ident = parser.value(QStringLiteral("ident")).toLatin1();
    if (parser.isSet(QStringLiteral("sw-version"))) {
        const QString version = parser.value(QStringLiteral("sw-version"));
        if (version.size() != 6 || !isHex(version))
            return usageError(
                QStringLiteral("--sw-version wants six hexadecimal digits, not \"%1\"")
                    .arg(version));
        o.version = version.toLatin1();
    }
    if (parser.isSet(QStringLiteral("fw-name"))) {
        const QString name = parser.value(QStringLiteral("fw-name"));
        if (name.size() > 16)
            return usageError(
                QStringLiteral("--fw-name takes at most 16 characters, not \"%1\"").arg(name));
        o.fwName = name.toLatin1();
    }
    if (parser.isSet(QStringLiteral("preamble"))) {
        const std::optional<QByteArray> bytes =
            unescaped(parser.value(QStringLiteral("preamble")).toLatin1());
        if (!bytes)
            return usageError(QStringLiteral("--preamble: a \\ must be followed by r, n, \\ "
                                             "or x and two hexadecimal digits"));
        o.preamble = *bytes;
    }
    if (parser.isSet(QStringLiteral("id-text")))
        o.idText = parser.value(QStringLiteral("id-text")).toLatin1();
    if (parser.isSet(QStringLiteral("image"))) {
        o.imageFile = parser.value(QStringLiteral("image"));
        const QFileInfo image(o.imageFile);
        if (!image.isFile() || !image.isReadable())
            return usageError(QStringLiteral("--image: cannot read \"%1\"").arg(o.imageFile));
    }
    if (parser.isSet(QStringLiteral("capture"))) {
        o.captureFile = parser.value(QStringLiteral("capture"));
        QFile capture(o.captureFile);
        if (!capture.open(QIODevice::WriteOnly | QIODevice::Append))
            return usageError(QStringLiteral("--capture: cannot write \"%1\": %2")
                                  .arg(o.captureFile, capture.errorString()));
    }
    o.once = parser.isSet(QStringLiteral("once"));
    o.inLoader = parser.isSet(QStringLiteral("in-loader"));
    o.longF0000 = parser.isSet(QStringLiteral("long-f0000"));
    o.refuseName = parser.isSet(QStringLiteral("refuse-name"));
    o.silent = parser.isSet(QStringLiteral("silent"));
    o.noAck = parser.isSet(QStringLiteral("no-ack"));
    o.noId = parser.isSet(QStringLiteral("no-id"));
    o.noS = parser.isSet(QStringLiteral("no-s"));
    o.noAAfterY = parser.isSet(QStringLiteral("no-a-after-y"));
    o.verbose = parser.isSet(QStringLiteral("verbose"));

    // The signals are taken synchronously below; blocking them before the
    // serving thread starts keeps them away from it.
    sigset_t handledSignals;
    sigemptyset(&handledSignals);
    sigaddset(&handledSignals, SIGINT);
    sigaddset(&handledSignals, SIGTERM);
    sigaddset(&handledSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &handledSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    VqSimulator sim(o);
    const bool started = tcp ? sim.startTcp(quint16(port), &error) : sim.startPty(&error);
    if (!started) {
        std::fprintf(stderr, "vqsim: %s\n", qPrintable(error));
        return 1;
    }
    if (tcp)
        std::printf("%u\n", unsigned(sim.port()));
    else
        std::printf("%s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);

    // Wake now and then to notice the end of a --once connection.
    const timespec look = {0, 20 * 1000 * 1000};
    while (sim.running()) {
        const int signal = sigtimedwait(&handledSignals, nullptr, &look);
        if (signal == SIGINT || signal == SIGTERM)
            break;
        if (signal == SIGUSR1)
            sim.powerCycle();
    }
    // With --verbose and nobody reading standard error, the serving thread can
    // sit in a write for good; the alarm ends the process all the same.
    alarm(2);
    sim.stop();
    return 0;
}
