#include "CliOptions.h"

#include "SerialLine.h"
#include "TextRules.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSet>

namespace {
namespace Name {
const QString Port = QStringLiteral("port");
const QString Tcp = QStringLiteral("tcp");
const QString Serial = QStringLiteral("serial");
const QString Folder = QStringLiteral("folder");
const QString Jobs = QStringLiteral("jobs");
const QString Yes = QStringLiteral("yes");
const QString Json = QStringLiteral("json");
const QString Level = QStringLiteral("level");
const QString Check = QStringLiteral("check");
const QString Record = QStringLiteral("record");
const QString Unit = QStringLiteral("unit");
const QString Result = QStringLiteral("result");
const QString Lang = QStringLiteral("lang");
const QString Help = QStringLiteral("help");
const QString Version = QStringLiteral("version");
} // namespace Name

const QList<QPair<QString, CliOptions::Command>> kCommands = {
    {QStringLiteral("ports"), CliOptions::Command::Ports},
    {QStringLiteral("ident"), CliOptions::Command::Ident},
    {QStringLiteral("version"), CliOptions::Command::Version},
    {QStringLiteral("program"), CliOptions::Command::Program},
    {QStringLiteral("firmware"), CliOptions::Command::Firmware},
    {QStringLiteral("records"), CliOptions::Command::Records},
};

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Identifies VQ video scaler units, reads their software versions and programs them\n"
        "with new firmware, as the Flashwright window does, without a window.\n"
        "\n"
        "Commands:\n"
        "  ports    List the serial ports present: device, description, manufacturer,\n"
        "           serial number, USB vendor and product ids, and the COMn name that\n"
        "           stands for each here (the Ports section of the settings, or\n"
        "           /dev/ttyS(n-1) for COMn).\n"
        "  ident    Identify each unit, as Tools > Get Ident does.\n"
        "  version  Read each unit's software version, as Tools > Get Version does.\n"
        "  program  Program each unit with the firmware file named after its\n"
        "           identification followed by .vq, as Update Firmware does, and add\n"
        "           a record of it to the unit log. With --level N, first ask the\n"
        "           running firmware: a unit that names its file at level N or more\n"
        "           (and at least 120) is left alone; any other is programmed, then\n"
        "           asked again until it runs level N or more.\n"
        "  firmware Ask each running unit, without restarting it, for the name and\n"
        "           level of the firmware it runs.\n"
        "  records  List the unit log's records: when, which unit, the result and\n"
        "           the ending, the levels before and after, the firmware file."));
    parser.addOptions({
        {Name::Port,
         QStringLiteral("A unit on the serial port NAME: COMn, COMn: or a device such as "
                        "/dev/ttyUSB0. May be given more than once."),
         QStringLiteral("NAME")},
        {Name::Tcp,
         QStringLiteral("A unit over Ethernet at HOST:PORT or [IPv6]:PORT. May be given more "
                        "than once."),
         QStringLiteral("HOST:PORT")},
        {Name::Serial,
         QStringLiteral("Serial parameters: speed, parity n, o or e, data bits 7 or 8, stop bits "
                        "1 or 2, such as 115200,n,8,1."),
         QStringLiteral("PARAMS")},
        {Name::Folder,
         QStringLiteral("program: the folder of the .vq files (default: the stored firmware "
                        "folder)."),
         QStringLiteral("DIR")},
        {Name::Level,
         QStringLiteral("program: leave units that run level N (0 to 255) or more alone, and "
                        "check the level of those programmed."),
         QStringLiteral("N")},
        {Name::Check,
         QStringLiteral("program with --level: only ask each unit and say whether it would be "
                        "programmed; nothing else is sent and nothing recorded.")},
        {Name::Record,
         QStringLiteral("The unit log: program adds its records there, records reads it "
                        "(default: units.jsonl in ~/.local/share/ORVANT/Flashwright)."),
         QStringLiteral("FILE")},
        {Name::Unit,
         QStringLiteral("records: only those of the unit ADDRESS (a port or host:port)."),
         QStringLiteral("ADDRESS")},
        {Name::Result,
         QStringLiteral("records: only those whose result (programmed, unchanged, failed) or "
                        "ending (such as BlockRefused) is RESULT."),
         QStringLiteral("RESULT")},
        {Name::Jobs, QStringLiteral("Work on at most N units at once (default: all of them)."),
         QStringLiteral("N")},
        {Name::Yes, QStringLiteral("Ask nothing: take the default answer of every question.")},
        {Name::Json,
         QStringLiteral("Print one JSON object a line: each stage, progress at most 10 times a "
                        "second, each message and the result.")},
        {Name::Lang,
         QStringLiteral("The language of the text for people, such as de, fr or es (default: "
                        "the system's). The JSON, the logs and the exit codes stay English."),
         QStringLiteral("LANG")},
        {{QStringLiteral("h"), Name::Help}, QStringLiteral("Show this help and exit.")},
        {Name::Version, QStringLiteral("Print the program's name and version and exit.")},
    });
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, ident, version, program, firmware or "
                                                "records."));
}

