#include "Trap.h"

#include "ErrorControl.h"

Trap::Trap(const QString &module, const QString &procedure, Mode mode)
    : Trap(
          module, [procedure] { return procedure; }, mode)
{}

Trap::Trap(const QString &module, std::function<QString()> procedure, Mode mode)
    : m_module(module), m_procedure(std::move(procedure)), m_mode(mode)
{}

bool Trap::report(const RunError &e)
{
    m_lastError = e.number();
    m_lastErrorText = e.description();
    const bool goOn = ErrorCtl().Adderror(m_module, m_procedure(), e.number(), true,
                                          e.description(), e.shownDescription());
    return m_mode == GoOn || goOn;
}
