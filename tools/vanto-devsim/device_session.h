#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vanto-devsim/device_flash.h"
#include "tools/vanto-devsim/devsim_options.h"
#include "tools/vanto-devsim/frame_parser.h"

// What the device does about one command frame: the bytes to send back
// (empty: stay silent) and the summary line for the log (empty: none).
struct SDeviceAction {
    std::vector<uint8_t> reply;
    std::string strLogLine;
};

// The device's command handling: identify, block writes and finish, with the
// faults the options ask for. It knows nothing of time and terminals; the
// serve loop paces, delays and writes what it returns.
//
// Reply frames: code | 0x80 | 0x40 (a status byte leads the payload), length
// 0x0001, the status, and a 16-bit sum of code, length bytes and status.
class CDeviceSession {
public:
    static constexpr uint8_t kCmdIdentify = 0x19;
    static constexpr uint8_t kCmdWriteBlock = 0x20;
    static constexpr uint8_t kCmdFinish = 0x21;

    explicit CDeviceSession(const CDevsimOptions& options) : m_options(options) {}

    SDeviceAction Handle(const SCommandFrame& frame);

    // True once the hang-up fault's number of blocks has been stored.
    bool HangupDue() const;

    // Wire statistics, for a benchmark to compute the protocol's ideal time.
    void CountReceived(size_t nBytes) { m_nRxBytes += nBytes; }
    void CountSent(size_t nBytes) { m_nTxBytes += nBytes; }
    std::string StatsLine() const;

private:
    SDeviceAction HandleIdentify();
    SDeviceAction HandleBlock(const std::vector<uint8_t>& payload);
    SDeviceAction HandleFinish(const std::vector<uint8_t>& payload);
    SDeviceAction Ignore(const SCommandFrame& frame, const char* pszWhy);

    // Builds the status reply, applying the reply faults and counting it;
    // appends what the faults did to strLogLine.
    SDeviceAction Reply(uint8_t nCode, uint8_t nStatus, std::string strLogLine);
    void WriteFlashImage(const std::vector<uint8_t>& image) const;

    const CDevsimOptions m_options;
    CDeviceFlash m_flash;
    unsigned m_nIdentifyFrames = 0;
    unsigned m_nBlockFrames = 0;
    unsigned m_nReplies = 0;
    unsigned m_nBlocksStored = 0;  // over the whole session
    uint64_t m_nRxBytes = 0;
    uint64_t m_nTxBytes = 0;
    uint64_t m_nReplyDelayMs = 0;
};
