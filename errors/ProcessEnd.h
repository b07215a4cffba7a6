#pragma once

#include <functional>

// Ends the program at once: no window closes, nothing is saved.
// The program's handler stops the process; tests install one that throws
// ProgramEnded so that an ending can be observed and stopped.
[[noreturn]] void endProgramNow(int exitCode);

struct ProgramEnded
{
    int exitCode;
};

using ProgramEndHandler = std::function<void(int exitCode)>;

// Replaces the handler; an empty one restores the real ending of the process.
void setProgramEndHandler(ProgramEndHandler handler);
