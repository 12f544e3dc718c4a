#include <io.h>
#include <windows.h>

#include <cstdio>

#include "tools/vanto-flash/console_setup.h"

void PrepareStandardStreams() {}

bool IsInteractiveOutput() {
    // The NUL device is a character device too: only a console has a mode.
    DWORD dwMode = 0;
    return _isatty(_fileno(stdout)) != 0 &&
           GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &dwMode) != 0;
}
