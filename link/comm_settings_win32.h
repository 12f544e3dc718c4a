#pragma once

#include <windows.h>

// The device link's line in Win32 terms: what CComPort gives a port's DCB and
// COMMTIMEOUTS on Windows.

// A one-byte read returns as soon as the byte is there and gives up after
// 10 ms per byte plus 200 ms; a write of n bytes after 2000 ms per byte plus
// 50 ms. The driver keeps these time-outs itself.
inline constexpr DWORD kReadIntervalMs = 10;
inline constexpr DWORD kReadMsPerByte = 10;
inline constexpr DWORD kReadConstantMs = 200;
inline constexpr DWORD kWriteMsPerByte = 2000;
inline constexpr DWORD kWriteConstantMs = 50;

COMMTIMEOUTS LinkTimeouts();

// The port's DCB as the driver reported it, changed to 38400 baud, 8N1,
// binary, no hardware or software flow control, DTR and RTS held off. Every
// other field keeps its value (parity check, XON/XOFF limits and characters,
// error character, null stripping, abort on error).
DCB LinkDcb(const DCB& original);

// True when a DCB read back from the port carries the link's line: a driver
// may take a DCB without complaint and keep values of its own.
bool LinkDcbTook(const DCB& dcb);
