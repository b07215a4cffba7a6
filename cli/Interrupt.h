#pragma once

#include <QByteArray>

#include <functional>

class CancelToken;
class QObject;
class QProcess;

// Ctrl-C (SIGINT) and SIGTERM for the console program; on Windows, Ctrl-C
// and Ctrl-Break count as SIGINT, closing the console or logging off as SIGTERM. The first one
// cancels the run at the unit protocol's next safe point (or asks first);
// the second ends the program at once, with the last words set for the run,
// so that every run that started still ends with its result line.
namespace Interrupt {

enum class Mode
{
    EndAtOnce,       // the first one ends the program (ident, version)
    Cancel,          // the first one cancels the token
    AskDuringBlocks, // as Cancel, but a SIGINT once the blocks have begun asks first
    Forward,         // each one is counted and reported through onEach()
};

// What a stop signal does in a mode, the same on every system: the handler
// only acts on it. received counts this one; interrupt is Ctrl-C (SIGINT),
// not a request to end (SIGTERM, closing the console).
enum class Action
{
    EndAtOnce, // the program ends now, with its last words
    Ask,       // the question whether to abort is asked
    Cancel,    // the token is cancelled
    Forward,   // the units' runs are told
};
constexpr Action actionFor(Mode mode, int received, bool interrupt, bool blocksBegun)
{
    if (mode == Mode::Forward)
        return Action::Forward;
    if (mode == Mode::EndAtOnce || received >= 2)
        return Action::EndAtOnce;
    // A request to end is a confirmed abort; so is Ctrl-C before anything
    // could be broken off.
    return mode == Mode::AskDuringBlocks && interrupt && blocksBegun ? Action::Ask : Action::Cancel;
}

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

// Forward mode: calls handler in context's thread after one or more signals.
void onEach(QObject *context, std::function<void()> handler);

// Readies process, a child of a run of several units: signals reach it only
// through forwardTo(), held back until it installs its handlers, so that none
// can end it before it is ready.
void prepareChild(QProcess &process);
// Passes the last signal received on to a child readied by prepareChild().
void forwardTo(QProcess &process);

} // namespace Interrupt
