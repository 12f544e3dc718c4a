#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A pseudo-terminal pair for tests: a real tty for the code under test and a
// peer end for the test to play the device with. No mock of the port.
//
//   PtyPair pty;                       // openpty(): both ends raw, close-on-exec
//   ASSERT_TRUE(pty.IsValid());
//   setenv("VANTO_COM_PORTS", pty.SlavePath().c_str(), 1);   // COM1 is this pty
//   ... CComPort / CUpdateEngine opens SlavePath() ...
//   pty.WriteMaster({0x99, 0x00, 0x00, 0x00, 0x99});  // the "device" answers
//   pty.ReadMaster(11, 1000);                         // what the host wrote
//
// The master end is the device side: bytes written to it arrive at the slave,
// bytes the slave writes can be read from it. The pair keeps its own slave
// descriptor open for its whole life (so the master never sees a hang-up
// when the code under test closes and reopens the slave); CloseMaster() plays
// a device that disappears: every slave descriptor is then hung up (reads see
// POLLHUP, writes fail with EIO).
//
// Both descriptors are blocking; ReadMaster waits with poll(). Not thread-safe
// by itself: one peer thread at a time uses the master.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // False when openpty() failed (the test should ASSERT on it).
    bool IsValid() const { return m_nMaster >= 0 && m_nSlave >= 0; }

    int MasterFd() const { return m_nMaster; }
    int SlaveFd() const { return m_nSlave; }
    // Path of the slave side, e.g. "/dev/pts/7".
    const std::string& SlavePath() const { return m_strSlavePath; }

    // Writes every byte to the master; false on an error.
    bool WriteMaster(const std::vector<uint8_t>& bytes);
    bool WriteMaster(const void* pBytes, size_t nCount);

    // Reads from the master until nCount bytes came or nTimeoutMs passed in
    // total (an ended or hung-up line ends it early); returns what came.
    std::vector<uint8_t> ReadMaster(size_t nCount, int nTimeoutMs);

    // Closes the master end: the device has gone away. Idempotent.
    void CloseMaster();

private:
    int m_nMaster = -1;
    int m_nSlave = -1;
    std::string m_strSlavePath;
};
