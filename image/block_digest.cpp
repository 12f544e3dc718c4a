#include "image/block_digest.h"

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
    uint32_t dwSum = 0;
    for (int i = 0; i < nBytes; ++i) {
        dwSum += pData[i];
    }
    m_dwByteSum += dwSum;
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
