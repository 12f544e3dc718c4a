#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/vanto-flash/station/attempt_log.h"

CAttemptLog::~CAttemptLog() {
    if (m_hFile >= 0) {
        close(static_cast<int>(m_hFile));
    }
}

bool CAttemptLog::Open(const std::string& strPath, std::string* pstrError) {
    std::lock_guard<std::mutex> lock(m_lock);
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        *pstrError = std::strerror(errno);
        return false;
    }
    m_hFile = fd;
    return true;
}

bool CAttemptLog::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_hFile >= 0;
}

bool CAttemptLog::Append(const std::string& strLine, std::string* pstrError) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_hFile < 0) {
        *pstrError = "no log file is open";
        return false;
    }
    const int fd = static_cast<int>(m_hFile);
    const std::string strText = strLine + "\n";
    ssize_t nWritten = 0;
    do {
        nWritten = write(fd, strText.data(), strText.size());
    } while (nWritten < 0 && errno == EINTR);
    if (nWritten == static_cast<ssize_t>(strText.size())) {
        if (fdatasync(fd) == 0) {
            return true;
        }
        *pstrError = std::string("the line may not be on the disk: ") + std::strerror(errno);
        return false;
    }
    *pstrError = nWritten < 0 ? std::strerror(errno) : "the disk took only part of the line";
    if (nWritten > 0) {
        // With O_APPEND the offset is now the end of the part written: cut it off.
        const off_t nEnd = lseek(fd, 0, SEEK_CUR);
        if (nEnd >= nWritten && ftruncate(fd, nEnd - nWritten) != 0) {
            *pstrError += ", and it could not be taken back";
        }
    }
    return false;
}
