#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/sha256_blocks.h"

// SHA-256 (FIPS 180-4), fed in pieces of any length. Whole blocks are hashed
// straight from the caller's bytes, on the processor's SHA instructions where
// it has them.
class CSha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    CSha256() { Reset(); }
    // Starts a new hash: nothing added.
    void Reset();
    void Add(const uint8_t* pData, size_t nCount);
    // The digest of everything added since the reset; the hash is reset after.
    Digest Finish();
    // The digest as 64 lower-case hex digits, as sha256sum prints it.
    static std::string ToHex(const Digest& digest);

private:
    std::array<uint32_t, 8> m_state{};
    std::array<uint8_t, 64> m_abPending{};
    size_t m_nPending = 0;
    uint64_t m_nTotalBytes = 0;
    Sha256BlocksFunction m_pfnBlocks = nullptr;
};
