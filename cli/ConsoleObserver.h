#pragma once

#include "ConsoleOutput.h"
#include "ProgressMeter.h"
#include "TerminalAnswerer.h"
#include "UnitSession.h"

class CancelToken;

// A unit's session as the console shows it: each stage once, the progress
// of the upload from its blocks, and each message through the answerer.
// A Ctrl-C during the blocks that asks first is asked once a block is sent.
class ConsoleObserver : public UnitObserver
{
public:
    ConsoleObserver(ConsoleOutput &output, const QString &unit, TerminalAnswerer &answerer,
                    CancelToken &cancel);

    void stage(Stage stage, const Phrase &text) override;
    qint32 message(const MessageRequest &request) override;
    void blockSent(int sent, int total) override;
    void progress(int percent) override;

    qint64 bytesSent() const;

private:
    ConsoleOutput &m_output;
    const QString m_unit;
    TerminalAnswerer &m_answerer;
    CancelToken &m_cancel;
    QString m_lastStage;
    ProgressMeter m_meter;
    int m_blocksSent = 0;
    int m_lastPercent = 0;
};
