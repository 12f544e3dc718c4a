#pragma once

#include <string>

// The device's end of the line: a pseudo-terminal master, with a symlink to
// its slave side where the updater expects a serial device.
//
// The simulator holds no descriptor of the slave side once the pty is set
// up: a real device holds no descriptor of the PC's serial port either, and
// the updater refuses a port that another process has open. While no one has
// the slave open, Linux reports POLLHUP on the master (read() fails with EIO);
// the serve loop then waits in short steps for the next open.
class CPtyLink {
public:
    CPtyLink() = default;
    ~CPtyLink();
    CPtyLink(const CPtyLink&) = delete;
    CPtyLink& operator=(const CPtyLink&) = delete;

    // Creates the pty (raw 8-bit line on both sides) and the symlink at
    // strLinkPath, replacing a symlink left there by an earlier run (but never
    // a file or directory). false with *pstrError set on failure.
    bool Create(const std::string& strLinkPath, std::string* pstrError);

    // Closes the master (the updater sees a hang-up) and removes the symlink.
    void HangUp();

    int MasterFd() const { return m_hMaster; }
    const std::string& SlavePath() const { return m_strSlavePath; }
    const std::string& LinkPath() const { return m_strLinkPath; }

private:
    bool OpenPair(std::string* pstrError);
    bool MakeSymlink(const std::string& strLinkPath, std::string* pstrError);
    void RemoveSymlink();

    int m_hMaster = -1;
    std::string m_strSlavePath;
    std::string m_strLinkPath;  // set once the symlink is ours
};
