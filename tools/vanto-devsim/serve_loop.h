#pragma once

#include <string>
#include <vector>

#include "tools/vanto-devsim/device_session.h"
#include "tools/vanto-devsim/devsim_options.h"
#include "tools/vanto-devsim/frame_parser.h"
#include "tools/vanto-devsim/pty_link.h"
#include "tools/vanto-devsim/wire_pacer.h"

// The simulator's main loop: waits for bytes from the updater or a stop
// signal, feeds the frame parser, lets the device session answer, and writes
// the replies after the device's reply delay, paced like the wire.
class CServeLoop {
public:
    // hSignalFd: a signalfd for the stop signals (blocked in the caller).
    CServeLoop(const CDevsimOptions& options, CPtyLink* pLink, int hSignalFd);

    // Serves until a stop signal (returns 0), the hang-up fault (0), or a
    // failure of the terminal (1).
    int Run();

private:
    bool ReadAvailable();
    void WaitForHost();
    void HandleFrames();
    void SendReply(const std::vector<uint8_t>& reply);
    bool WriteAll(const uint8_t* pBytes, size_t nCount);
    void Log(const std::string& strLine, bool bCommandLine) const;

    const CDevsimOptions& m_options;
    CPtyLink* m_pLink;
    int m_hSignalFd;
    CFrameParser m_parser;
    CDeviceSession m_session;
    CWirePacer m_pacer;
    std::vector<SCommandFrame> m_frames;
    bool m_bHangupArmed = false;
};
