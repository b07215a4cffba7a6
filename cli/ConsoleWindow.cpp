#include "ConsoleWindow.h"

#include "Interrupt.h"
#include "ScalerLinkInterface.h"
#include "UserMessage.h"
#include "mod_Scaler_Firmware.h"

namespace {
const QString kBlockStatus = QStringLiteral("Programming... ");

// The block number of a status such as "Programming... 12", the text the
// cycle shows before each block; nothing for any other status.
std::optional<int> blockNumber(const QString &status)
{
    if (!status.startsWith(kBlockStatus))
        return std::nullopt;
    bool ok = false;
    const int n = status.mid(kBlockStatus.size()).toInt(&ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}
} // namespace

const QString ConsoleWindow::AbortWarning =
    QStringLiteral("Aborting the programming cycle\r\nwill leave the Scaler in an unuseable "
                   "state.\r\n\r\n Are you Sure ?");

ConsoleWindow::ConsoleWindow(ConsoleOutput &output, const QString &unit, bool askBeforeAbort)
    : m_output(output), m_unit(unit), m_askBeforeAbort(askBeforeAbort)
{}

qint64 ConsoleWindow::bytesSent() const
{
    return qint64(m_blocksSent) * ScalerProtocol::BlockSize;
}

void ConsoleWindow::setStatus(const QString &text)
{
    m_status = text;
    if (const std::optional<int> block = blockNumber(text)) {
        // Shown as block n is handed to the link.
        if (!m_meter.started())
            m_meter.start();
        m_blocksSent = *block + 1;
        return;
    }
    // Before the blocks, Ctrl-C ends the cycle at its next abort test, as a
    // confirmed Abort would: nothing has been written to the unit yet.
    if (!m_meter.started() && Interrupt::count() > 0)
        AbortFlag = VTrue;
    if (!text.isEmpty() && text != m_lastStage) {
        m_lastStage = text;
        m_output.stage(m_unit, text);
    }
}

void ConsoleWindow::setProgressValue(qint32 value)
{
    // The 0 before the blocks start is not a step of the upload.
    if (!m_meter.started())
        return;
    m_output.progress(m_unit, m_meter.at(bytesSent(), value));
}

void ConsoleWindow::processPendingInput()
{
    if (Interrupt::count() == 0 || AbortFlag == VTrue)
        return;
    if (!m_askBeforeAbort) {
        AbortFlag = VTrue;
        return;
    }
    const qint16 answer = windowMessage(AbortWarning, MsgStyle::Exclamation + MsgStyle::YesNo,
                                        QStringLiteral("Warning"));
    if (answer == MsgAnswer::Yes)
        AbortFlag = VTrue;
    else
        Interrupt::clear();
}
