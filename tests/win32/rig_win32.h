#pragma once
// The COM ports that scripts/test-windows.sh maps for the Windows tests: the
// two ends of a null-modem pair, vanto-devsim as a healthy device and as one
// that refuses the second block with a flash address error; COM1, COM2 and
// every other port up to COM100 do not exist.

#include <cstdlib>
#include <string>

inline constexpr int kDevicePort = 3;   // vanto-devsim --flash-out flash3
inline constexpr int kFaultyPort = 4;   // vanto-devsim --block-status 2:4
inline constexpr int kPairPort = 5;     // null-modem: what goes in here comes out of kPeerPort
inline constexpr int kPeerPort = 12;    // past COM9: only its \\.\ name opens it
inline constexpr int kMissingPort = 7;  // mapped to nothing

// The folder (a Windows path) with the devices' files, from the script.
inline std::string DeviceDir() {
    const char* pszDir = std::getenv("VANTO_WINE_DEVICE_DIR");
    return pszDir != nullptr ? pszDir : "";
}
