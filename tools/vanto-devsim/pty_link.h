#pragma once

#include <string>

// The device's end of the line: a pseudo-terminal master, with a symlink to
// its slave side where the updater expects a serial device.
//
// The simulator keeps a descriptor of its own slave side open for its whole
// life. Without it, Linux reports POLLHUP (and read() fails with EIO) on the
// master whenever the updater has closed the port, which would turn the wait
// for the next open into a busy loop, and bytes written meanwhile would be
// lost. With it, the updater can open and close the port as often as it likes.
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
    int m_hOwnSlave = -1;
    std::string m_strSlavePath;
    std::string m_strLinkPath;  // set once the symlink is ours
};