bool portName(const QString &text, QString &port)
{
    if (const int n = comPortNumber(text)) {
        port = comPortName(n);
        return true;
    }
    // A device's own name, such as ttyUSB0, is a device in /dev.
    static const QRegularExpression bareDevice(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    port = bareDevice.match(text).hasMatch() ? QStringLiteral("/dev/") + text : text;
    return port.startsWith(QLatin1Char('/'));
}

// A host name of letters, digits and hyphens in dot-separated labels, or an
// IPv4 address; nothing with a scheme, a path, blanks or a second colon.
bool hostName(const QString &host)
{
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                       "(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

// HOST:PORT or [IPv6]:PORT.
bool tcpAddress(const QString &text, UnitTarget &unit)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('['))) {
        if (!host.endsWith(QLatin1Char(']')))
            return false;
        host = host.mid(1, host.size() - 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return false;
    } else if (!hostName(host)) {
        return false;
    }
    const std::optional<qint64> port = wholeNumber(text.mid(colon + 1), 1, 65535, true);
    if (!port)
        return false;
    unit.host = host;
    unit.tcpPort = static_cast<quint16>(*port);
    return true;
}

bool readUnits(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    const QStringList ports = parser.values(Name::Port);
    const QStringList addresses = parser.values(Name::Tcp);
    qsizetype nextPort = 0;
    qsizetype nextAddress = 0;
    // In the order given, serial ports and addresses mixed.
    for (const QString &name : parser.optionNames()) {
        UnitTarget unit;
        if (name == Name::Port) {
            const QString text = ports.value(nextPort++);
            unit.kind = UnitTarget::Kind::Serial;
            if (!portName(text, unit.port)) {
                error = QStringLiteral("--port wants COMn, COMn: or a device such as "
                                       "/dev/ttyUSB0 or ttyUSB0, not \"%1\"")
                            .arg(text);
                return false;
            }
        } else if (name == Name::Tcp) {
            const QString text = addresses.value(nextAddress++);
            unit.kind = UnitTarget::Kind::Tcp;
            if (!tcpAddress(text, unit)) {
                error = QStringLiteral("--tcp wants HOST:PORT or [IPv6]:PORT with a port from 1 "
                                       "to 65535, such as 192.168.1.20:10001, "
                                       "unit7.example.com:10001 or [fd00::7]:10001; not \"%1\"")
                            .arg(text);
                return false;
            }
        } else {
            continue;
        }
        options.units.append(unit);
    }
    return true;
}

// --level, --check, --record and the filters of records.
bool readFleetOptions(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    const bool program = options.command == CliOptions::Command::Program;
    const bool records = options.command == CliOptions::Command::Records;
    if (parser.isSet(Name::Level)) {
        const std::optional<qint64> level = wholeNumber(parser.value(Name::Level), 0, 255, true);
        if (!level || !program) {
            error = QStringLiteral("--level wants a level from 0 to 255, and only with program");
            return false;
        }
        options.level = int(*level);
    }
    options.check = parser.isSet(Name::Check);
    if (options.check && !options.level) {
        error = QStringLiteral("--check needs program --level N");
        return false;
    }
    if (parser.isSet(Name::Record)) {
        options.record = parser.value(Name::Record);
        if (options.record->isEmpty() || !(program || records)) {
            error = QStringLiteral("--record takes a file, and only with program or records");
            return false;
        }
    }
    for (const auto &[name, filter] : {std::pair{Name::Unit, &options.unitFilter},
                                       std::pair{Name::Result, &options.resultFilter}}) {
        if (!parser.isSet(name))
            continue;
        if (!records) {
            error = QStringLiteral("--%1 is for records only").arg(name);
            return false;
        }
        *filter = parser.value(name);
    }
    if (records &&
        (!options.units.isEmpty() || options.serialParameters || options.jobs || options.yes)) {
        error = QStringLiteral("records takes no unit: give --unit ADDRESS to choose its "
                               "records");
        return false;
    }
    return true;
}

