// Windows error texts from the system's message table, in the user's language.
#include <windows.h>

#include "link/system_error_text.h"

std::string SystemErrorText(int nError) {
    char* pszText = nullptr;
    const DWORD nLength = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(nError), 0, reinterpret_cast<char*>(&pszText), 0, nullptr);
    std::string strText(pszText != nullptr ? pszText : "", nLength);
    LocalFree(pszText);
    // The table's texts end in ".\r\n"; a log line carries its own ending.
    while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r' ||
                                strText.back() == ' ' || strText.back() == '.')) {
        strText.pop_back();
    }
    return strText.empty() ? "error " + std::to_string(nError) : strText;
}
