#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pty_pair.h"

// Bytes from a hex string: "99 00 00 00 99".
std::vector<uint8_t> Hex(const std::string& strHex);

// Points COM1 (and further ports) at the given paths through VANTO_COM_PORTS
// for the life of the object; puts back the empty map (no ports) afterwards.
class ScopedComPorts {
public:
    explicit ScopedComPorts(const std::string& strList);
    ~ScopedComPorts();
    ScopedComPorts(const ScopedComPorts&) = delete;
    ScopedComPorts& operator=(const ScopedComPorts&) = delete;
};

// The device side of a command exchange, played on the master end of a pty by
// a peer thread. It collects the host's frames (0x0A, code, length, payload,
// checksum) and answers the k-th frame with step k of its script; frames
// past the script get no answer.
class FakeDevice {
public:
    struct Step {
        std::vector<uint8_t> reply;  // bytes to answer with (empty: silence)
        bool bHangUp = false;        // instead of answering, close the master
        int nDelayMs = 0;            // wait this long before acting
    };

    FakeDevice(PtyPair& pty, std::vector<Step> steps);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // Collects what is still on the way, then ends the peer thread.
    void Stop();
    // The frames received, in order. Call after Stop().
    const std::vector<std::vector<uint8_t>>& Frames() const { return m_frames; }

private:
    void Run();
    // Takes complete frames off m_pending; false once the device hung up.
    bool TakeFrames();

    PtyPair& m_pty;
    std::vector<Step> m_steps;
    std::vector<uint8_t> m_pending;
    std::vector<std::vector<uint8_t>> m_frames;
    std::atomic<bool> m_bStop{false};
    bool m_bHungUp = false;
    std::thread m_thread;
};
