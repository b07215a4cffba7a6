#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

// The console the program runs in, where the system differs.
namespace Terminal {

// Whether standard output is a terminal that the progress bar can redraw.
bool outputIsTerminal();
// Whether standard input is a terminal, where questions can be asked.
bool inputIsTerminal();
// Columns of the terminal on standard output; 80 when it does not say.
int width();
// A line typed on standard input, without its end; nothing at the input's
// end or once stop() returns true, which is asked several times a second.
std::optional<QByteArray> readLine(const std::function<bool()> &stop);

} // namespace Terminal
