#include "image/block_digest.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;

// The sum of up to 256 bytes, eight at a time: each 64-bit word is split
// into four 16-bit lanes, which 256 bytes cannot overflow.
uint32_t SumOfChunk(const uint8_t* pData, int nBytes) {
    uint64_t nLanes = 0;
    int i = 0;
    for (; i + 8 <= nBytes; i += 8) {
        uint64_t nWord;
        std::memcpy(&nWord, pData + i, sizeof nWord);
        nLanes += (nWord & kEvenBytes) + ((nWord >> 8) & kEvenBytes);
    }
    uint32_t dwSum = 0;
    for (int nLane = 0; nLane < 4; ++nLane) {
        dwSum += static_cast<uint32_t>(nLanes >> (16 * nLane)) & 0xFFFF;
    }
    for (; i < nBytes; ++i) {
        dwSum += pData[i];
    }
    return dwSum;
}

uint32_t SumOfBytes(const uint8_t* pData, int nBytes) {
    constexpr int kChunk = 256;
    uint32_t dwSum = 0;
    for (int i = 0; i < nBytes; i += kChunk) {
        dwSum += SumOfChunk(pData + i, std::min(kChunk, nBytes - i));
    }
    return dwSum;
}

}  // namespace

void CBlockDigest::Reset() {
    m_nBlocks = 0;
    m_nBytes = 0;
    m_dwByteSum = 0;
    m_dwFirstAddress = 0;
    m_hash = {};
    m_sha.Reset();
}

void CBlockDigest::AddBlock(const uint8_t* pData, int nBytes) {
    if (nBytes <= 0) {
        return;
    }
    ++m_nBlocks;
    m_nBytes += static_cast<uint64_t>(nBytes);
    m_dwByteSum += SumOfBytes(pData, nBytes);
    m_sha.Add(pData, static_cast<size_t>(nBytes));
}

void CBlockDigest::Finish(uint32_t dwFirstAddress) {
    m_dwFirstAddress = dwFirstAddress;
    m_hash = m_sha.Finish();
}

uint32_t CBlockDigest::FinishTotal(int nBlockSize) const {
    const uint64_t nPadding =
        static_cast<uint64_t>(m_nBlocks) * static_cast<uint64_t>(nBlockSize) - m_nBytes;
    return m_dwByteSum + static_cast<uint32_t>(nPadding * 0xFF);
}

bool CBlockDigest::operator==(const CBlockDigest& other) const {
    return m_nBlocks == other.m_nBlocks && m_nBytes == other.m_nBytes &&
           m_dwFirstAddress == other.m_dwFirstAddress && m_hash == other.m_hash;
}
