#pragma once

// Ctrl-C (SIGINT) for the console program. The handler only counts, or
// ends the program at once, so that the unit protocol sees an interrupt at
// its own points: between its stages and once per block.
namespace Interrupt {

enum class Mode
{
    EndAtOnce,  // the first one ends the program with the exit code for an abort
    AbortFirst, // the first one is counted; the second ends the program at once
    Forward,    // each one is counted and makes notifierDescriptor() readable
};

void install(Mode mode);

// Interrupts counted and not yet cleared.
int count();
void clear();

// Readable after each interrupt in Forward mode; read it empty on each.
int notifierDescriptor();

} // namespace Interrupt
