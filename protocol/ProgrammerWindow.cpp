#include "ProgrammerWindow.h"

#include "mod_MsgBoxEx.h"

namespace {
ProgrammerWindow *g_mainWindow = nullptr;
}

ProgrammerWindow *mainWindow()
{
    return g_mainWindow;
}

void setMainWindow(ProgrammerWindow *window)
{
    g_mainWindow = window;
}

qint16 windowMessage(const QString &text, qint32 style, const QString &title)
{
    const qint32 left = g_mainWindow ? g_mainWindow->leftTwips() : 0;
    const qint32 top = g_mainWindow ? g_mainWindow->topTwips() : 0;
    return MsgBoxEx(text, style, title, left, top);
}
