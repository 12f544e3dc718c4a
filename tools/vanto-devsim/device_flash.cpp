#include "tools/vanto-devsim/device_flash.h"

#include <algorithm>

uint32_t CDeviceFlash::ExpectedAddress() const {
    return m_bInTransfer ? m_dwBase + static_cast<uint32_t>(m_image.size()) : 0;
}

CDeviceFlash::EBlockOutcome CDeviceFlash::WriteBlock(uint8_t nSequence, uint8_t nComplement,
                                                     uint32_t dwAddress, const uint8_t* pData) {
    if (static_cast<uint8_t>(~nSequence) != nComplement) {
        return EBlockOutcome::Refused;
    }
    if (!m_bInTransfer) {
        if (nSequence != 0) {
            return EBlockOutcome::Refused;
        }
        Begin(dwAddress);
        Store(pData);
        return EBlockOutcome::Stored;
    }
    if (nSequence == m_nNextSequence && dwAddress == ExpectedAddress()) {
        if (m_image.size() + kBlockSize > kCapacity) {
            return EBlockOutcome::Refused;
        }
        Store(pData);
        return EBlockOutcome::Stored;
    }
    if (IsLastBlock(nSequence, dwAddress, pData)) {
        return EBlockOutcome::Repeat;
    }
    if (nSequence == 0) {
        // The host loaded its image again after a run that ended without a
        // finish (a bad update file stops it so): a fresh download.
        Begin(dwAddress);
        Store(pData);
        return EBlockOutcome::Restart;
    }
    return EBlockOutcome::Refused;
}

bool CDeviceFlash::IsLastBlock(uint8_t nSequence, uint32_t dwAddress, const uint8_t* pData) const {
    if (m_image.empty()) {
        return false;
    }
    const size_t nLastOffset = m_image.size() - kBlockSize;
    return nSequence == static_cast<uint8_t>(m_nNextSequence - 1) &&
           dwAddress == m_dwBase + static_cast<uint32_t>(nLastOffset) &&
           std::equal(pData, pData + kBlockSize, m_image.begin() + static_cast<long>(nLastOffset));
}

void CDeviceFlash::Begin(uint32_t dwAddress) {
    m_bInTransfer = true;
    m_dwBase = dwAddress;
    m_nNextSequence = 0;
    m_dwByteSum = 0;
    m_image.clear();
}

void CDeviceFlash::Store(const uint8_t* pData) {
    m_image.insert(m_image.end(), pData, pData + kBlockSize);
    for (size_t i = 0; i < kBlockSize; ++i) {
        m_dwByteSum += pData[i];
    }
    ++m_nNextSequence;
}

bool CDeviceFlash::Commit(uint32_t dwHostTotal, std::vector<uint8_t>* pImage) {
    const bool bMatches = dwHostTotal == m_dwByteSum;
    pImage->swap(m_image);
    Abort();
    return bMatches;
}

void CDeviceFlash::Abort() {
    m_bInTransfer = false;
    m_nNextSequence = 0;
    m_dwByteSum = 0;
    m_image.clear();
}
