#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The host's end of the line in simulator tests: the pty slave opened raw,
// written a frame at a time and read byte by byte, as the updater does. Frame
// bytes are built here by hand, independently of the host's link code.
class CHostLine {
public:
    explicit CHostLine(const std::string& strPath);
    ~CHostLine();
    CHostLine(const CHostLine&) = delete;
    CHostLine& operator=(const CHostLine&) = delete;

    bool IsOpen() const { return m_hFd >= 0; }

    // Discards stale input, then writes all bytes. false when the line failed.
    bool Send(const std::vector<uint8_t>& bytes);

    // Reads byte by byte: waits up to nFirstByteMs for the first byte, then
    // takes bytes until nMaxBytes have come or the line has been quiet for
    // nQuietMs.
    std::vector<uint8_t> Receive(size_t nMaxBytes, int nFirstByteMs = 1000, int nQuietMs = 100);

    // True when a read reports the device's hang-up (POLLHUP or EIO).
    bool SeesHangup(int nWaitMs);

private:
    int m_hFd = -1;
};

// Command frames: 0x0A, code, 16-bit length, payload, 16-bit sum of all of it.
std::vector<uint8_t> CommandFrame(uint8_t nCode, const std::vector<uint8_t>& payload);
std::vector<uint8_t> IdentifyFrame();
std::vector<uint8_t> BlockFrame(uint8_t nSequence, uint32_t dwAddress, uint8_t nFirstByte);
std::vector<uint8_t> CommitFrame(uint32_t dwTotal);
std::vector<uint8_t> AbortFrame();

// The 256 data bytes BlockFrame sends: nFirstByte, nFirstByte + 1, ...
std::vector<uint8_t> BlockData(uint8_t nFirstByte);
uint32_t BlockDataSum(uint8_t nFirstByte);

// A status reply as the device must send it: code|0xC0, 00 01, status, sum.
std::vector<uint8_t> StatusReply(uint8_t nCommand, uint8_t nStatus);

std::string HexBytes(const std::vector<uint8_t>& bytes);
