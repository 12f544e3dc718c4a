#pragma once

#include <windows.h>

// MessageBoxA, with the box made at least as wide as its caption needs: a
// box sizes itself to its text and buttons, and with a short text ("Flash
// Address Error") the title bar cuts the caption. Returns what MessageBoxA
// returns. Call on the thread that owns hOwner.
int MessageBoxFittingCaption(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType);
