#pragma once
// Files, record lines and block streams shared by the update-image tests.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "image/block_source.h"
#include "image/image_check.h"
#include "tests/support/devsim_process.h"
#include "tests/support/update_files.h"

namespace image_test {

using Bytes = std::vector<uint8_t>;

// This test process's own directory under the temporary directory, removed at exit.
inline const std::string& TestDir() {
    static const CTempDir dir;
    return dir.Path();
}

// Writes a file (and its folder) under TestDir(); returns its path.
inline std::string Write(const std::string& strName, const std::string& strContent) {
    const std::filesystem::path path = TestDir() + "/" + strName;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << strContent;
    return path;
}

// nCount bytes that never look like fill (1..200), varying with nSeed.
inline Bytes Pattern(int nSeed, int nCount) {
    Bytes bytes(static_cast<size_t>(nCount));
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(1 + (nSeed * 37 + int(i)) % 200);
    }
    return bytes;
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
