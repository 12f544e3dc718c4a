#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "tools/vanto-flash/console_setup.h"

void PrepareStandardStreams() {}

bool IsInteractiveOutput() {
    // The NUL device is a character device too: only a console has a mode.
    DWORD dwMode = 0;
    return _isatty(_fileno(stdout)) != 0 &&
           GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &dwMode) != 0;
}

bool PrepareCursorControl() {
    const HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD dwMode = 0;
    return GetConsoleMode(hOut, &dwMode) != 0 &&
           SetConsoleMode(hOut, dwMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != 0) {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
    return 80;
}

int RewriteColumns() {
    return std::max(TerminalColumns() - 1, 1);
}

void WatchTerminalWidth() {}

bool TerminalResized() {
    return false;
}
