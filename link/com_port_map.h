#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// How the COMn numbers the user knows (1..100) map to Linux device files.
//
// When the environment variable VANTO_COM_PORTS is set (an empty value
// included) it is the whole map: a colon-separated list of paths, entry n is
// COMn. An empty entry, or n past the end of the list, is a port that does not
// exist; an empty value means there are no ports at all. Tests and demos
// always set it, so that they never touch the machine's own serial devices.
//
// Otherwise COMn is the n-th serial device that exists, in this order:
// /dev/ttyUSB0.., /dev/ttyACM0.., /dev/ttyS0.. (numeric order within each
// family). Left out are ttyS ports with no UART behind them (the kernel makes
// ttyS0..ttyS3 whether or not the hardware is there) and every tty that is in
// use as the system console (/proc/consoles): the program never writes to the
// kernel console.
//
// Nothing here opens a device; the map is worked out afresh on every call, so
// a USB adapter plugged in meanwhile is seen by the next Open.
//
// On Windows the map is the identity, COMn is \\.\COMn, whatever the
// environment says: there VANTO_COM_PORTS decides nothing, the fallback scan
// finds nothing and no device is the console (Windows has no serial console).

inline constexpr int kMaxComPort = 100;

// Device path of COMn, or "" when COMn does not exist (n outside 1..100
// included).
std::string ComPortDevicePath(int n);

// True when VANTO_COM_PORTS decides the map (it is set, possibly empty).
bool ComPortsFromEnvironment();

// Entry n (1-based) of a VANTO_COM_PORTS value; "" for an empty entry, for n
// past the end and for n outside 1..100.
std::string ComPortPathFromList(const std::string& strList, int n);

// Where the fallback scan looks; the defaults are the real system, tests point
// them at a made-up tree.
struct SerialScanRoots {
    std::string strDevDir = "/dev";               // holds ttyUSB0, ttyACM0, ttyS0, ...
    std::string strSysTtyDir = "/sys/class/tty";  // holds ttyS0/type, ttyS0/device
    std::string strConsoles = "/proc/consoles";   // the kernel's console list
};

// The serial devices of the fallback scan, in COM order (element 0 is COM1).
std::vector<std::string> FindSerialDevices(const SerialScanRoots& roots = SerialScanRoots());

// True when a character device with this device number is, or forwards to,
// the system console: a tty listed in /proc/consoles, /dev/console (5:1),
// /dev/tty0 (4:0, the current virtual console) or /dev/tty (5:0). CComPort
// refuses to open such a device whatever the map says.
bool IsConsoleDevice(dev_t rdev, const std::string& strConsoles = "/proc/consoles");
