#pragma once

#include <cstdint>

#include "image/sha256.h"

// What identifies the blocks of one pass over the update file: how many
// there were, how many bytes they held, where the first one goes and a
// SHA-256 of all their bytes in order. Two passes that deliver the same image
// have equal digests; a file cut short or rewritten between them does not.
class CBlockDigest {
public:
    // Back to no block: counts and sums 0, the hash started afresh.
    void Reset();
    // Adds the nBytes bytes of one block (nothing for 0 bytes).
    void AddBlock(const uint8_t* pData, int nBytes);
    // Closes the pass; dwFirstAddress is where its first block goes. m_hash
    // holds the SHA-256 of every byte added since the reset.
    void Finish(uint32_t dwFirstAddress);

    // The byte total the commit form of the finish command carries for these
    // blocks: every byte of every block, a short last block filled up to
    // nBlockSize with 0xFF, modulo 2^32.
    uint32_t FinishTotal(int nBlockSize) const;

    bool operator==(const CBlockDigest& other) const;

    int64_t m_nBlocks = 0;
    uint64_t m_nBytes = 0;
    uint32_t m_dwByteSum = 0;  // the sum of those bytes, modulo 2^32
    uint32_t m_dwFirstAddress = 0;
    CSha256::Digest m_hash{};

private:
    CSha256 m_sha;
};
