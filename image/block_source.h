#pragma once

#include <cstdint>

#include "image/block_digest.h"
#include "image/record_reader.h"

// The image block source: turns the record stream of the update file into
// the 256-byte blocks the device is programmed with, filling forward gaps
// with 0xFF and carrying the rest of a record that crosses a block end into
// the next block. Chooses and loads the update file and counts its blocks.
// Plain C++: it reads files and nothing else.
class CBlockSource {
public:
    // Open and rewind the update file as the reader does, and begin a new
    // block layout (no carry-over, no pending fill).
    bool OpenUpdateFile(const char* pszName, uint8_t nFormat);
    void RewindUpdateFile();
    bool CloseUpdateFile();
    uint32_t GetFirstAddress() const { return m_reader.GetFirstAddress(); }

    // The next up to nMax image bytes at pBuf. True with *pnBytes placed
    // (fewer than nMax: the data ended); false on a bad record or a file the
    // reader refuses (m_reader says why and where), *pnBytes 0. Once the data
    // has ended, every later call of the pass places 0 bytes.
    bool ReadBlock(uint8_t* pBuf, int* pnBytes, int nMax);
    // Counts the blocks of the open file from the current pass state, keeping
    // their digest in m_countDigest, and seeks the file back to its start.
    // True with the count in *pnBlocks; false on a file the reader refuses
    // (m_reader says why and where), *pnBlocks left alone. Either way the
    // pass's figures (m_reader's, and the data and gap tallies here) stay
    // until the next pass begins: on success the whole file has been read.
    bool CountBlocks(int* pnBlocks);

    // The pass that sends: ReadBlock, checked against the counted digest as
    // the blocks go. False on a bad record and as soon as the pass has more
    // blocks or bytes than were counted (the file changed under us).
    bool TakeBlockForSending(uint8_t* pBuf, int* pnBytes, int nMax);
    // Once the sending pass has delivered its last block: true when it was
    // exactly the image that was counted (same blocks, bytes, first address).
    bool SentImageIsCounted();
    // Opens "kst.hex" (Intel HEX), else "kst.a90" (S-records), from the
    // working directory, counts its blocks into m_nBlockCount and rewinds it.
    // True when a file is open, counted and ready; false with no file open.
    bool LoadUpdateImage();
    // The same steps on a file of the caller's choosing (vanto-flash info --file).
    bool LoadUpdateImageFile(const char* pszName, uint8_t nFormat);
    bool CloseUpdateImage();

    CRecordReader m_reader;        // the update file's records
    int m_nBlockCount = 0;         // blocks counted by the last load
    uint32_t m_dwPrevEnd = 0;      // just past the previous data record
    uint8_t m_abCarry[40]{};       // rest of a record that crossed a block end
    int m_nCarryLen = 0;           // valid bytes in m_abCarry
    uint32_t m_dwFillPending = 0;  // 0xFF fill still owed to the next block(s)
    bool m_bDataEnded = false;     // this pass has reached the end of the data
    // What this pass has laid out so far: data bytes of the records, and the
    // forward gaps between records that were filled with 0xFF.
    uint64_t m_nDataBytes = 0;
    uint32_t m_nGaps = 0;
    uint64_t m_nGapBytes = 0;
    CBlockDigest m_countDigest;  // the blocks the last count delivered
    CBlockDigest m_sendDigest;   // the blocks this sending pass has delivered

private:
    void ResetLayout();
    bool MeasureOpenedImage(bool bOpened);
};
