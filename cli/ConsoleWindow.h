#pragma once

#include "ConsoleOutput.h"
#include "ProgrammerWindow.h"
#include "ProgressMeter.h"

#include <optional>

// The main window as the console program has it: each new status text is a
// stage, the block counter and the percentage bar make the progress, and
// the pass over pending input between blocks is where Ctrl-C becomes the
// Abort button. The buttons, the caption and the position are not there.
class ConsoleWindow : public ProgrammerWindow
{
public:
    // With askBeforeAbort, Ctrl-C during the blocks asks the Abort button's
    // warning; without it, Ctrl-C confirms the abort itself.
    ConsoleWindow(ConsoleOutput &output, const QString &unit, bool askBeforeAbort);

    void setStatus(const QString &text) override;
    QString status() const override { return m_status; }
    void setProgressValue(qint32 value) override;
    void setAbortEnabled(bool) override {}
    void setProgrammeEnabled(bool) override {}
    void processPendingInput() override;
    qint32 leftTwips() const override { return 0; }
    qint32 topTwips() const override { return 0; }
    void loadWindow() override {}
    void showWindow() override {}
    void setCaption(const QString &caption) override { m_caption = caption; }
    QString caption() const override { return m_caption; }
    void setCheckUpdateVisible(bool) override {}
    void cycleEnded(CycleEnding ending) override { m_ending = ending; }

    // How the last programming cycle ended; nothing before one has.
    std::optional<CycleEnding> ending() const { return m_ending; }
    // The blocks handed to the link so far, and their bytes.
    int blocksSent() const { return m_blocksSent; }
    qint64 bytesSent() const;

    // The warning of the Abort button.
    static const QString AbortWarning;

private:
    ConsoleOutput &m_output;
    const QString m_unit;
    const bool m_askBeforeAbort;
    QString m_status;
    QString m_lastStage;
    QString m_caption;
    ProgressMeter m_meter;
    int m_blocksSent = 0;
    std::optional<CycleEnding> m_ending;
};
