// Image block source: turns the record stream into the 256-byte blocks the
// device is programmed with. Block k goes to the first record's address plus
// 256 * k, so every image byte at address A travels in block
// (A - first address) / 256 at offset (A - first address) % 256: forward gaps
// are filled with 0xFF, across as many blocks as they span, and a record that
// crosses a block end carries its rest into the next block.

#include "image/block_source.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr uint8_t kFillByte = 0xFF;
// The device takes its image in blocks of this many bytes.
constexpr int kBlockSize = 256;

}  // namespace

void CBlockSource::ResetLayout() {
    std::memset(m_abCarry, 0, sizeof m_abCarry);
    m_nCarryLen = 0;
    m_dwFillPending = 0;
    m_dwPrevEnd = 0;
    m_bDataEnded = false;
    m_nDataBytes = 0;
    m_nGaps = 0;
    m_nGapBytes = 0;
    m_sendDigest.Reset();
}

bool CBlockSource::OpenUpdateFile(const char* pszName, uint8_t nFormat) {
    ResetLayout();
    return m_reader.OpenUpdateFile(pszName, nFormat);
}

void CBlockSource::RewindUpdateFile() {
    ResetLayout();
    m_reader.RewindUpdateFile();
}

bool CBlockSource::CloseUpdateFile() {
    return m_reader.CloseUpdateFile();
}

// The common tail of every load: counts the blocks of the open file (if one
// opened) and leaves it at its start with a fresh pass.
bool CBlockSource::MeasureOpenedImage(bool bOpened) {
    if (!bOpened) {
        RewindUpdateFile();
        return false;
    }
    if (!CountBlocks(&m_nBlockCount)) {
        CloseUpdateFile();
        return false;
    }
    RewindUpdateFile();
    return true;
}

bool CBlockSource::LoadUpdateImageFile(const char* pszName, uint8_t nFormat) {
    return MeasureOpenedImage(OpenUpdateFile(pszName, nFormat));
}

bool CBlockSource::LoadUpdateImage() {
    // Names relative to the working directory, where the user puts the file.
    bool bOpened = OpenUpdateFile("kst.hex", FMT_INTEL_HEX);
    if (!bOpened) {
        bOpened = OpenUpdateFile("kst.a90", FMT_SRECORD);
    }
    return MeasureOpenedImage(bOpened);
}

bool CBlockSource::CloseUpdateImage() {
    CloseUpdateFile();
    return true;
}

bool CBlockSource::ReadBlock(uint8_t* pBuf, int* pnBytes, int nMax) {
    *pnBytes = 0;
    if (m_bDataEnded) {
        return true;  // nothing is pending once the end was read
    }
    int nPos = 0;
    int nRoom = std::max(nMax, 0);

    // First what the previous block could not take: the rest of a gap's fill,
    // then the bytes of the record that comes after it.
    const int nFill = static_cast<int>(std::min<uint32_t>(m_dwFillPending, nRoom));
    std::memset(pBuf, kFillByte, static_cast<size_t>(nFill));
    m_dwFillPending -= static_cast<uint32_t>(nFill);
    nPos += nFill;
    nRoom -= nFill;
    if (m_dwFillPending == 0 && m_nCarryLen > 0) {
        const int nTake = std::min(m_nCarryLen, nRoom);
        std::memcpy(pBuf + nPos, m_abCarry, static_cast<size_t>(nTake));
        nPos += nTake;
        nRoom -= nTake;
        m_nCarryLen -= nTake;
        std::memmove(m_abCarry, m_abCarry + nTake, static_cast<size_t>(m_nCarryLen));
        std::memset(m_abCarry + m_nCarryLen, 0,
                    sizeof m_abCarry - static_cast<size_t>(m_nCarryLen));
    }

    while (nRoom > 0) {
        int nResult = m_reader.ReadNextRecord();
        if (nResult == REC_END) {
            m_bDataEnded = true;
            break;
        }
        if (nResult != REC_DATA) {
            return false;
        }
        // The first record of a pass starts the image; the reader lets no
        // record start below the end of the one before, so every other one
        // follows its bytes, after the fill of a forward gap.
        uint32_t dwGap = 0;
        const UPDATE_RECORD& rec = m_reader.m_rec;
        if (m_reader.m_nRecordCount > 1 && m_dwPrevEnd < rec.dwAddress) {
            dwGap = rec.dwAddress - m_dwPrevEnd;
        }
        m_dwPrevEnd = rec.dwAddress + rec.wLength;
        m_nDataBytes += rec.wLength;
        if (dwGap != 0) {
            ++m_nGaps;
            m_nGapBytes += dwGap;
        }

        const int nGapHere = static_cast<int>(std::min<uint32_t>(dwGap, nRoom));
        std::memset(pBuf + nPos, kFillByte, static_cast<size_t>(nGapHere));
        nPos += nGapHere;
        nRoom -= nGapHere;
        m_dwFillPending = dwGap - static_cast<uint32_t>(nGapHere);

        // Whatever does not fit waits in the carry-over, which holds a whole
        // record; when the fill goes on in the next block, all of it waits.
        const int nLength = rec.wLength;
        const int nPlace = m_dwFillPending > 0 ? 0 : std::min(nLength, nRoom);
        std::memcpy(pBuf + nPos, rec.abData, static_cast<size_t>(nPlace));
        nPos += nPlace;
        nRoom -= nPlace;
        m_nCarryLen = nLength - nPlace;
        std::memcpy(m_abCarry, rec.abData + nPlace, static_cast<size_t>(m_nCarryLen));
    }
    *pnBytes = nPos;
    return true;
}

bool CBlockSource::CountBlocks(int* pnBlocks) {
    if (!m_reader.IsOpen()) {
        return false;
    }
    uint8_t abBlock[kBlockSize];
    int nBlocks = 0;
    int nBytes = 0;
    bool bOk;
    m_countDigest.Reset();
    do {
        bOk = ReadBlock(abBlock, &nBytes, kBlockSize);
        m_countDigest.AddBlock(abBlock, bOk ? nBytes : 0);
        if (bOk && nBytes > 0) {
            // An image too long to count could not be addressed either.
            if (nBlocks == INT_MAX) {
                bOk = false;
                break;
            }
            ++nBlocks;
        }
    } while (bOk && nBytes == kBlockSize);
    if (bOk) {
        *pnBlocks = nBlocks;
        m_countDigest.Finish(GetFirstAddress());
    }
    // Only the file position goes back here; the caller begins the new pass.
    m_reader.m_file.SeekToStart();
    return bOk;
}

bool CBlockSource::TakeBlockForSending(uint8_t* pBuf, int* pnBytes, int nMax) {
    if (!ReadBlock(pBuf, pnBytes, nMax)) {
        return false;
    }
    m_sendDigest.AddBlock(pBuf, *pnBytes);
    return m_sendDigest.m_nBlocks <= m_countDigest.m_nBlocks &&
           m_sendDigest.m_nBytes <= m_countDigest.m_nBytes;
}

bool CBlockSource::SentImageIsCounted() {
    m_sendDigest.Finish(GetFirstAddress());
    return m_sendDigest == m_countDigest;
}
