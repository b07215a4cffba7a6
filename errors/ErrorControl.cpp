#include "ErrorControl.h"

#include "ErrorLog.h"
#include "ErrorState.h"
#include "ProcessEnd.h"
#include "RunError.h"
#include "UserMessage.h"

#include <memory>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

Phrase lines(std::initializer_list<Phrase> pieces)
{
    Phrase joined;
    bool first = true;
    for (const Phrase &piece : pieces) {
        joined = first ? piece : joined + kCrLf + piece;
        first = false;
    }
    return joined;
}

// The system's time of day with seconds, even where its short format has none.
QString timeText(const QTime &time, const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        const int minutes = format.indexOf(QLatin1String("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
        else
            format = QStringLiteral("HH:mm:ss");
    }
    return locale.toString(time, format);
}
} // namespace

ErrorState &errorState()
{
    static ErrorState state;
    return state;
}

ErrorControl &ErrorCtl()
{
    std::unique_ptr<ErrorControl> &control = errorState().control;
    if (!control)
        control = std::make_unique<ErrorControl>();
    return *control;
}

void releaseErrorCtl()
{
    errorState().control.reset();
}

ErrorControl::Row ErrorControl::rowFor(qint32 n)
{
    const Phrase numbered = Phrase::translate("ErrorMessage", "Error %1").arg(n);
    const qint32 excl = MsgStyle::Exclamation;
    const qint32 exclYesNo = MsgStyle::Exclamation + MsgStyle::YesNo;
    switch (n) {
    case RunError::ComponentDamaged:
        return {
            Phrase::translate("ErrorMessage",
                              "Problem with application DLL's please re-install the programmer"),
            MsgStyle::Critical, After::LogThenEnd};
    case RunError::PortNotOpened:
        return {lines({Phrase::translate("ErrorMessage",
                                         "Serial Communications Port Could not be opened"),
                       Phrase::translate("ErrorMessage",
                                         "Please verify that the correct port is used")}),
                exclYesNo, After::Answer};
    case RunError::LinkLost:
        return {lines({numbered,
                       Phrase::translate("ErrorMessage", "The connection to the unit was lost."),
                       Phrase::translate("ErrorMessage",
                                         "Check the cable or the network, then try again.")}),
                excl, After::Answer};
    case RunError::WriteFailed:
        return {lines({numbered, Phrase::translate("ErrorMessage", "Writing to the unit failed."),
                       Phrase::translate("ErrorMessage",
                                         "Check the cable or the network, then try again.")}),
                excl, After::Answer};
    case RunError::BadHexText:
        return {lines({numbered, Phrase::translate("ErrorMessage",
                                                   "A command for the unit could not be made, so "
                                                   "it was not sent.")}),
                excl, After::Answer};
    case RunError::SettingsNotSaved:
        return {
            lines({numbered, Phrase::translate("ErrorMessage", "The settings were not saved.")}),
            excl, After::Answer, true};
    case RunError::InstallerChanged:
        return {lines({numbered, Phrase::translate("ErrorMessage",
                                                   "The installer changed after its download and "
                                                   "was not started.")}),
                excl, After::Answer, true};
    case RunError::UnitLogNotWritten:
        return {
            lines({numbered, Phrase::translate("ErrorMessage", "The unit log was not written.")}),
            excl, After::Answer, true};
    case RunError::ErrorTest:
        return {Phrase::translate("ErrorMessage", "Error test"), exclYesNo, After::Answer};
    case RunError::UploadProblem:
        return {
            lines({numbered, Phrase::translate("ErrorMessage", "Scaler upload problem."), Phrase(),
                   Phrase::translate("ErrorMessage", "Ensure no other applications are running"),
                   Phrase::translate("ErrorMessage", "during the programming cycle")}),
            excl, After::Answer};
    case RunError::BadResponse:
    case RunError::BadResponseAgain:
    case RunError::BadResponseLast:
        return {lines({numbered,
                       Phrase::translate("ErrorMessage", "Incorrect responce during programming")}),
                excl, After::Answer};
    case RunError::FirmwareNotFound:
        return {lines({numbered, Phrase::translate("ErrorMessage", "Firmware file not found")}),
                excl, After::Answer};
    case RunError::SettingNotProgrammed:
        return {lines({numbered,
                       Phrase::translate("ErrorMessage",
                                         "Tried to program a scaler setting, scaler did not "
                                         "respond"),
                       Phrase::translate("ErrorMessage",
                                         "The setting may not have been programmed correctly")}),
                excl, After::ForcedNo};
    case RunError::SettingNotRead:
        return {lines({numbered,
                       Phrase::translate("ErrorMessage",
                                         "Tried to read a scaler setting, scaler did not respond"),
                       Phrase()}),
                excl, After::ForcedNo};
    case RunError::ComponentTooOld:
        return {Phrase::translate("ErrorMessage",
                                  "Problem with application DLL's please reinstall product"),
                excl, After::EndWithoutLog};
    case RunError::InternetSupportTooOld:
        return {Phrase::translate("ErrorMessage", "This feature requires Internet explorer version "
                                                  "5 or above to be installed"),
                excl, After::EndWithoutLog};
    default:
        return {lines({Phrase::translate("ErrorMessage", "An Error Occured in the application"),
                       Phrase::translate("ErrorMessage", "Attempt to continue?")}),
                exclYesNo, After::Answer};
    }
}

