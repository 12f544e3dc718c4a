// The engine's clock on Windows: GetTickCount and Sleep themselves.
#include <windows.h>

#include "link/tick.h"

uint32_t TickMs() {
    return static_cast<uint32_t>(GetTickCount());  // ms since boot, modulo 2^32
}

void PauseMs(uint32_t nMs) {
    Sleep(nMs);
}
