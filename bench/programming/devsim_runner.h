#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// vanto-devsim for a benchmark: started with its link in a directory of the
// caller's, its output in a file there, stopped on destruction.
class CDevsimRunner {
public:
    CDevsimRunner(const std::string& strDir, const std::vector<std::string>& args);
    ~CDevsimRunner();
    CDevsimRunner(const CDevsimRunner&) = delete;
    CDevsimRunner& operator=(const CDevsimRunner&) = delete;

    bool IsReady() const { return m_bReady; }
    const std::string& LinkPath() const { return m_strLink; }
    std::string Output() const;
    // The numbers of the last "STATS" line once one has appeared (waits up to
    // nWaitMs); false when none came.
    bool LastStats(unsigned long long* pnRxBytes, unsigned long long* pnTxBytes,
                   unsigned long long* pnReplyDelayMs, int nWaitMs) const;

private:
    std::string m_strLink;
    std::string m_strLog;
    pid_t m_pid = -1;
    bool m_bReady = false;
};
