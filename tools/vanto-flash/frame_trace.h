#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "link/line_observer.h"

// -v: what went over the device link, taken where the port writes and reads,
// as hex lines with the seconds since the start:
//   [   1.204] > 0A 20 01 06 ...      a frame, once its last byte has left
//   [   1.210] < E0 00 01 01 00 E2    the reply, as it came, at its first byte
//   [   2.711] < (no reply)           nothing came within the reply time-out
//   [   2.711] > 0A 20 01 06 ...      the same frame again: the second attempt
//   [   4.002] x 55 AA                bytes nobody read, thrown away before a frame
// A reply line holds every byte read while the reply was awaited, stray bytes
// before the reply code included. A reply that was not taken says why after
// its bytes: "(malformed)" for a length above 512 or a wrong sum, "(no
// complete reply)" when the time ran out; a frame that did not go out whole
// says "(write failed)".
class CFrameTrace : public ILineObserver {
public:
    explicit CFrameTrace(std::FILE* pOut);

    void Purged(const uint8_t* pBytes, size_t nCount) override;
    void Written(const uint8_t* pBytes, size_t nCount, bool bWhole) override;
    void Received(const uint8_t* pBytes, size_t nCount) override;
    void ReplyEnded(int nResult) override;

private:
    using Clock = std::chrono::steady_clock;

    // Prints the bytes received and not yet printed, with pszNote after them.
    void PrintReply(const char* pszNote);
    void PrintLine(Clock::time_point tWhen, char chDirection, const uint8_t* pBytes, size_t nCount,
                   const char* pszNote);

    std::mutex m_mutex;  // the scan's and the run's workers take turns on the port
    std::FILE* m_pOut;
    Clock::time_point m_tStart = Clock::now();
    std::vector<uint8_t> m_reply;  // received since the last line
    Clock::time_point m_tReply;    // when its first byte came
};
