#pragma once

#include <atomic>
#include <string>
#include <thread>

// A pseudo-terminal whose far end reads everything and never answers: a port
// that opens but has no device behind it. The updater opens SlavePath(); a
// thread drains the master side promptly (so the port's purge before each
// write finds nothing of ours to discard) and counts what arrived.
class CSilentPeer {
public:
    CSilentPeer();
    ~CSilentPeer();
    CSilentPeer(const CSilentPeer&) = delete;
    CSilentPeer& operator=(const CSilentPeer&) = delete;

    const std::string& SlavePath() const { return m_strSlavePath; }
    long BytesReceived() const { return m_nBytes.load(); }
    // Waits until at least nBytes have arrived; false after nTimeoutMs.
    bool WaitForBytes(long nBytes, int nTimeoutMs) const;

private:
    void Drain();

    int m_nMaster = -1;
    int m_nSlaveHold = -1;  // keeps the slave side alive between the updater's opens
    int m_nWake[2] = {-1, -1};
    std::string m_strSlavePath;
    std::atomic<long> m_nBytes{0};
    std::thread m_thread;
};