bool readSettings(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    if (parser.isSet(Name::Serial)) {
        const QString text = parser.value(Name::Serial);
        QString why;
        if (!parseSerialParameters(text, &why)) {
            error = QStringLiteral("--serial \"%1\": %2").arg(text, why);
            return false;
        }
        const bool serialUnit =
            options.units.isEmpty() ||
            std::any_of(options.units.cbegin(), options.units.cend(),
                        [](const UnitTarget &u) { return u.kind == UnitTarget::Kind::Serial; });
        if (!serialUnit) {
            error = QStringLiteral("--serial applies to serial ports, and only --tcp is given");
            return false;
        }
        options.serialParameters = text;
    }
    if (parser.isSet(Name::Folder)) {
        options.folder = parser.value(Name::Folder);
        if (options.command != CliOptions::Command::Program || options.folder->isEmpty()) {
            error = QStringLiteral("--folder takes a folder, and only with program");
            return false;
        }
    }
    if (parser.isSet(Name::Jobs)) {
        const std::optional<qint64> jobs = wholeNumber(parser.value(Name::Jobs), 1, 1000, true);
        if (!jobs) {
            error = QStringLiteral("--jobs wants a whole number from 1 to 1000, not \"%1\"")
                        .arg(parser.value(Name::Jobs));
            return false;
        }
        options.jobs = static_cast<int>(*jobs);
    }
    options.yes = parser.isSet(Name::Yes);
    options.json = parser.isSet(Name::Json);
    if (parser.isSet(Name::Lang))
        options.language = parser.value(Name::Lang);
    return readFleetOptions(parser, options, error);
}
} // namespace

QString UnitTarget::label() const
{
    switch (kind) {
    case Kind::Serial:
        return port;
    case Kind::Tcp:
        return host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(host).arg(tcpPort)
                                               : QStringLiteral("%1:%2").arg(host).arg(tcpPort);
    case Kind::Stored:
        break;
    }
    return QString();
}

QStringList UnitTarget::arguments() const
{
    switch (kind) {
    case Kind::Serial:
        return {QStringLiteral("--port"), port};
    case Kind::Tcp:
        return {QStringLiteral("--tcp"), label()};
    case Kind::Stored:
        break;
    }
    return {};
}

QStringList UnitTarget::identities(const QMap<QString, QString> &portsSection) const
{
    QStringList out;
    if (kind == Kind::Serial) {
        QString why;
        QString device = serialDeviceFor(port, portsSection, &why);
        if (device.isEmpty())
            device = port;
        const QString canonical = QFileInfo(device).canonicalFilePath();
        out << QStringLiteral("serial ") + (canonical.isEmpty() ? device : canonical);
    } else if (kind == Kind::Tcp) {
        QList<QHostAddress> addresses;
        if (const QHostAddress literal(host); !literal.isNull())
            addresses << literal;
        else
            addresses = QHostInfo::fromName(host).addresses();
        for (const QHostAddress &a : std::as_const(addresses))
            out << QStringLiteral("tcp [%1]:%2").arg(a.toString()).arg(tcpPort);
        if (out.isEmpty())
            out << QStringLiteral("tcp %1").arg(label().toLower());
    }
    return out;
}

QString sameUnitTwice(const QList<UnitTarget> &units, const QMap<QString, QString> &portsSection)
{
    QHash<QString, QString> seen; // identity -> the unit as given
    for (const UnitTarget &unit : units) {
        const QStringList identities = unit.identities(portsSection);
        for (const QString &identity : identities)
            if (seen.contains(identity))
                return QStringLiteral("%1 and %2 are the same unit (%3): give it once")
                    .arg(seen.value(identity), unit.label(), identity);
        for (const QString &identity : identities)
            seen.insert(identity, unit.label());
    }
    return QString();
}

QString CliOptions::commandName() const
{
    for (const auto &[name, value] : kCommands)
        if (value == command)
            return name;
    return QString();
}

