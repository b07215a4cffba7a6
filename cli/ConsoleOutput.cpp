#include "ConsoleOutput.h"

#include "ErrorLog.h"
#include "Terminal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

namespace {
constexpr int ProgressIntervalMs = 100;

// A message as a person reads it, in the language of the run.
QString shownMessage(const MessageRequest &request)
{
    return ConsoleOutput::printable(request.titleShown()) + QStringLiteral(": ") +
           ConsoleOutput::messageLines(request.textShown()).join(QStringLiteral("\n  ")) +
           QLatin1Char('\n');
}

void writeTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

ConsoleOutput::Mode ConsoleOutput::modeFor(bool json)
{
    if (json)
        return Mode::Json;
    return Terminal::outputIsTerminal() ? Mode::Terminal : Mode::Plain;
}

QString ConsoleOutput::printable(const QString &text)
{
    return ErrorLog::escaped(text);
}

QString ConsoleOutput::stageText(const QString &text)
{
    // The line end of an identification line is not shown.
    QString line = text;
    while (line.endsWith(QLatin1Char('\r')) || line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    return printable(line);
}

QStringList ConsoleOutput::messageLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QStringLiteral("\r\n")))
        lines.append(printable(line));
    return lines;
}

int ConsoleOutput::terminalWidth()
{
    return Terminal::width();
}

const char *const ConsoleOutput::ParentVariable = "FLASHWRIGHT_CLI_SHOWN";

bool ConsoleOutput::forParent()
{
    static const bool set = qEnvironmentVariableIsSet(ParentVariable);
    return set;
}

QJsonObject ConsoleOutput::forScripts(QJsonObject event)
{
    for (const char *key : {"shown", "shown_title", "shown_reason"})
        event.remove(QLatin1String(key));
    return event;
}

void ConsoleOutput::writeJson(const QJsonObject &object)
{
    // One write a line, so that lines of several writers never mix.
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void ConsoleOutput::writeLine(const QString &line)
{
    endProgressLine();
    writeTo(stdout, line + QLatin1Char('\n'));
}

void ConsoleOutput::endProgressLine()
{
    if (!m_barShown)
        return;
    m_barShown = false;
    writeTo(stdout, QStringLiteral("\n"));
}

void ConsoleOutput::stage(const QString &unit, Stage stage, const Phrase &text)
{
    if (m_mode == Mode::Json) {
        QJsonObject event{{QStringLiteral("event"), QStringLiteral("stage")},
                          {QStringLiteral("unit"), unit},
                          {QStringLiteral("stage"), stageId(stage)},
                          {QStringLiteral("text"), stageText(text.english)}};
        if (forParent())
            event.insert(QStringLiteral("shown"), stageText(text.shown));
        writeJson(event);
    } else
        writeLine(stageText(text.shown));
}

void ConsoleOutput::progress(const QString &unit, const Progress &progress)
{
    if (m_mode == Mode::Plain)
        return;
    const bool last = progress.percent >= 100;
    if (m_lastProgress.isValid() && m_lastProgress.elapsed() < ProgressIntervalMs && !last)
        return;
    m_lastProgress.start();
    if (m_mode == Mode::Json) {
        QJsonObject event = progress.toJson();
        event.insert(QStringLiteral("event"), QStringLiteral("progress"));
        event.insert(QStringLiteral("unit"), unit);
        writeJson(event);
        return;
    }
    m_barShown = true;
    const int width = std::max(10, std::min(40, terminalWidth() - 40));
    writeTo(stdout, QStringLiteral("\r\x1b[K") + progress.text(width));
}

void ConsoleOutput::message(const QString &unit, const MessageRequest &request,
                            const QString &answer)
{
    if (m_mode == Mode::Json) {
        const QStringList lines = messageLines(request.text);
        QJsonObject event{
            {QStringLiteral("event"), QStringLiteral("message")},
            {QStringLiteral("unit"), unit},
            {QStringLiteral("id"), request.id},
            {QStringLiteral("title"), request.title},
            {QStringLiteral("lines"), QJsonArray::fromStringList(lines)},
            {QStringLiteral("text"),
             lines.filter(QRegularExpression(QStringLiteral("."))).join(QLatin1Char(' '))},
            {QStringLiteral("style"), request.style},
            {QStringLiteral("answer"), answer}};
        if (request.error != 0)
            event.insert(QStringLiteral("error"), request.error);
        if (forParent()) {
            event.insert(QStringLiteral("shown_title"), request.titleShown());
            event.insert(QStringLiteral("shown"),
                         messageLines(request.textShown())
                             .filter(QRegularExpression(QStringLiteral(".")))
                             .join(QLatin1Char(' ')));
        }
        writeJson(event);
        return;
    }
    endProgressLine();
    writeTo(stderr, shownMessage(request));
}

void ConsoleOutput::question(const MessageRequest &request)
{
    endProgressLine();
    writeTo(stderr, shownMessage(request));
}

void ConsoleOutput::prompt(const QString &text)
{
    endProgressLine();
    writeTo(stderr, text);
}

void ConsoleOutput::note(const QString &unit, const Phrase &text)
{
    if (m_mode == Mode::Json) {
        QJsonObject event{{QStringLiteral("event"), QStringLiteral("note")},
                          {QStringLiteral("unit"), unit},
                          {QStringLiteral("text"), text.english}};
        if (forParent())
            event.insert(QStringLiteral("shown"), text.shown);
        writeJson(event);
        return;
    }
    endProgressLine();
    writeTo(stderr,
            QStringLiteral("flashwright-cli: ") + printable(text.shown) + QLatin1Char('\n'));
}

void ConsoleOutput::result(const UnitResult &result)
{
    if (m_mode == Mode::Json) {
        QJsonObject event = result.toJson();
        if (forParent() && !result.shownReason.isEmpty())
            event.insert(QStringLiteral("shown_reason"), result.shownReason);
        writeJson(event);
    } else
        writeLine(printable(result.unit) + QStringLiteral("  ") + printable(result.shownSummary()));
}
