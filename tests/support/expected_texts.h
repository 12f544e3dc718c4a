#pragma once
// What the tests expect to see, built from the one table of page texts.

#include <cstdio>
#include <string>

#include "res/page_texts.h"

// A text of the table with its values filled in.
template <typename... Values>
std::string Formatted(const char* pszFormat, Values... values) {
    char szText[256];
    std::snprintf(szText, sizeof szText, pszFormat, values...);
    return szText;
}

// The scan log from COMn on, one letter per port: 'a' not available, 's' no
// device, 'd' found.
inline std::string ScanLog(int n, const std::string& strOutcomes) {
    std::string strLog;
    for (const char c : strOutcomes) {
        strLog += Formatted(c == 'a' ? kLogPortNotAvailable : kLogPortOpened, n++);
        strLog += c == 'a' ? "" : c == 's' ? kLogDeviceNotFound : kLogDeviceFound;
    }
    return strLog;
}

// A text as vanto-flash prints it: "\r\n" as "\n", and one "\n" at the end.
inline std::string Printed(std::string strText) {
    std::erase(strText, '\r');
    strText.erase(strText.find_last_not_of('\n') + 1);  // all of it when only "\n" are left
    return strText + "\n";
}
