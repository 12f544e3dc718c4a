#pragma once
// The COM ports that scripts/test-windows.sh maps for the Windows tests: the
// two ends of a null-modem pair, vanto-devsim as a device that hangs up and
// comes back, a plain file; COM1, COM2 and every other port up to COM100 have
// no device behind them while these tests run.

inline constexpr int kPairPort = 5;     // null-modem: what goes in here comes out of kPeerPort
inline constexpr int kPeerPort = 12;    // past COM9: only its \\.\ name opens it
inline constexpr int kMissingPort = 7;  // mapped to nothing
inline constexpr int kFilePort = 8;     // a regular file, no comm device
// vanto-devsim --hangup-after 1, started afresh each time it has hung up: a
// device that goes away and is plugged back.
inline constexpr int kComebackPort = 9;
