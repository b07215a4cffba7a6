#pragma once

#include <QString>

#include <exception>
#include <string>

// A run-time failure: an error number and the text that describes it.
// Every failure that a handler's trap reports travels as one of these.
class RunError : public std::exception
{
public:
    // Common platform failures, numbered as classic BASIC run-time errors.
    enum Number : qint32
    {
        InvalidCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        InternalError = 51,
        BadFileName = 52,
        FileNotFound = 53,
        PathFileAccess = 75,
        ObjectNotSet = 91,
        // The program's own numbers.
        SettingsNotSaved = 8030, // the settings store could not be written; says where it is
        InstallerChanged = 8031, // a downloaded installer no longer hashes as signed; says how
    };

    // A failure with the standard text of its number.
    explicit RunError(qint32 number);
    // A failure with a text of its own; an empty text takes the standard one.
    RunError(qint32 number, const QString &description);

    qint32 number() const { return m_number; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

    // The standard text of a number, or the generic text for numbers without one.
    static QString standardText(qint32 number);

private:
    qint32 m_number;
    QString m_description;
    std::string m_what;
};
