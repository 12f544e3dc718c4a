// vanto-flash info [--file PATH]: shows what a programming run would send,
// without a device. The image is loaded exactly as a run loads it, and the
// block stream is read as the run reads it, block by block.

#include <cstdio>
#include <string>

#include "image/block_source.h"
#include "image/text_file.h"
#include "link/result_codes.h"
#include "tools/vanto-flash/commands.h"

namespace {

constexpr int kBlockBytes = 256;
constexpr int kExitUsage = 2;

// What a run would send: the count of blocks and the byte total that the
// commit form of the finish command carries.
struct BlockStream {
    uint32_t dwFirstAddress = 0;
    uint32_t nBlocksSent = 0;
    uint32_t dwByteTotal = 0;
};

// Reads the blocks as the run's SendNextBlock does: until a block of 0
// bytes, with a short block filled up with 0xFF and all 256 bytes summed.
// False when a block fails or the image holds no data at all.
bool ReadBlockStream(CBlockSource& source, BlockStream* pStream) {
    uint8_t abBlock[kBlockBytes];
    for (;;) {
        int nBytes = 0;
        if (!source.ReadBlock(abBlock, &nBytes, kBlockBytes)) {
            return false;
        }
        if (nBytes == 0) {
            return pStream->nBlocksSent != 0;
        }
        if (pStream->nBlocksSent == 0) {
            pStream->dwFirstAddress = source.GetFirstAddress();
        }
        for (int i = nBytes; i < kBlockBytes; ++i) {
            abBlock[i] = 0xFF;
        }
        for (uint8_t byte : abBlock) {
            pStream->dwByteTotal += byte;
        }
        ++pStream->nBlocksSent;
    }
}

// The format of a named file from its first character: ':' Intel HEX, 'S'
// S-records. False when the file cannot be read or starts otherwise.
bool FormatFromFirstCharacter(const char* pszPath, uint8_t* pnFormat) {
    // Through the update-file reader, which never waits on a FIFO or device.
    CTextFile file;
    std::string strLine;
    if (!file.Open(pszPath) || file.ReadString(strLine) != CTextFile::ReadResult::Line) {
        return false;
    }
    const int c = strLine.empty() ? -1 : static_cast<unsigned char>(strLine[0]);
    if (c == ':') {
        *pnFormat = FMT_INTEL_HEX;
        return true;
    }
    if (c == 'S') {
        *pnFormat = FMT_SRECORD;
        return true;
    }
    return false;
}

int ReportFileError() {
    std::fputs("Update file not found or may be crashed.\nTask can not continue\n", stdout);
    return UPD_FILE_ERROR;
}

}  // namespace

int RunInfoCommand(const CommandArgs& args) {
    const bool bNamedFile = args.size() == 2 && args[0] == "--file";
    if (!args.empty() && !bNamedFile) {
        std::fputs("usage: vanto-flash info [--file PATH]\n", stderr);
        return kExitUsage;
    }
    // The image alone: no engine, so no serial port is ever opened.
    CBlockSource source;

    bool bLoaded;
    std::string strFile;
    if (bNamedFile) {
        strFile = args[1];
        uint8_t nFormat = FMT_INTEL_HEX;
        bLoaded = FormatFromFirstCharacter(strFile.c_str(), &nFormat) &&
                  source.LoadUpdateImageFile(strFile.c_str(), nFormat);
    } else {
        bLoaded = source.LoadUpdateImage();
        strFile = source.m_reader.m_nFormat == FMT_INTEL_HEX ? "kst.hex" : "kst.a90";
    }
    BlockStream stream;
    const bool bRead = bLoaded && ReadBlockStream(source, &stream);
    source.CloseUpdateImage();
    if (!bRead) {
        return ReportFileError();
    }
    std::printf("file: %s\n", strFile.c_str());
    std::printf("format: %s\n",
                source.m_reader.m_nFormat == FMT_INTEL_HEX ? "Intel HEX" : "S-records");
    std::printf("first address: 0x%08X\n", static_cast<unsigned>(stream.dwFirstAddress));
    std::printf("blocks: %d\n", source.m_nBlockCount);
    std::printf("blocks sent: %u\n", static_cast<unsigned>(stream.nBlocksSent));
    std::printf("finish total: 0x%08X\n", static_cast<unsigned>(stream.dwByteTotal));
    return 0;
}
