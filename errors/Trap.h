#pragma once

#include "RunError.h"

#include <QString>

#include <exception>
#include <functional>
#include <new>

// The error trap of one handler. The handler runs its statements as steps:
// a step that fails is reported through the error control with the
// handler's module and procedure names, and the next step runs.
class Trap
{
public:
    enum Mode
    {
        GoOn,             // every failure is reported and the handler goes on
        StopWhenDeclined, // the handler leaves when the user declines to go on
    };

    Trap(const QString &module, const QString &procedure, Mode mode = GoOn);
    // The procedure name is built at report time (it may carry what the unit last sent).
    Trap(const QString &module, std::function<QString()> procedure, Mode mode = GoOn);

    // Runs one step. Returns false only in StopWhenDeclined mode, when the step
    // failed and the user declined to go on: the handler then leaves.
    template <typename Step> bool operator()(Step &&step)
    {
        try {
            step();
            return true;
        } catch (const RunError &e) {
            return report(e);
        } catch (const std::bad_alloc &) {
            return report(RunError(RunError::OutOfMemory));
        } catch (const std::exception &e) {
            return report(RunError(RunError::InternalError, QString::fromLocal8Bit(e.what())));
        }
    }

    // The number and text of the last failure reported by this trap; 0 and
    // an empty text when none was.
    qint32 lastError() const { return m_lastError; }
    QString lastErrorText() const { return m_lastErrorText; }

private:
    bool report(const RunError &e);

    QString m_module;
    std::function<QString()> m_procedure;
    Mode m_mode;
    qint32 m_lastError = 0;
    QString m_lastErrorText;
};
