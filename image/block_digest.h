#pragma once

#include <cstdint>

#include "image/sha256.h"

// What identifies the blocks of one pass over the update file: how many
// there were, how many bytes they held, where the first one goes and a
// SHA-256 of all their bytes in order. Two passes that deliver the same image
// have equal digests; a file cut short or rewritten between them does not.
class CBlockDigest {
public:
    void Reset();
    void AddBlock(const uint8_t* pData, int nBytes);
    // Closes the pass; nFirstAddress is where its first block goes.
    void Finish(uint32_t dwFirstAddress);

    bool operator==(const CBlockDigest& other) const;

    int64_t m_nBlocks = 0;
    uint64_t m_nBytes = 0;
    uint32_t m_dwFirstAddress = 0;
    CSha256::Digest m_hash{};

private:
    CSha256 m_sha;
};
