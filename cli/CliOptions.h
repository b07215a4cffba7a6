#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The console program's exit codes.
namespace ExitCode {
enum : int
{
    Success = 0,
    Usage = 2,          // an unknown command or option, or a bad option value
    LinkNotOpened = 3,  // the serial port or the address could not be opened
    NoAnswer = 4,       // the unit sent no identification, no "S", no "A" after "Y", no version
    NoFirmwareFile = 5, // no firmware folder, or no readable file for the unit in it
    BlockRefused = 6,   // the unit did not accept a block
    Aborted = 7,        // Ctrl-C
    OtherFailure = 8,   // the unit did not confirm the whole image, or anything else
};
}

// One unit to work on: a serial port, a TCP address, or the link the
// settings store names.
struct UnitTarget
{
    enum class Kind
    {
        Stored,
        Serial,
        Tcp
    };
    Kind kind = Kind::Stored;
    QString port; // Serial: "COMn:" or a device path
    QString host; // Tcp
    quint16 tcpPort = 0;

    // How the unit is named in the output: the port, or host:port.
    QString label() const;
    // The option that names it to another run of the program.
    QStringList arguments() const;
    // What it is, whatever it is called: the serial device it opens (its real
    // path) or each address and port its host resolves to.
    QStringList identities(const QMap<QString, QString> &portsSection) const;
};

// Why units names one unit twice (two runs on one unit would spoil each
// other's upload), or nothing.
QString sameUnitTwice(const QList<UnitTarget> &units, const QMap<QString, QString> &portsSection);

struct CliOptions
{
    enum class Command
    {
        Ports,
        Ident,
        Version,
        Program,
        Firmware,
        Records
    };
    Command command = Command::Ports;
    QList<UnitTarget> units; // in the order given; empty for the stored link
    std::optional<QString> serialParameters;
    std::optional<QString> folder;
    bool yes = false;
    bool json = false;
    int jobs = 0; // 0: every unit at once
    // program: leave a unit that names its firmware at this level or above
    // alone; with check, only say whether it would be programmed.
    std::optional<int> level;
    bool check = false;
    // program: the unit log to append to; records: the one to read.
    std::optional<QString> record;
    // records: only those of this unit, and of this result or ending.
    std::optional<QString> unitFilter;
    std::optional<QString> resultFilter;
    // The language of what a person reads, such as "fr"; the system's when not given.
    std::optional<QString> language;

    // The command's name as it is typed.
    QString commandName() const;
};

enum class ParseOutcome
{
    Run,
    Help,
    Version,
    Error
};

// Reads the program's arguments (the program's name first). Error, with the
// reason in error, for anything it cannot take as it is.
ParseOutcome parseCliOptions(const QStringList &arguments, CliOptions &options, QString &error);

// The text of --help: commands, options, the questions and exit codes.
QString cliHelpText();
