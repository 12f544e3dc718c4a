#pragma once

#include <string>

// Why the last CComPort::Open failed, in terms a user can act on. A port that
// simply does not exist is the common case of a scan and needs no words; the
// other causes (permissions, another program on the line, a device file that
// is no serial port) otherwise all look like "no device" to the user.
enum class EPortOpenFailure {
    None,              // the last open succeeded (or none was tried)
    NoSuchPort,        // COMn maps to no device file, or the file is not there
    PermissionDenied,  // the user may not open the device file
    InUse,             // another opener holds it (lock or exclusive mode)
    NotASerialPort,    // not a character device, or no terminal settings
    SystemConsole,     // the kernel console: never used for the device
    Other,             // any other error of the open or the line settings
};

struct SPortOpenFailure {
    EPortOpenFailure eKind = EPortOpenFailure::None;
    std::string strDevice;  // the device file tried, "" when COMn has none
    // The system error behind Other (and others), 0 if none: errno on POSIX,
    // GetLastError() on Windows.
    int nErrno = 0;
    std::string strHolder;  // for InUse: who holds it, "ModemManager (pid 812)", or ""
};

// The cause in a few words, for a log line after the device file: "permission
// denied (add your user to the dialout group, then log in again)", "in use by
// ModemManager (pid 812)". "" for None and NoSuchPort.
std::string DescribeOpenFailure(const SPortOpenFailure& failure);
