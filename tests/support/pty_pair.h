#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A real pseudo-terminal: the code under test opens SlavePath(), the test plays the
// device on the master end; CloseMaster() is the device going away (a hang-up).
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int SlaveFd() const { return m_nSlave; }
    const std::string& SlavePath() const { return m_strSlavePath; }

    bool WriteMaster(const std::vector<uint8_t>& bytes);  // all of them; false on an error
    // Reads until nCount bytes came, nTimeoutMs passed or the line ended.
    std::vector<uint8_t> ReadMaster(size_t nCount, int nTimeoutMs);
    void CloseMaster();  // idempotent
    // Lets go of the test's own slave descriptor, which otherwise counts as
    // another opener of the port for a second process.
    void CloseSlave();

private:
    int m_nMaster = -1;
    int m_nSlave = -1;
    std::string m_strSlavePath;
};
