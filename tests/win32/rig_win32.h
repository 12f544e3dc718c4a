#pragma once
// The COM ports that scripts/test-windows.sh maps for the Windows tests: the
// two ends of a null-modem pair, vanto-devsim as a healthy device, as one
// that refuses the second block with a flash address error, as one that
// hangs up mid-run and as one that hangs up and comes back, a plain file;
// COM1, COM2 and every other port up to COM100 have no device behind them.

#include <cstdlib>
#include <string>

inline constexpr int kDevicePort = 3;   // vanto-devsim --flash-out flash3
inline constexpr int kFaultyPort = 4;   // vanto-devsim --block-status 2:4
inline constexpr int kPairPort = 5;     // null-modem: what goes in here comes out of kPeerPort
inline constexpr int kPeerPort = 12;    // past COM9: only its \\.\ name opens it
inline constexpr int kHangUpPort = 6;   // vanto-devsim --hangup-after 2
inline constexpr int kMissingPort = 7;  // mapped to nothing
inline constexpr int kFilePort = 8;     // a regular file, no comm device
// vanto-devsim --hangup-after 1, started afresh each time it has hung up: a
// device that goes away and is plugged back.
inline constexpr int kComebackPort = 9;

// The folder (a Windows path) with the devices' files, from the script.
inline std::string DeviceDir() {
    const char* pszDir = std::getenv("VANTO_WINE_DEVICE_DIR");
    return pszDir != nullptr ? pszDir : "";
}
