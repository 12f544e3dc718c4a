#include "tests/link/fake_device.h"

#include <chrono>
#include <cstdlib>
#include <sstream>

std::vector<uint8_t> Hex(const std::string& strHex) {
    std::vector<uint8_t> bytes;
    std::istringstream in(strHex);
    std::string strByte;
    while (in >> strByte) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(strByte.c_str(), nullptr, 16)));
    }
    return bytes;
}

ScopedComPorts::ScopedComPorts(const std::string& strList) {
    setenv("VANTO_COM_PORTS", strList.c_str(), 1);
}

ScopedComPorts::~ScopedComPorts() {
    setenv("VANTO_COM_PORTS", "", 1);
}

FakeDevice::FakeDevice(PtyPair& pty, std::vector<Step> steps)
    : m_pty(pty), m_steps(std::move(steps)), m_thread([this] { Run(); }) {}

FakeDevice::~FakeDevice() {
    Stop();
}

void FakeDevice::Stop() {
    m_bStop.store(true);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void FakeDevice::Run() {
    while (!m_bHungUp) {
        const bool bLast = m_bStop.load();
        // After Stop(), one more look collects a frame that is still on its way.
        const std::vector<uint8_t> bytes = m_pty.ReadMaster(4096, bLast ? 50 : 10);
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        if (!TakeFrames() || bLast) {
            return;
        }
    }
}

bool FakeDevice::TakeFrames() {
    for (;;) {
        while (!m_pending.empty() && m_pending[0] != 0x0A) {
            m_pending.erase(m_pending.begin());  // not a frame start
        }
        if (m_pending.size() < 4) {
            return true;
        }
        const size_t nLength = 6 + (static_cast<size_t>(m_pending[2]) << 8 | m_pending[3]);
        if (m_pending.size() < nLength) {
            return true;
        }
        m_frames.emplace_back(m_pending.begin(), m_pending.begin() + static_cast<long>(nLength));
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(nLength));
        const size_t nStep = m_frames.size() - 1;
        if (nStep >= m_steps.size()) {
            continue;  // past the script: silence
        }
        const Step& step = m_steps[nStep];
        if (step.nDelayMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.nDelayMs));
        }
        if (step.bHangUp) {
            m_pty.CloseMaster();
            m_bHungUp = true;
            return false;
        }
        m_pty.WriteMaster(step.reply);
    }
}
