#include "UnitProcesses.h"

#include "Interrupt.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace {
constexpr int DrawIntervalMs = 100;
constexpr qsizetype KeptErrorBytes = 4096;

QString firstLine(const QString &text)
{
    return text.section(QStringLiteral("\r\n"), 0, 0).section(QLatin1Char('\n'), 0, 0);
}
} // namespace

UnitProcesses::UnitProcesses(const CliOptions &options, ConsoleOutput &output)
    : m_options(options), m_output(output)
{
    for (const UnitTarget &target : options.units) {
        auto unit = std::make_unique<Unit>();
        unit->target = target;
        unit->label = target.label();
        m_labelWidth = std::max(m_labelWidth, int(unit->label.size()));
        m_units.push_back(std::move(unit));
    }
    m_drawLater.setSingleShot(true);
    connect(&m_drawLater, &QTimer::timeout, this, &UnitProcesses::draw);
}

UnitProcesses::~UnitProcesses()
{
    for (const auto &unit : m_units) {
        unit->process.disconnect(this);
        if (unit->process.state() != QProcess::NotRunning) {
            unit->process.kill();
            unit->process.waitForFinished(1000);
        }
    }
}

int UnitProcesses::run()
{
    Interrupt::install(Interrupt::Mode::Forward, nullptr);
    Interrupt::onEach(this, [this] { interrupted(); });

    startWaiting();
    if (!allDone())
        m_loop.exec();
    if (m_output.mode() == ConsoleOutput::Mode::Terminal)
        draw();
    else if (m_output.mode() == ConsoleOutput::Mode::Plain)
        for (const auto &unit : m_units)
            m_output.writeLine(lineFor(*unit));
    for (const auto &unit : m_units)
        if (!unit->result->ok())
            return unit->result->exitCode;
    return ExitCode::Success;
}

bool UnitProcesses::allDone() const
{
    return std::all_of(m_units.cbegin(), m_units.cend(), [](const auto &u) { return u->done; });
}

void UnitProcesses::startWaiting()
{
    const int jobs = m_options.jobs > 0 ? m_options.jobs : int(m_units.size());
    for (const auto &unit : m_units) {
        if (m_running >= jobs)
            break;
        if (!unit->started && !unit->done)
            start(*unit);
    }
    if (allDone())
        m_loop.quit();
}

void UnitProcesses::start(Unit &unit)
{
    QStringList arguments{m_options.commandName(), QStringLiteral("--json")};
    if (m_options.language)
        arguments << QStringLiteral("--lang") << *m_options.language;
    arguments += unit.target.arguments();
    if (m_options.serialParameters && unit.target.kind == UnitTarget::Kind::Serial)
        arguments << QStringLiteral("--serial") << *m_options.serialParameters;
    if (m_options.folder)
        arguments << QStringLiteral("--folder") << *m_options.folder;
    if (m_options.level)
        arguments << QStringLiteral("--level") << QString::number(*m_options.level);
    if (m_options.check)
        arguments << QStringLiteral("--check");
    if (m_options.record)
        arguments << QStringLiteral("--record") << *m_options.record;

    unit.started = true;
    ++m_running;
    QProcess &p = unit.process;
    p.setProgram(QCoreApplication::applicationFilePath());
    p.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ConsoleOutput::ParentVariable), QStringLiteral("1"));
    p.setProcessEnvironment(environment);
    // Ctrl-C reaches each unit from this program alone, once, and only when
    // its run has its handlers, so that it is never ended before it can say how.
    Interrupt::prepareChild(p);
    connect(&p, &QProcess::readyReadStandardOutput, this, [this, &unit] { read(unit); });
    connect(&p, &QProcess::readyReadStandardError, this, [&unit] {
        unit.errors = (unit.errors + unit.process.readAllStandardError()).right(KeptErrorBytes);
    });
    connect(&p, &QProcess::finished, this, [this, &unit] { finished(unit); });
    connect(&p, &QProcess::errorOccurred, this, [this, &unit](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finished(unit);
    });
    unit.latest = QCoreApplication::translate("UnitProcesses", "starting");
    p.start();
    p.closeWriteChannel();
    drawSoon();
}

void UnitProcesses::read(Unit &unit)
{
    unit.pending += unit.process.readAllStandardOutput();
    qsizetype end;
    while ((end = unit.pending.indexOf('\n')) >= 0) {
        const QByteArray line = unit.pending.left(end);
        unit.pending.remove(0, end + 1);
        take(unit, line);
    }
}

