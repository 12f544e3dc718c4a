#pragma once

#include <string>

// Why the last CComPort::Open failed, as facts a front end can turn into
// words. A port that simply does not exist is the common case of a scan; the
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

// Who may open a device file that refused us, and where this process stands
// with its group. Filled for PermissionDenied on POSIX systems (Windows never
// refuses a COM port for permissions); left as it is otherwise.
struct SDeviceAccess {
    bool bExamined = false;           // the device file could be looked at (the rest is valid)
    unsigned nMode = 0;               // its permission bits, 0660 for crw-rw----
    std::string strOwner;             // its owner's user name, or the uid's digits
    std::string strGroup;             // its group's name, or the gid's digits
    bool bUserIsOwner = false;        // this process's user owns it
    bool bUserListedInGroup = false;  // the user database puts this user in the group
    bool bProcessHasGroup = false;    // this process runs with the group (its own or supplementary)
    bool bPseudoTerminal = false;     // a pseudo-terminal's far end (/dev/pts/N)
    bool bUsbAdapter = false;         // a USB serial adapter (ttyUSBn, ttyACMn)
};

struct SPortOpenFailure {
    EPortOpenFailure eKind = EPortOpenFailure::None;
    std::string strDevice;  // the device file tried, "" when COMn has none
    // The system error behind Other (and others), 0 if none: errno on POSIX,
    // GetLastError() on Windows.
    int nErrno = 0;
    std::string strHolder;  // for InUse: who holds it, "ModemManager (pid 812)", or ""
    SDeviceAccess access;   // for PermissionDenied: the device file's permissions
};

// POSIX: what the device file strPath (a symlink is followed) and the user
// database say of who may open it, for this process's user and groups.
// bExamined is false when the file cannot be looked at. Reads only; safe on
// any thread.
SDeviceAccess ExamineDeviceAccess(const std::string& strPath);
