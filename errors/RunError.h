#pragma once

#include "Phrase.h"

#include <QString>

#include <exception>
#include <string>

// A run-time failure: an error number and the text that describes it.
// Every failure that a handler's trap reports travels as one of these.
class RunError : public std::exception
{
public:
    // Every number the program raises, named once. Error control's message
    // for each (ErrorControl::rowFor) and its standard text (standardText)
    // are kept beside this table, in errors/.
    enum Number : qint32
    {
        // Common platform failures, numbered as classic BASIC run-time errors.
        InvalidCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        InternalError = 51,
        BadFileName = 52,
        FileNotFound = 53,
        DeviceUnavailable = 68,
        PathFileAccess = 75,
        ObjectNotSet = 91,
        ComponentMissing = 429,   // a component the program needs is not installed
        ComponentDamaged = 430,   // the program's own libraries do not fit together
        ComponentTooOld = 32811,  // a library of the platform is missing or too old
                                  // The link to the unit.
        PortNotOpened = 8018,     // the serial port could not be opened
        LinkLost = 8019,          // the unit closed the connection, or the line went away
        WriteFailed = 8020,       // bytes could not be written to the unit
        BadHexText = 8021,        // a hexadecimal text for the unit is not digit pairs
                                  // The program's settings.
        SettingsNotSaved = 8030,  // the store could not be written; says where it is
                                  // The update check.
        InstallerChanged = 8031,  // a downloaded installer no longer hashes as signed; says how
                                  // The log of the units programmed.
        UnitLogNotWritten = 8032, // a unit's record could not be added to the unit log
                                  // The unit's answers.
        ErrorTest = 9000,
        UploadProblem = 9001, // the unit did not accept a block
        BadResponse = 9002,   // 9002 to 9004: an answer the cycle did not expect
        BadResponseAgain = 9003,
        BadResponseLast = 9004,
        FirmwareNotFound = 9005,
        SettingNotProgrammed = 9006,
        SettingNotRead = 9007,
        // The platform's internet support is older than the program needs.
        InternetSupportTooOld = -2147221051,
    };

    // A failure with the standard text of its number.
    explicit RunError(qint32 number);
    // A failure with a text of its own; an empty text takes the standard one.
    RunError(qint32 number, const QString &description);
    // A failure whose text a person is shown, in the language of the run.
    RunError(qint32 number, const Phrase &description);

    qint32 number() const { return m_number; }
    QString description() const { return m_description; }
    // The description as a person is shown it.
    QString shownDescription() const { return m_shown.isEmpty() ? m_description : m_shown; }
    const char *what() const noexcept override { return m_what.c_str(); }

    // The standard text of a number, or the generic text for numbers without one.
    static QString standardText(qint32 number);

private:
    qint32 m_number;
    QString m_description;
    QString m_shown;
    std::string m_what;
};
