#include "tools/vanto-flash/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

constexpr double kBitsPerSecond = 38400.0;
constexpr double kBitsPerByte = 10.0;       // start bit, 8 data bits, stop bit
constexpr double kBytesPerBlock = 268 + 6;  // CMD_WRITE_BLOCK frame and its reply

std::string Printf(const char* pszFormat, double dValue) {
    char sz[64];
    std::snprintf(sz, sizeof sz, pszFormat, dValue);
    return sz;
}

}  // namespace

std::string WithThousands(uint64_t nValue) {
    const std::string strDigits = std::to_string(nValue);
    std::string strText;
    for (size_t i = 0; i < strDigits.size(); ++i) {
        if (i != 0 && (strDigits.size() - i) % 3 == 0) {
            strText += ',';
        }
        strText += strDigits[i];
    }
    return strText;
}

std::string ByteSize(uint64_t nBytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (nBytes < 1024) {
        return WithThousands(nBytes) + (nBytes == 1 ? " byte" : " bytes");
    }
    double dValue = static_cast<double>(nBytes) / 1024.0;
    size_t nUnit = 0;
    while (dValue >= 1024.0 && nUnit + 1 < std::size(kUnits)) {
        dValue /= 1024.0;
        ++nUnit;
    }
    return Printf(dValue < 10.0 && std::floor(dValue) != dValue ? "%.1f " : "%.0f ", dValue) +
           kUnits[nUnit];
}

std::string Duration(double dSeconds) {
    if (dSeconds < 60.0) {
        return Printf("%.1f s", dSeconds);
    }
    if (dSeconds < 3600.0) {
        const long nSeconds = std::lround(dSeconds);
        return std::to_string(nSeconds / 60) + " min " + std::to_string(nSeconds % 60) + " s";
    }
    if (dSeconds < 2 * 86400.0) {
        return Printf("%.1f h", dSeconds / 3600.0);
    }
    return Printf("%.0f days", dSeconds / 86400.0);
}

std::string Clock(double dSeconds) {
    const long nSeconds = std::lround(std::max(dSeconds, 0.0));
    char sz[32];
    if (nSeconds >= 3600) {
        std::snprintf(sz, sizeof sz, "%ld:%02ld:%02ld", nSeconds / 3600, nSeconds / 60 % 60,
                      nSeconds % 60);
    } else {
        std::snprintf(sz, sizeof sz, "%ld:%02ld", nSeconds / 60, nSeconds % 60);
    }
    return sz;
}

std::string Hex32(uint32_t dwValue) {
    char sz[16];
    std::snprintf(sz, sizeof sz, "0x%08X", static_cast<unsigned>(dwValue));
    return sz;
}

double WireSeconds(uint64_t nBlocks) {
    return static_cast<double>(nBlocks) * kBytesPerBlock * kBitsPerByte / kBitsPerSecond;
}
