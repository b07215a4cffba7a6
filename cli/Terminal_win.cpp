#include "Terminal.h"

#include <windows.h>

namespace {
constexpr DWORD LookForStopMs = 100;

// A console whose screen takes the escape sequences that redraw the bar
// (Windows 10 on); an older console or a pipe gets plain lines.
bool redrawableConsole(HANDLE handle)
{
    DWORD mode = 0;
    if (!::GetConsoleMode(handle, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
           ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// Whether a key with a character waits in the console's input; other input
// (mouse, focus, keys let go) is taken away so that the wait sees new input.
bool typedKeyWaiting(HANDLE input)
{
    INPUT_RECORD record;
    DWORD read = 0;
    while (::PeekConsoleInputW(input, &record, 1, &read) && read == 1) {
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            record.Event.KeyEvent.uChar.UnicodeChar != 0)
            return true;
        ::ReadConsoleInputW(input, &record, 1, &read);
    }
    return false;
}
} // namespace

namespace Terminal {

bool outputIsTerminal()
{
    return redrawableConsole(::GetStdHandle(STD_OUTPUT_HANDLE));
}

bool inputIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode);
}

int width()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0)
            return columns;
    }
    return 80;
}

std::optional<QByteArray> readLine(const std::function<bool()> &stop)
{
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        const DWORD ready = ::WaitForSingleObject(input, LookForStopMs);
        if (stop())
            return std::nullopt;
        if (ready == WAIT_FAILED)
            return std::nullopt;
        if (ready != WAIT_OBJECT_0 || !typedKeyWaiting(input))
            continue;
        // The console edits the line itself; Ctrl-C breaks the read off.
        char buffer[512];
        DWORD got = 0;
        if (!::ReadFile(input, buffer, sizeof buffer, &got, nullptr) || got == 0 || stop())
            return std::nullopt;
        QByteArray line(buffer, int(got));
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return line;
    }
}

} // namespace Terminal
