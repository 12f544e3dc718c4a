#include "tools/vanto-flash/staged_update_file.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "image/update_record.h"

bool CStagedUpdateFile::Stage(const std::string& strPath, uint8_t nFormat) {
    char szTarget[PATH_MAX];
    char szOldDir[PATH_MAX];
    if (realpath(strPath.c_str(), szTarget) == nullptr ||
        getcwd(szOldDir, sizeof szOldDir) == nullptr) {
        return false;
    }
    std::error_code error;
    std::string strDir =
        (std::filesystem::temp_directory_path(error) / "vanto-flash-XXXXXX").string();
    if (error || mkdtemp(strDir.data()) == nullptr) {
        return false;
    }
    const std::string strLink = strDir + (nFormat == FMT_INTEL_HEX ? "/kst.hex" : "/kst.a90");
    if (symlink(szTarget, strLink.c_str()) != 0 || chdir(strDir.c_str()) != 0) {
        unlink(strLink.c_str());
        rmdir(strDir.c_str());
        return false;
    }
    m_strOldDir = szOldDir;
    m_strDir = strDir;
    m_strLink = strLink;
    return true;
}

CStagedUpdateFile::~CStagedUpdateFile() {
    if (m_strDir.empty()) {
        return;
    }
    [[maybe_unused]] const int nChdir = chdir(m_strOldDir.c_str());
    unlink(m_strLink.c_str());
    rmdir(m_strDir.c_str());
}
