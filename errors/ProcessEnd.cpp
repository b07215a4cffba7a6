#include "ProcessEnd.h"

#include "ErrorState.h"

#include <cstdio>
#include <cstdlib>

namespace {
ProgramEndHandler &handler()
{
    return errorState().endHandler;
}
} // namespace

void setProgramEndHandler(ProgramEndHandler h)
{
    handler() = std::move(h);
}

void endProgramNow(int exitCode)
{
    if (handler())
        handler()(exitCode);
    // The error log is written and closed entry by entry, so nothing is lost here.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
