#include "ConsoleObserver.h"

#include "CancelToken.h"
#include "Interrupt.h"
#include "mod_Scaler_Firmware.h"

ConsoleObserver::ConsoleObserver(ConsoleOutput &output, const QString &unit,
                                 TerminalAnswerer &answerer, CancelToken &cancel)
    : m_output(output), m_unit(unit), m_answerer(answerer), m_cancel(cancel)
{}

qint64 ConsoleObserver::bytesSent() const
{
    return qint64(m_blocksSent) * ScalerProtocol::BlockSize;
}

void ConsoleObserver::stage(Stage stage, const Phrase &phrase)
{
    // Blocks are shown as progress; a cleared line is no stage.
    if (stage == Stage::Block || stage == Stage::Cleared || phrase.english == m_lastStage)
        return;
    m_lastStage = phrase.english;
    m_output.stage(m_unit, stage, phrase);
}

qint32 ConsoleObserver::message(const MessageRequest &request)
{
    return m_answerer.answer(request);
}

void ConsoleObserver::blockSent(int sent, int total)
{
    Q_UNUSED(total)
    if (!m_meter.started()) {
        m_meter.start();
        Interrupt::setBlocksBegun();
    }
    m_blocksSent = sent;
    Interrupt::setBytesSent(bytesSent());
    // Asked here, so that a Yes ends the cycle after this block.
    if (!Interrupt::questionPending() || m_cancel.cancelled())
        return;
    MessageRequest warning;
    warning.id = QStringLiteral("abort_warning");
    warning.setText(abortWarning());
    warning.style = MsgStyle::Exclamation + MsgStyle::YesNo;
    warning.setTitle(Phrase::translate("UnitMessage", "Warning"));
    if (m_answerer.answer(warning) == MsgAnswer::Yes)
        m_cancel.cancel();
    else
        Interrupt::clear();
}

void ConsoleObserver::progress(int percent)
{
    // The 0 before the blocks start is not a step of the upload, and the
    // 100 of the unit's "E" may follow the last block's.
    if (m_meter.started() && percent != m_lastPercent)
        m_output.progress(m_unit, m_meter.at(bytesSent(), percent));
    m_lastPercent = percent;
}
