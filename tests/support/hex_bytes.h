#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// Bytes from a hex string, as frames are written in the tests: "99 00 00 00 99".
inline std::vector<uint8_t> Hex(const std::string& strHex) {
    std::vector<uint8_t> bytes;
    std::istringstream in(strHex);
    for (unsigned n = 0; in >> std::hex >> n;) {
        bytes.push_back(static_cast<uint8_t>(n));
    }
    return bytes;
}
