#pragma once
// Files, record lines and block streams shared by the update-image tests.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "image/block_source.h"
#include "image/image_check.h"
#include "tests/support/devsim_process.h"
#include "tests/support/update_files.h"

namespace image_test {

using Bytes = std::vector<uint8_t>;

// Writes a file in this test process's own folder (removed at exit); its path.
inline std::string Write(const std::string& strName, const std::string& strContent) {
    static const CTempDir dir;
    std::ofstream(dir.File(strName), std::ios::binary) << strContent;
    return dir.File(strName);
}

// Writes the lines, each ended by CR LF, as Write does.
inline std::string WriteLines(const std::string& strName, const std::vector<std::string>& lines) {
    std::string strText;
    for (const std::string& line : lines) {
        strText += line + "\r\n";
    }
    return Write(strName, strText);
}

// The blocks as a run reads them, until one of 0 bytes or a failed one (size -1).
struct BlockStream {
    std::vector<int> sizes;
    Bytes bytes;
};
inline BlockStream ReadAllBlocks(CBlockSource& source) {
    BlockStream stream;
    uint8_t abBlock[256];
    for (int nBytes = -1;;) {
        const bool bRead = source.ReadBlock(abBlock, &nBytes, 256);
        if (!bRead || nBytes == 0) {
            EXPECT_EQ(nBytes, 0) << "a failed block delivers no bytes";
            stream.sizes.insert(stream.sizes.end(), bRead ? 0 : 1, -1);
            return stream;
        }
        stream.sizes.push_back(nBytes);
        stream.bytes.insert(stream.bytes.end(), abBlock, abBlock + nBytes);
        EXPECT_LE(source.m_nCarryLen, 40);
    }
}

}  // namespace image_test
