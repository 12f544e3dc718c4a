#include <windows.h>

#include "link/system_error_text.h"
#include "tools/vanto-flash/station/attempt_log.h"

namespace {

HANDLE AsHandle(intptr_t hFile) {
    return reinterpret_cast<HANDLE>(hFile);
}

}  // namespace

CAttemptLog::~CAttemptLog() {
    if (m_hFile != -1) {
        CloseHandle(AsHandle(m_hFile));
    }
}

bool CAttemptLog::Open(const std::string& strPath, std::string* pstrError) {
    std::lock_guard<std::mutex> lock(m_lock);
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end.
    const HANDLE hFile = CreateFileA(strPath.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        *pstrError = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    m_hFile = reinterpret_cast<intptr_t>(hFile);
    return true;
}

bool CAttemptLog::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_hFile != -1;
}

bool CAttemptLog::Append(const std::string& strLine, std::string* pstrError) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_hFile == -1) {
        *pstrError = "no log file is open";
        return false;
    }
    const std::string strText = strLine + "\n";  // JSON lines: the same file everywhere
    DWORD dwWritten = 0;
    const BOOL bWritten = WriteFile(AsHandle(m_hFile), strText.data(),
                                    static_cast<DWORD>(strText.size()), &dwWritten, nullptr);
    if (bWritten != 0 && dwWritten == strText.size() && FlushFileBuffers(AsHandle(m_hFile)) != 0) {
        return true;
    }
    *pstrError = SystemErrorText(static_cast<int>(GetLastError()));
    return false;
}
