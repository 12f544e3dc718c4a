#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/block_source.h"
#include "link/com_port.h"
#include "link/reply_receiver.h"
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
// The fields are public on purpose: the procedures, the front ends and the
// tests read the counters and the frame directly.
//
// A command is one BuildFrame and one SendCommand of at most two attempts;
// Identify and Finish are such commands. Every operation that talks to the
// device returns a result code (result_codes.h), or, for a device status
// other than 1, 3 and 4 that persisted through both attempts, that status.
//
//   link/update_engine.cpp      construction, frames, replies, Identify, Finish,
//                               AbortTransfer, the image load
//   link/send_next_block.cpp    SendNextBlock
//   link/reply_receiver.cpp     the reply, a byte at a time
class CUpdateEngine {
public:
    // Creates the port and opens COM1, ignoring whether that worked: the
    // engine holds COM1 when it exists and is free, and no port otherwise.
    CUpdateEngine();
    ~CUpdateEngine();
    CUpdateEngine(const CUpdateEngine&) = delete;
    CUpdateEngine& operator=(const CUpdateEngine&) = delete;

    // --- Update image ---
    // Resets the block-sending fields (sequence, address, byte total, blocks
    // sent, the open transfer), then loads kst.hex (else kst.a90), or the file
    // chosen with ChooseUpdateFile, and counts its blocks into
    // m_image.m_nBlockCount. True when the image is open, counted and ready
    // to send, and, after ExpectImage, is the image expected; false with no
    // file open.
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
    // Closes the update file. True when one was open.
    bool CloseUpdateImage() { return m_image.CloseUpdateImage(); }

    // --- Command frames ---
    // Builds the frame of CMD_IDENTIFY, CMD_WRITE_BLOCK (from m_blockData,
    // m_nSequence and m_dwAddress, adding the data bytes to m_dwByteTotal) or
    // CMD_FINISH (commit or abort after m_bFinishOk) into m_txFrame and
    // m_nFrameLen, and sets the reply awaited (m_nExpectedCode) and its
    // time-out (m_nReplyTimeout). Sends nothing.
    void BuildFrame(uint8_t nCode);
    // Sends the frame last built and reads the reply, twice at most: a second
    // attempt writes the identical frame after a failed write, no reply, a
    // malformed reply or a device status other than 1, 3 and 4. Returns
    // UPD_OK (status 1, or a reply without status), UPD_CHECKSUM_ERROR or
    // UPD_FLASH_ADDRESS_ERROR (status 3 or 4, at once), else the last
    // attempt's outcome: UPD_PORT_WRITE_FAILED (when no write went through),
    // UPD_NO_RESPONSE, UPD_TRANSMISSION_ERROR, or the device status. Leaves
    // m_nStatus and m_bRefused of the last reply, and m_bTransferOpen as the
    // frames written leave it; the frame and the counters are unchanged.
    int SendCommand();
    // Reads one reply to m_nExpectedCode under m_nReplyTimeout (the time-out
    // is tested after each read that brought nothing and its 100 ms pause, and
    // after each byte skipped while hunting). Returns UPD_OK for a whole reply
    // with a matching sum, UPD_TRANSMISSION_ERROR for a length above 512 (at
    // once) or a wrong sum, UPD_NO_RESPONSE when the time ran out, and at once
    // once the port is closed or its device went away. Sets m_nStatus (1 for
    // a reply without status, and for no reply); m_receiver keeps the reply.
    int ReceiveReply();
    // CMD_IDENTIFY: BuildFrame, then SendCommand, whose result it returns.
    int Identify();
    // CMD_FINISH: stores bOk in m_bFinishOk (non-zero commits with
    // m_dwByteTotal, zero aborts), then BuildFrame and SendCommand, whose
    // result it returns. m_bTransferOpen is false once a frame went out.
    int Finish(uint8_t bOk);
    // Tells the device the transfer is abandoned (the abort form of
    // CMD_FINISH): written once, no retry, the reply awaited under the finish
    // time-out. UPD_OK when the device acknowledged; otherwise
    // UPD_PORT_WRITE_FAILED, UPD_NO_RESPONSE, UPD_TRANSMISSION_ERROR or the
    // device status. m_bTransferOpen is false once the frame went out.
    int AbortTransfer();

    // --- Device programming: one block ---
    // Fills m_blockData with the next block of the image (0xFF after a short
    // last block) and sends it as CMD_WRITE_BLOCK. Returns UPD_MORE when the
    // device acknowledged it (sequence, address and m_nBlocksSent advance);
    // UPD_OK when the image is exhausted after at least one block and was
    // exactly the image counted; UPD_FILE_ERROR for a bad record, an empty
    // image or a file that changed since the count; UPD_TRANSMISSION_ERROR
    // when the device refused the block with status 2; otherwise the result
    // of SendCommand. Nothing advances unless the block was acknowledged.
    int SendNextBlock();

    // --- The update image: record reader, block layout, block count ---
    CBlockSource m_image;

    // --- Link fields ---
    CReplyReceiver m_receiver;     // the reply being received, and the last one
    uint8_t m_txFrame[300]{};      // the frame to send
    uint8_t m_blockData[256]{};    // data of the next CMD_WRITE_BLOCK
    uint16_t m_nFrameLen = 0;      // bytes of the frame in m_txFrame
    uint8_t m_nExpectedCode = 0;   // command whose reply is awaited
    uint32_t m_nReplyTimeout = 0;  // ms, of the command last built
    uint8_t m_nStatus = 1;         // device status of the last reply
    uint8_t m_nSequence = 0;       // sequence number of the next block
    uint32_t m_nBlocksSent = 0;    // blocks acknowledged since the load (never wraps)
    uint8_t m_bFinishOk = 0;       // last Finish: non-zero commits, zero aborts
    uint32_t m_dwAddress = 0;      // flash address of the next block
    uint32_t m_dwByteTotal = 0;    // sum of all block data bytes, mod 2^32
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

private:
    // Called after each frame written: keeps m_bTransferOpen.
    void NoteFrameSent();
    // The end of a receive, told to the port's observer; returns nResult.
    int EndReply(int nResult);
};
