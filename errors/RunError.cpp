#include "RunError.h"

RunError::RunError(qint32 number) : RunError(number, QString()) {}

RunError::RunError(qint32 number, const QString &description)
    : m_number(number), m_description(description.isEmpty() ? standardText(number) : description),
      m_what(QStringLiteral("Error %1: %2").arg(number).arg(m_description).toStdString())
{}

RunError::RunError(qint32 number, const Phrase &description) : RunError(number, description.english)
{
    m_shown = description.shown;
}

QString RunError::standardText(qint32 number)
{
    switch (number) {
    case InvalidCall:
        return QStringLiteral("Invalid procedure call or argument");
    case Overflow:
        return QStringLiteral("Overflow");
    case OutOfMemory:
        return QStringLiteral("Out of memory");
    case SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case DivisionByZero:
        return QStringLiteral("Division by zero");
    case TypeMismatch:
        return QStringLiteral("Type mismatch");
    case InternalError:
        return QStringLiteral("Internal error");
    case BadFileName:
        return QStringLiteral("Bad file name or number");
    case FileNotFound:
        return QStringLiteral("File not found");
    case PathFileAccess:
        return QStringLiteral("Path/File access error");
    case DeviceUnavailable:
        return QStringLiteral("Device unavailable");
    case ComponentMissing:
        return QStringLiteral("ActiveX component can't create object");
    case ObjectNotSet:
        return QStringLiteral("Object variable or With block variable not set");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}
