#pragma once

#include <QByteArray>

class CancelToken;

// Ctrl-C (SIGINT) and SIGTERM for the console program. The first one
// cancels the run at the unit protocol's next safe point (or asks first);
// the second ends the program at once, with the last words set for the run,
// so that every run that started still ends with its result line.
namespace Interrupt {

enum class Mode
{
    EndAtOnce,       // the first one ends the program (ident, version)
    Cancel,          // the first one cancels the token
    AskDuringBlocks, // as Cancel, but a SIGINT once the blocks have begun asks first
    Forward,         // each one is counted and makes notifierDescriptor() readable
};

// Installs the handlers, then lets through signals that were held back
// since the program started (a run of several units starts each with them
// held, so that none can end it before it is ready).
void install(Mode mode, CancelToken *token);

// Signals received and not cleared.
int count();
void clear();
// The last signal received (SIGINT or SIGTERM).
int lastSignal();

// AskDuringBlocks: the blocks have begun; a SIGINT since asks whether to abort.
void setBlocksBegun();
bool questionPending();

// What is written when the program ends at once: text, then the bytes
// sent so far as a decimal number and after, on standard output (nothing
// of the number when after is empty and withBytes false), and note on
// standard error.
void setLastWords(const QByteArray &before, const QByteArray &after, bool withBytes,
                  const QByteArray &note);
void setBytesSent(long long bytes);

// Readable after each signal in Forward mode; read it empty on each.
int notifierDescriptor();

// Holds SIGINT and SIGTERM back in a process about to start (a child of a
// run of several units) until it installs its handlers.
void holdInChild();

} // namespace Interrupt
