#pragma once

#include <cstddef>
#include <cstdlib>

// The size of the image the programming benchmarks send: VANTO_BENCH_KIB
// KiB (1 to 64: the Intel HEX file carries 16-bit addresses), 64 KiB (256
// blocks) when unset or out of range. CI runs them with a small size.
inline size_t BenchImageBytes() {
    const char* pszKib = std::getenv("VANTO_BENCH_KIB");
    const long nKib = pszKib != nullptr ? std::strtol(pszKib, nullptr, 10) : 64;
    return static_cast<size_t>(nKib >= 1 && nKib <= 64 ? nKib : 64) * 1024;
}
