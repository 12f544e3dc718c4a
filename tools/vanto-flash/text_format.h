#pragma once

#include <cstdint>
#include <string>

// Numbers as people read them in vanto-flash's lines.

// 16777216 -> "16,777,216".
std::string WithThousands(uint64_t nValue);
// A byte count in the largest binary unit that keeps it at 1 or more:
// "512 bytes", "20 KiB", "4 GiB" (one decimal below 10, none above).
std::string ByteSize(uint64_t nBytes);
// Seconds as "5.8 s", "2 min 5 s", "3.2 h", "14 days".
std::string Duration(double dSeconds);
// m:ss (h:mm:ss from an hour on), for the progress line.
std::string Clock(double dSeconds);
// 0x00281138
std::string Hex32(uint32_t dwValue);

// The time nBlocks take on a 38400-baud wire: each block frame (268 bytes)
// and its reply (6 bytes), 10 bits a byte; the device's own time not counted.
double WireSeconds(uint64_t nBlocks);
