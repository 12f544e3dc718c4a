#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/block_source.h"
#include "link/com_port.h"
#include "link/result_codes.h"

// Command codes of the device protocol.
inline constexpr uint8_t CMD_IDENTIFY = 0x19;
inline constexpr uint8_t CMD_WRITE_BLOCK = 0x20;
inline constexpr uint8_t CMD_FINISH = 0x21;

// The one engine: the update image (a block source over the update file),
// the command-frame link and the serial port. One thread uses it at a time
// (the user-interface thread while it loads the image, otherwise the scan or
// programming worker). Every frame sent to the device is built here.
//
// The fields are public on purpose: the pages and the tests read the counters
// and the frame directly, as the device programming always has.
//
//   link/update_engine.cpp      construction, frames, replies, Identify, Finish,
//                               AbortTransfer
//   link/send_next_block.cpp    SendNextBlock
class CUpdateEngine {
public:
    // Creates the port and opens COM1, ignoring whether that worked.
    CUpdateEngine();
    ~CUpdateEngine();
    CUpdateEngine(const CUpdateEngine&) = delete;
    CUpdateEngine& operator=(const CUpdateEngine&) = delete;

    // --- Update image: forwarded to the block source ---
    bool OpenUpdateFile(const char* pszName, uint8_t nFormat) {
        return m_image.OpenUpdateFile(pszName, nFormat);
    }
    void RewindUpdateFile() { m_image.RewindUpdateFile(); }
    bool CloseUpdateFile() { return m_image.CloseUpdateFile(); }
    int ReadNextRecord() { return m_image.m_reader.ReadNextRecord(); }
    uint32_t GetFirstAddress() const { return m_image.GetFirstAddress(); }
    bool ReadBlock(uint8_t* pBuf, int* pnBytes, int nMax) {
        return m_image.ReadBlock(pBuf, pnBytes, nMax);
    }
    bool CountBlocks(int* pnBlocks) { return m_image.CountBlocks(pnBlocks); }
    // Resets the block-sending fields, then loads kst.hex (else kst.a90), or
    // the file chosen with ChooseUpdateFile.
    bool LoadUpdateImage();
    // Every later load reads this file in this format instead of looking for
    // kst.hex and kst.a90 (vanto-flash --file).
    void ChooseUpdateFile(const std::string& strPath, uint8_t nFormat) {
        m_strChosenFile = strPath;
        m_nChosenFormat = nFormat;
    }
    // Every later load fails unless its count finds exactly these blocks: the
    // image a front end checked before it touched a port (vanto-flash, where
    // several engines load the same file).
    void ExpectImage(const CBlockDigest& digest) {
        m_expectedImage = digest;
        m_bImageExpected = true;
    }
    bool CloseUpdateImage() { return m_image.CloseUpdateImage(); }

    // --- Command frames ---
    void BuildFrame(uint8_t nCode);
    int SendCommand();
    // Reads one reply under m_nReplyTimeout: UPD_OK, UPD_NO_RESPONSE or
    // UPD_TRANSMISSION_ERROR; sets m_nStatus. Gives up at once, with
    // UPD_NO_RESPONSE, once the port is closed or its device went away.
    int ReceiveReply();
    int Identify();
    int Finish(uint8_t bOk);
    // Tells the device the transfer is abandoned (the abort form of
    // CMD_FINISH): written once, no retry, the reply awaited under the finish
    // time-out. UPD_OK when the device acknowledged.
    int AbortTransfer();
    // Called after each frame written: keeps m_bTransferOpen.
    void NoteFrameSent();

    // --- Device programming: one block ---
    int SendNextBlock();

    // --- The update image: record reader, block layout, block count ---
    CBlockSource m_image;

    // --- Link fields ---
    uint8_t m_rxPayload[512]{};    // payload of the reply being received
    uint8_t m_txFrame[300]{};      // the frame to send
    uint8_t m_blockData[256]{};    // data of the next CMD_WRITE_BLOCK
    uint16_t m_nFrameLen = 0;      // bytes of the frame in m_txFrame
    uint16_t m_nReplyLen = 0;      // payload length field of the reply
    uint8_t m_nExpectedCode = 0;   // command whose reply is awaited
    uint32_t m_nReplyTimeout = 0;  // ms, of the command last built
    uint8_t m_nStatus = 1;         // device status of the last reply
    uint8_t m_nSequence = 0;       // sequence number of the next block
    uint32_t m_nBlocksSent = 0;    // blocks acknowledged since the load (never wraps)
    uint8_t m_bFinishOk = 0;       // last Finish: non-zero commits, zero aborts
    uint32_t m_dwAddress = 0;      // flash address of the next block
    uint32_t m_dwByteTotal = 0;    // sum of all block data bytes, mod 2^32
    uint8_t m_bStatusPresent = 0;  // accepted reply code had bit 0x40
    // The outcome the last SendCommand returned came from a well-formed reply
    // whose device status was not 1: the device heard the command and refused
    // it (as opposed to no reply, or a reply that arrived garbled).
    bool m_bRefused = false;
    // A CMD_WRITE_BLOCK frame has gone out since the load and no CMD_FINISH
    // after it: the device may hold blocks of a transfer nobody has ended.
    bool m_bTransferOpen = false;
    std::unique_ptr<CComPort> m_pPort;  // the engine's one serial port
    std::string m_strChosenFile;        // "": kst.hex, else kst.a90
    uint8_t m_nChosenFormat = 0;        // format of m_strChosenFile
    bool m_bImageExpected = false;      // ExpectImage was called
    CBlockDigest m_expectedImage;       // what every load must count
};
