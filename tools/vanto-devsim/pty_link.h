#pragma once

#include <string>

// The device's end of the line: a pseudo-terminal master, with a symlink to
// its slave side where the updater expects a serial device.
//
// The simulator holds no descriptor of the slave side once the pty is set
// up: a real device holds no descriptor of the PC's serial port either, and
// the updater refuses a port that another process has open. While no one has
// the slave open, Linux reports POLLHUP on the master (read() fails with EIO),
// and nothing on the master tells when that ends. An inotify watch on the
// slave's device node does: every open() of it queues an IN_OPEN event, so
// the serve loop sleeps until the next open instead of looking again and
// again.
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
    // Readable once the slave side was opened since the last ForgetOpens();
    // -1 where the system gave no inotify watch (the caller then has to look
    // at the master now and then).
    int OpenNoticeFd() const { return m_hOpenNotice; }
    // Drops the opens noticed so far.
    void ForgetOpens() const;
    // True while no one has the slave side open (the master reports a hang-up).
    bool NoOneHasItOpen() const;
    const std::string& SlavePath() const { return m_strSlavePath; }
    const std::string& LinkPath() const { return m_strLinkPath; }

private:
    bool OpenPair(std::string* pstrError);
    bool MakeSymlink(const std::string& strLinkPath, std::string* pstrError);
    void WatchOpens();
    void RemoveSymlink();

    int m_hMaster = -1;
    int m_hOpenNotice = -1;  // inotify, watching the slave for IN_OPEN
    std::string m_strSlavePath;
    std::string m_strLinkPath;  // set once the symlink is ours
};