ParseOutcome parseCliOptions(const QStringList &arguments, CliOptions &options, QString &error)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(Name::Help))
        return ParseOutcome::Help;
    if (parser.isSet(Name::Version))
        return ParseOutcome::Version;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        error = positional.isEmpty()
                    ? QStringLiteral("give a command: ports, ident, version, program, firmware "
                                     "or records")
                    : QStringLiteral("give one command, not \"%1\"")
                          .arg(positional.join(QLatin1Char(' ')));
        return ParseOutcome::Error;
    }
    const auto command = std::find_if(kCommands.cbegin(), kCommands.cend(), [&](const auto &entry) {
        return entry.first == positional.first();
    });
    if (command == kCommands.cend()) {
        error = QStringLiteral("unknown command \"%1\"; the commands are ports, ident, version, "
                               "program, firmware and records")
                    .arg(positional.first());
        return ParseOutcome::Error;
    }
    options.command = command->second;

    if (!readUnits(parser, options, error) || !readSettings(parser, options, error))
        return ParseOutcome::Error;
    if (options.command == CliOptions::Command::Ports &&
        (!options.units.isEmpty() || options.serialParameters || options.jobs || options.yes)) {
        error = QStringLiteral("ports takes no option but --json");
        return ParseOutcome::Error;
    }
    return ParseOutcome::Run;
}

QString cliHelpText()
{
    QCommandLineParser parser;
    describe(parser);
    // Named as it is installed, wherever it was started from.
    QString text = parser.helpText();
    text = QStringLiteral("Usage: flashwright-cli [options] command") +
           text.mid(text.indexOf(QLatin1Char('\n')));
    return text +
           QStringLiteral(
               "\n"
               "The link is the one the program's settings name (Tools > Communications Port)\n"
               "unless --port or --tcp is given; --port, --tcp and --serial change it for this\n"
               "run only and are never saved. Given several --port and --tcp, each unit is worked\n"
               "on in a process of its own, which asks nothing, and one summary line per unit\n"
               "ends the output.\n"
               "\n"
               "Questions, and the answer taken with --yes or without a terminal on standard\n"
               "input:\n"
               "  \"Turn unit off, click OK, then turn unit on.\"  Waits for Enter; without a\n"
               "      terminal it goes on at once.\n"
               "  Ctrl-C during the blocks of program: asks \"Aborting the programming cycle\n"
               "      will leave the Scaler in an unuseable state. Are you Sure ?\" (y or N,\n"
               "      default No: programming goes on). With --yes or without a terminal,\n"
               "      Ctrl-C (SIGINT) itself confirms; so does SIGTERM, always. The cycle then\n"
               "      ends after the current block, and the unit must be power-cycled. Before\n"
               "      the blocks, Ctrl-C or SIGTERM ends the cycle at its next stage, and\n"
               "      nothing more is sent to the unit. A second signal ends the program at\n"
               "      once, after its result. ident, version and firmware end at the first.\n"
               "  Every other Yes or No question (such as \"Attempt to continue?\"): No.\n"
               "\n"
               "Exit codes:\n"
               "  0  success\n"
               "  2  wrong usage: an unknown command or option, or a bad option value\n"
               "  3  the link could not be opened, with the system's reason (a port that\n"
               "     cannot be opened for lack of permission is named with the group to\n"
               "     join), or was lost while in use\n"
               "  4  the unit did not answer: no identification, no \"S\", no \"A\" after \"Y\",\n"
               "     no software version, no running firmware (firmware), or, with --level,\n"
               "     no level within 9 s of taking its new image (asked after 1 s, then\n"
               "     every 2 s, 5 times in all)\n"
               "  5  no firmware file: no firmware folder set, no file named after the unit,\n"
               "     or one that is empty or cannot be read\n"
               "  6  the unit refused a block\n"
               "  7  aborted by Ctrl-C or SIGTERM\n"
               "  8  any other failure, such as a unit that did not confirm the whole image,\n"
               "     or, with --level, one that took it and runs a lower level; records: a\n"
               "     unit log that cannot be read\n"
               "With several units, the code of the first unit in the order given that failed.\n"
               "Each failure is also written to the error log, Programmererror.log (in\n"
               "~/.local/state/ORVANT/Flashwright), as the window writes it.\n"
               "\n"
               "The unit log: every program run but a --check, the window's too, adds one\n"
               "JSON line to units.jsonl in ~/.local/share/ORVANT/Flashwright (or the file of\n"
               "--record): the tool, its version and the host; the unit, its identification,\n"
               "its levels before and after; the firmware file's name, size and sha256; start\n"
               "and end in UTC, the blocks sent of the total, the result (programmed,\n"
               "unchanged, failed), the ending, the exit code, the reason and the error. A\n"
               "log that cannot be written is reported as error 8032; the exit code stays.\n");
}
