// vanto-flash info [--file PATH] [--format hex|srec]: shows what a programming
// run would send, without a device. The file is read once, as a run's count
// pass reads it: the blocks, their SHA-256 and the commit's byte total come
// from that one pass, with what the reader passed over on the way.

#include <cstdio>
#include <string>

#include "link/result_codes.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/json_object.h"
#include "tools/vanto-flash/text_format.h"
#include "tools/vanto-flash/update_file.h"

namespace {

constexpr int kBlockBytes = 256;
const char kUsage[] =
    "usage: vanto-flash info [--file PATH] [--format hex|srec] [--json] [--] [FILE]\n";

// The same figures as one JSON object, with the names a run's report and a
// station's log give them.
std::string InfoJson(const SUpdateFile& file) {
    const CImageCheck& check = file.check;
    const auto nBlocks = static_cast<int64_t>(check.m_nBlockCount);
    CJsonObject json;
    json.AddString("file", file.strPath);
    json.AddString("format", FormatName(file.nFormat));
    json.AddString("sha256", CSha256::ToHex(check.m_digest.m_hash));
    json.AddNumber("first_address", check.m_dwFirstAddress);
    json.AddNumber("data_records", static_cast<int64_t>(check.m_nDataRecords));
    json.AddNumber("data_bytes", static_cast<int64_t>(check.m_nDataBytes));
    json.AddNumber("blocks", nBlocks);
    json.AddNumber("block_total", nBlocks);
    json.AddNumber("bytes", nBlocks * kBlockBytes);
    json.AddNumber("finish_total", check.m_digest.FinishTotal(kBlockBytes));
    json.AddSeconds("wire_seconds", WireSeconds(static_cast<uint64_t>(nBlocks)));
    return json.Text();
}

}  // namespace

int RunInfoCommand(const CommandArgs& args) {
    SFlashOptions options;
    if (const int nExit = BeginCommand(args, OPT_FILE | OPT_FORMAT | OPT_JSON, kUsage, &options);
        nExit >= 0) {
        return nExit;
    }
    // The image alone: no engine, so no serial port is ever opened.
    SUpdateFile file;
    if (!PrepareUpdateFile(options, &file, stderr)) {
        return UPD_FILE_ERROR;
    }
    if (options.bJson) {
        std::printf("%s\n", InfoJson(file).c_str());
        std::fflush(stdout);
        PrintWarnings(file, stderr);
        return 0;
    }
    const CImageCheck& check = file.check;
    // A run sends every block it counted: the count ends at the first short
    // block, and after it the data have ended.
    const auto nBlocks = static_cast<uint64_t>(check.m_nBlockCount);
    std::printf("file: %s\n", file.strPath.c_str());
    std::printf("format: %s\n", FormatName(file.nFormat));
    std::printf("first address: %s\n", Hex32(check.m_dwFirstAddress).c_str());
    std::printf("data: %s records, %s bytes\n", WithThousands(check.m_nDataRecords).c_str(),
                WithThousands(check.m_nDataBytes).c_str());
    std::printf("blocks: %d\n", check.m_nBlockCount);
    std::printf("blocks sent: %d\n", check.m_nBlockCount);
    std::printf("finish total: %s\n", Hex32(check.m_digest.FinishTotal(kBlockBytes)).c_str());
    std::printf("sha256: %s\n", CSha256::ToHex(check.m_digest.m_hash).c_str());
    std::printf("wire time at 38400 baud: about %s\n", Duration(WireSeconds(nBlocks)).c_str());
    PrintPassedOver(file, stdout, stderr);
    return 0;
}