QString ErrorControl::logLine(const QTime &time, const QDate &date, const QLocale &locale,
                              const QString &filename, const QString &subname, qint32 errorcode,
                              const QString &description)
{
    const QString number =
        errorcode >= 0 ? QLatin1Char(' ') + QString::number(errorcode) : QString::number(errorcode);
    return timeText(time, locale) + QLatin1Char(' ') + locale.toString(date, QLocale::ShortFormat) +
           QStringLiteral(" FILE:") + filename + QStringLiteral(" SUB:") + subname +
           QStringLiteral(" Error:") + number + QStringLiteral(" Desc: ") + description;
}

bool ErrorControl::Adddebug(const QString &s_debug)
{
    ErrorLog::append(s_debug);
    return false;
}

bool ErrorControl::Adderror(const QString &filename, const QString &subname, qint32 errorcode,
                            bool followresume, const QString &description,
                            const QString &shownDescription)
{
    Q_UNUSED(followresume)

    // The repeat watch counts only the first number it sees.
    if (m_count == 0) {
        m_recorded[0] = errorcode;
        m_count = 1;
    } else if (m_count < static_cast<qint32>(m_recorded.size()) &&
               m_recorded[m_count - 1] == errorcode) {
        m_recorded[m_count] = errorcode;
        ++m_count;
    }

    MessageRequest request;
    request.setTitle(Phrase::translate("ErrorMessage", "Application problem"));
    request.topmost = true;
    request.id = QStringLiteral("error");
    request.error = errorcode;

    if (m_count >= FatalRepeat) {
        request.setText(
            Phrase::translate("ErrorMessage", "Fatal application error. Please product vendor"));
        request.style = MsgStyle::Critical;
        showUserMessage(request);
        ErrorLog::append(subname);
        endProgramNow(1);
    }

    const Row row = rowFor(errorcode);
    Phrase text = row.message;
    if (row.withDescription && !description.isEmpty())
        text = text + kCrLf +
               Phrase{description, shownDescription.isEmpty() ? description : shownDescription};
    request.setText(text);
    request.style = row.style;
    const qint32 answer = showUserMessage(request);

    if (row.after == After::EndWithoutLog)
        endProgramNow(1);

    bool result = (row.style & 0x0f) == MsgStyle::YesNo && answer == MsgAnswer::Yes;
    if (row.after == After::ForcedNo) {
        result = false;
        m_count = 1;
    }

    const QString desc = description.isEmpty() ? RunError::standardText(errorcode) : description;
    ErrorLog::append(logLine(QTime::currentTime(), QDate::currentDate(), QLocale::system(),
                             filename, subname, errorcode, desc));
    if (row.after == After::LogThenEnd)
        endProgramNow(1);
    return result;
}

void ErrorControl::stophandler() {}

void ErrorControl::starterrorhandler(const QString &logTarget, qint32 logMode)
{
    if (!ErrorLog::start(logTarget, logMode))
        ErrorLog::append(
            QStringLiteral("Error log mode %1 is not supported; the log stays as it was")
                .arg(logMode));
}
