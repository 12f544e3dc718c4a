// vanto-flash info [--file PATH] [--format hex|srec]: shows what a programming
// run would send, without a device. The file is checked as a run checks it,
// then its block stream is read as the run reads it, block by block.

#include <cstdio>
#include <string>

#include "image/block_source.h"
#include "link/result_codes.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/text_format.h"
#include "tools/vanto-flash/update_file.h"

namespace {

constexpr int kBlockBytes = 256;
const char kUsage[] = "usage: vanto-flash info [--file PATH] [--format hex|srec]\n";

// What a run would send: the count of blocks and the byte total that the
// commit form of the finish command carries.
struct BlockStream {
    uint32_t nBlocksSent = 0;
    uint32_t dwByteTotal = 0;
};

// Reads the blocks as the run's SendNextBlock does: until a block of 0
// bytes, with a short block filled up with 0xFF and all 256 bytes summed.
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
        for (int i = nBytes; i < kBlockBytes; ++i) {
            abBlock[i] = 0xFF;
        }
        for (uint8_t byte : abBlock) {
            pStream->dwByteTotal += byte;
        }
        ++pStream->nBlocksSent;
    }
}

}  // namespace

int RunInfoCommand(const CommandArgs& args) {
    SFlashOptions options;
    std::string strError;
    if (!ParseFlashOptions(args, OPT_FILE | OPT_FORMAT, &options, &strError)) {
        return ReportUsageError(strError, kUsage);
    }
    // The image alone: no engine, so no serial port is ever opened.
    SUpdateFile file;
    if (!PrepareUpdateFile(options, &file, stderr)) {
        return UPD_FILE_ERROR;
    }
    CBlockSource source;
    BlockStream stream;
    const bool bRead = source.LoadUpdateImageFile(file.strPath.c_str(), file.nFormat) &&
                       ReadBlockStream(source, &stream);
    source.CloseUpdateImage();
    if (!bRead) {
        std::fprintf(stderr, "%s: the blocks could not be read\n", file.strPath.c_str());
        return UPD_FILE_ERROR;
    }
    const CImageCheck& check = file.check;
    std::printf("file: %s\n", file.strPath.c_str());
    std::printf("format: %s\n", FormatName(file.nFormat));
    std::printf("first address: %s\n", Hex32(check.m_dwFirstAddress).c_str());
    std::printf("data: %s records, %s bytes\n", WithThousands(check.m_nDataRecords).c_str(),
                WithThousands(check.m_nDataBytes).c_str());
    std::printf("blocks: %d\n", check.m_nBlockCount);
    std::printf("blocks sent: %u\n", static_cast<unsigned>(stream.nBlocksSent));
    std::printf("finish total: %s\n", Hex32(stream.dwByteTotal).c_str());
    std::printf("wire time at 38400 baud: about %s\n",
                Duration(WireSeconds(static_cast<uint64_t>(check.m_nBlockCount))).c_str());
    PrintPassedOver(file, stdout, stderr);
    return 0;
}
