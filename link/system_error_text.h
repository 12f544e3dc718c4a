#pragma once

#include <string>

// The system's own words for an error number that opening a port reported:
// an errno value on POSIX systems, a GetLastError() value on Windows. One
// line, no trailing line break or full stop; "error N" when the system has none.
std::string SystemErrorText(int nError);
