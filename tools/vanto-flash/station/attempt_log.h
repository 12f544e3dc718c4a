#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// The station's record (--log FILE): one line per update attempt, appended.
// A line is written whole with one write on a descriptor opened for
// appending, and flushed to the disk (fdatasync; FlushFileBuffers on
// Windows) before Append returns, so that a crash or a power cut loses no
// line already written and never leaves half a line. Several stations may
// append to the same file: each line lands whole at its end. A write that
// could go out only in part (the disk full) is taken back. Every call takes
// the log's lock.
class CAttemptLog {
public:
    CAttemptLog() = default;
    // Closes the file.
    ~CAttemptLog();
    CAttemptLog(const CAttemptLog&) = delete;
    CAttemptLog& operator=(const CAttemptLog&) = delete;

    // Opens (creating with mode 0644) strPath for appending. True when it is
    // open; false with *pstrError saying why ("no such directory").
    bool Open(const std::string& strPath, std::string* pstrError);
    bool IsOpen() const;
    // Appends strLine and a line break, and flushes them to the disk. True
    // when the whole line is in the file; false with *pstrError (and no part
    // of the line left in the file) otherwise, or when no file is open.
    bool Append(const std::string& strLine, std::string* pstrError);

private:
    mutable std::mutex m_lock;
    // The platform's handle: a descriptor on POSIX, a HANDLE on Windows.
    intptr_t m_hFile = -1;
};