void UnitProcesses::take(Unit &unit, const QByteArray &line)
{
    const QJsonObject event = QJsonDocument::fromJson(line).object();
    const QString kind = event.value(QStringLiteral("event")).toString();
    if (kind.isEmpty())
        return;
    if (m_output.mode() == ConsoleOutput::Mode::Json)
        ConsoleOutput::writeJson(ConsoleOutput::forScripts(event));

    // What a person reads: the unit's run's text in the language of this run.
    const QString english = event.value(QStringLiteral("text")).toString();
    const QString text = event.value(QStringLiteral("shown")).toString(english);
    if (kind == QLatin1String("stage")) {
        unit.latest = text;
        unit.progress.reset();
        if (m_output.mode() == ConsoleOutput::Mode::Plain)
            m_output.writeLine(unit.label + QStringLiteral(": ") + ConsoleOutput::stageText(text));
    } else if (kind == QLatin1String("message") || kind == QLatin1String("note")) {
        const QString title = event.value(QStringLiteral("shown_title"))
                                  .toString(event.value(QStringLiteral("title")).toString());
        unit.latest =
            (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + firstLine(text);
        unit.progress.reset();
        if (m_output.mode() == ConsoleOutput::Mode::Plain)
            m_output.writeLine(unit.label + QStringLiteral(": ") +
                               ConsoleOutput::printable(unit.latest));
    } else if (kind == QLatin1String("progress")) {
        unit.progress = Progress::fromJson(event);
    } else if (kind == QLatin1String("result")) {
        unit.result = UnitResult::fromJson(event);
    }
    drawSoon();
}

void UnitProcesses::finished(Unit &unit)
{
    if (unit.done)
        return;
    unit.done = true;
    --m_running;
    read(unit);
    if (!unit.result) {
        // Ended before it could say how: it crashed, could not start, or a
        // second Ctrl-C ended it at once.
        UnitResult r;
        r.unit = unit.label;
        r.command = m_options.commandName();
        const bool exited = unit.process.error() != QProcess::FailedToStart &&
                            unit.process.exitStatus() == QProcess::NormalExit;
        const int code = exited ? unit.process.exitCode() : ExitCode::OtherFailure;
        r.exitCode = code >= ExitCode::Usage && code <= ExitCode::OtherFailure
                         ? code
                         : int(ExitCode::OtherFailure);
        r.ending =
            r.exitCode == ExitCode::Aborted ? QStringLiteral("Aborted") : QStringLiteral("Failed");
        const QString said =
            firstLine(QString::fromLocal8Bit(unit.errors).trimmed().section(QLatin1Char('\n'), -1));
        r.reason = exited ? QStringLiteral("its run ended (exit %1) without a result").arg(code)
                          : QStringLiteral("its run failed: %1").arg(unit.process.errorString());
        if (!said.isEmpty())
            r.reason += QStringLiteral(": ") + said;
        r.log();
        if (m_output.mode() == ConsoleOutput::Mode::Json)
            ConsoleOutput::writeJson(r.toJson());
        unit.result = r;
    }
    drawSoon();
    startWaiting();
}

void UnitProcesses::interrupted()
{
    for (const auto &unit : m_units) {
        if (unit->process.state() != QProcess::NotRunning) {
            Interrupt::forwardTo(unit->process);
        } else if (!unit->started && !unit->done) {
            UnitResult r;
            r.unit = unit->label;
            r.command = m_options.commandName();
            r.exitCode = ExitCode::Aborted;
            r.ending = QStringLiteral("Aborted");
            r.reason = QStringLiteral("not started: interrupted");
            if (m_output.mode() == ConsoleOutput::Mode::Json)
                ConsoleOutput::writeJson(r.toJson());
            unit->result = r;
            unit->done = true;
        }
    }
    const Phrase footer =
        Phrase::translate("UnitProcesses", "Interrupted: each unit stops after its current "
                                           "block; press Ctrl-C again to stop them at once");
    m_footer = footer.shown;
    if (m_output.mode() != ConsoleOutput::Mode::Terminal)
        m_output.note(QString(), footer);
    drawSoon();
    if (allDone())
        m_loop.quit();
}

void UnitProcesses::drawSoon()
{
    if (m_output.mode() == ConsoleOutput::Mode::Terminal && !m_drawLater.isActive())
        m_drawLater.start(DrawIntervalMs);
}

void UnitProcesses::draw()
{
    m_drawLater.stop();
    const int width = ConsoleOutput::terminalWidth();
    QString text;
    if (m_drawnLines > 0)
        text += QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_drawnLines);
    QStringList lines;
    for (const auto &unit : m_units)
        lines.append(lineFor(*unit));
    if (!m_footer.isEmpty())
        lines.append(m_footer);
    // Each line whole, on as many rows as it takes: a summary is never cut.
    m_drawnLines = 0;
    for (const QString &line : std::as_const(lines)) {
        for (qsizetype at = 0; at == 0 || at < line.size(); at += width - 1) {
            text += QStringLiteral("\r\x1b[2K") + line.mid(at, width - 1) + QLatin1Char('\n');
            ++m_drawnLines;
        }
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString UnitProcesses::lineFor(const Unit &unit) const
{
    QString state;
    if (unit.result)
        state = unit.result->shownSummary();
    else if (!unit.started)
        state = QCoreApplication::translate("UnitProcesses", "waiting");
    else if (unit.progress)
        state = unit.progress->text(20);
    else
        return ConsoleOutput::printable(unit.label.leftJustified(m_labelWidth)) +
               QStringLiteral("  ") + ConsoleOutput::stageText(unit.latest);
    return ConsoleOutput::printable(unit.label.leftJustified(m_labelWidth)) + QStringLiteral("  ") +
           ConsoleOutput::printable(state);
}
