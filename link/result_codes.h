#pragma once

// Result codes of every engine operation that talks to the device and of the
// programming loop. A device status other than 1, 3 and 4 that persists through
// both attempts of a command is passed on as a result with its own value.
inline constexpr int UPD_OK = 1;                   // correct reply, status 1 or none
inline constexpr int UPD_MORE = 2;                 // one block sent and acknowledged
inline constexpr int UPD_CHECKSUM_ERROR = 3;       // device status 3: overall checksum
inline constexpr int UPD_FLASH_ADDRESS_ERROR = 4;  // device status 4: flash address
inline constexpr int UPD_PORT_WRITE_FAILED = 5;    // frame not written completely
inline constexpr int UPD_NO_RESPONSE = 6;          // no complete reply in time
inline constexpr int UPD_TRANSMISSION_ERROR = 7;   // length above 512 or bad checksum
inline constexpr int UPD_FILE_ERROR = 8;           // update file missing, bad or empty

// Name of a result code for logs and the command-line front end ("UPD_OK", ...);
// "device status N" style names are left to the caller for other values.
const char* ResultCodeName(int nCode);
