#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

class CUpdateEngine;

// -v: the frames of the road as hex lines with the seconds since the start,
//   [  1.204] > 0A 20 01 06 ...   the frame sent
//   [  1.204] < E0 00 01 01 00 E2 the reply the engine accepted
// The engine keeps the last frame it built and the reply it accepted; the
// terminal page calls in right after each step on the worker thread that
// took it (so the engine is not in use meanwhile), and the trace shows that
// step's last exchange. A retry within a step, and a reply the engine threw
// away, are not seen; a step without an accepted reply says so.
class CFrameTrace {
public:
    CFrameTrace(const CUpdateEngine& engine, std::FILE* pOut);

    void AfterIdentify(bool bAnswered);  // a port's identify calls are over
    void AfterBlock();                   // one SendNextBlock call is over
    void AfterFinish();                  // the run's result is known

private:
    void PrintFrame(bool bAccepted);
    void PrintLine(char chDirection, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> AcceptedReply() const;

    const CUpdateEngine& m_engine;
    std::FILE* m_pOut;
    std::chrono::steady_clock::time_point m_tStart = std::chrono::steady_clock::now();
    std::vector<uint8_t> m_lastFrame;  // the frame printed last
    uint32_t m_nBlocksSent = 0;        // the engine's count when the last block was printed
};
