#pragma once

#include <cstdint>
#include <string>

// A run loads its update file by the fixed names kst.hex and kst.a90 in the
// working directory. To send a file of another name, the run works in a
// private directory of its own for as long as it lasts, where kst.hex (or
// kst.a90, by the format) is a link to that file; the directory goes when
// the object does, and the old working directory comes back.
class CStagedUpdateFile {
public:
    CStagedUpdateFile() = default;
    ~CStagedUpdateFile();
    CStagedUpdateFile(const CStagedUpdateFile&) = delete;
    CStagedUpdateFile& operator=(const CStagedUpdateFile&) = delete;

    // False (and nothing changed) when the directory or the link cannot be made.
    bool Stage(const std::string& strPath, uint8_t nFormat);

private:
    std::string m_strOldDir;
    std::string m_strDir;
    std::string m_strLink;
};
