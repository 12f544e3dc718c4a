#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "image/text_file.h"
#include "image/update_record.h"
#include "link/com_port.h"
#include "link/result_codes.h"

// Command codes of the device protocol.
inline constexpr uint8_t CMD_IDENTIFY = 0x19;
inline constexpr uint8_t CMD_WRITE_BLOCK = 0x20;
inline constexpr uint8_t CMD_FINISH = 0x21;

// The one engine: the update-file reader, the block source, the command-frame
// link and the serial port. One thread uses it at a time (the user-interface
// thread while it loads the image, otherwise the scan or programming worker).
//
// The fields are public on purpose: the pages and the tests read the counters
// and the frame directly, as the device programming always has.
//
// Member definitions live with their subsystem:
//   link/update_engine.cpp      construction, frames, replies, Identify, Finish
//   image/update_records.cpp    record readers
//   image/block_source.cpp      ReadBlock, CountBlocks, LoadUpdateImage
//   image/send_next_block.cpp   SendNextBlock
class CUpdateEngine {
public:
    // Creates the port and opens COM1, ignoring whether that worked.
    CUpdateEngine();
    ~CUpdateEngine();
    CUpdateEngine(const CUpdateEngine&) = delete;
    CUpdateEngine& operator=(const CUpdateEngine&) = delete;

    // --- Update file records ---
    bool OpenUpdateFile(const char* pszName, uint8_t nFormat);
    void RewindUpdateFile();
    bool CloseUpdateFile();
    int ReadNextRecord();
    int ReadHexRecord();
    int ReadSRecord();
    // Decodes hex-digit pairs of str into pOut (at most 40 bytes); returns the count.
    static int HexToBytes(uint8_t* pOut, std::string_view str);
    // "S1" 4, "S2" 6, "S3" 8, anything else 0.
    static int GetAddressDigits(std::string_view strType);
    uint32_t GetFirstAddress() const { return m_dwFirstAddress; }

    // --- Image block source ---
    bool ReadBlock(uint8_t* pBuf, int* pnBytes, int nMax);
    bool CountBlocks(int* pnBlocks);
    bool LoadUpdateImage();
    bool CloseUpdateImage();

    // --- Command frames ---
    void BuildFrame(uint8_t nCode);
    int SendCommand();
    int ReceiveReply();
    int Identify();
    int Finish(uint8_t bOk);

    // --- Device programming: one block ---
    int SendNextBlock();

    // --- Reader fields ---
    int m_nBlockSize = 256;             // block length used when counting
    uint8_t m_nFormat = FMT_INTEL_HEX;  // format of the open file
    uint32_t m_dwPrevEnd = 0;           // just past the previous data record
    uint32_t m_nRecordCount = 0;        // data records read in this pass
    UPDATE_RECORD m_rec{};              // the current record
    CTextFile m_file;                   // the update file
    uint8_t m_abCarry[40]{};            // rest of a record that crossed a block end
    int m_nCarryLen = 0;                // valid bytes in m_abCarry
    uint32_t m_dwFillPending = 0;       // 0xFF fill still owed to the next block(s)
    uint32_t m_dwFirstAddress = 0;      // load address of the pass's first record

    // --- Link fields ---
    uint8_t m_rxPayload[512]{};         // payload of the reply being received
    uint8_t m_txFrame[300]{};           // the frame to send
    uint8_t m_blockData[256]{};         // data of the next CMD_WRITE_BLOCK
    uint16_t m_nFrameLen = 0;           // bytes of the frame in m_txFrame
    uint16_t m_nReplyLen = 0;           // payload length field of the reply
    uint8_t m_nExpectedCode = 0;        // command whose reply is awaited
    uint32_t m_nReplyTimeout = 0;       // ms, of the command last built
    uint8_t m_nStatus = 1;              // device status of the last reply
    uint8_t m_nSequence = 0;            // sequence number of the next block
    uint32_t m_nBlocksSent = 0;         // blocks acknowledged since the load (never wraps)
    int m_nBlockCount = 0;              // blocks counted by the last load
    uint8_t m_bFinishOk = 0;            // last Finish: non-zero commits, zero aborts
    uint32_t m_dwAddress = 0;           // flash address of the next block
    uint32_t m_dwByteTotal = 0;         // sum of all block data bytes, mod 2^32
    uint8_t m_bStatusPresent = 0;       // accepted reply code had bit 0x40
    std::unique_ptr<CComPort> m_pPort;  // the engine's one serial port
};
