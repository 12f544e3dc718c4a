#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

inline constexpr int kMaxComPort = 100;

// How the COMn numbers the user knows (1..100) map to device files. A map is
// worked out once and then asked as often as needed; nothing here opens a
// device. A CComPort opens COMn through the map it was given, or through the
// system's map as it is at that moment (com_port.h).
//
// The system's map on Linux: when the environment variable VANTO_COM_PORTS
// is set (an empty value included) it is the whole map, a colon-separated
// list of paths, entry n being COMn; an empty entry, or n past the end, is a
// port that does not exist, and an empty value means no ports at all. Tests
// and demos always set it, so that they never touch the machine's own serial
// devices. Otherwise COMn is the n-th serial device that exists, in this
// order: /dev/ttyUSB0.., /dev/ttyACM0.., /dev/ttyS0.. (numeric order within
// each family). Left out are ttyS ports with no UART behind them (the kernel
// makes ttyS0..ttyS3 whether or not the hardware is there) and every tty in
// use as the system console (/proc/consoles): the program never writes to the
// kernel console.
//
// On Windows the system's map is the identity, COMn is \\.\COMn, whatever the
// environment says; a device path names the COMn it spells ("COM3", "\\.\COM3",
// "//./COM3") and nothing else.
class CComPortMap {
public:
    // A map with no ports.
    CComPortMap() = default;
    // Exactly these device files: element 0 is COM1; "" is a port that does
    // not exist. Entries past COM100 are left out.
    explicit CComPortMap(std::vector<std::string> devices);

    // The system's map as it is now (see above).
    static CComPortMap FromSystem();
    // The map a VANTO_COM_PORTS value gives.
    static CComPortMap FromList(const std::string& strList);

    // Device file of COMn; "" when COMn does not exist (n outside 1..100
    // included).
    std::string DevicePath(int n) const;
    // The COMn whose device file is strPath, or the same device under another
    // name (a by-id link to it); 0 when the map has it nowhere.
    int PortOf(const std::string& strPath) const;
    // The COMn of strPath: the one the map gives it, else the number after
    // the map's last port, which it now has. 0 when no number is left (COM100
    // is taken), and on Windows for a path that names no COM port.
    int Add(const std::string& strPath);
    // True when VANTO_COM_PORTS made this map (FromSystem on Linux).
    bool FromEnvironment() const { return m_bFromEnvironment; }

private:
    // The highest COMn that exists; 0 for none.
    int LastPort() const;
    // True when the two names are the same device (platform).
    static bool SameDevice(const std::string& strMapped, const std::string& strGiven);
    // True when a map may give a COMn this path (platform).
    static bool CanMap(const std::string& strPath);

    std::vector<std::string> m_devices;  // element n-1 is COMn
    bool m_bFromEnvironment = false;
};

// Where the Linux fallback scan looks; the defaults are the real system, tests
// point them at a made-up tree.
struct SerialScanRoots {
    std::string strDevDir = "/dev";               // holds ttyUSB0, ttyACM0, ttyS0, ...
    std::string strSysTtyDir = "/sys/class/tty";  // holds ttyS0/type, ttyS0/device
    std::string strConsoles = "/proc/consoles";   // the kernel's console list
};

// The serial devices of the fallback scan, in COM order (element 0 is COM1);
// none on Windows.
std::vector<std::string> FindSerialDevices(const SerialScanRoots& roots = SerialScanRoots());

// True when a character device with this device number is, or forwards to,
// the system console: a tty listed in /proc/consoles, /dev/console (5:1),
// /dev/tty0 (4:0, the current virtual console) or /dev/tty (5:0). CComPort
// refuses to open such a device whatever the map says. Never on Windows.
bool IsConsoleDevice(dev_t rdev, const std::string& strConsoles = "/proc/consoles");
