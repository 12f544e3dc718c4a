#include "tools/vanto-flash/run_report.h"

#include <cstdio>

#include "link/result_codes.h"
#include "tools/vanto-flash/json_object.h"
#include "tools/vanto-flash/terminal_page.h"
#include "tools/vanto-flash/text_format.h"

namespace {

// " in 5.8 s, 3.5 KiB/s; finish total 0x00281138"
std::string TimeRateAndTotal(const SRunReport& report) {
    const double dKiBps =
        report.dSeconds > 0.0 ? static_cast<double>(report.Bytes()) / 1024.0 / report.dSeconds : 0;
    char szRate[64];
    std::snprintf(szRate, sizeof szRate, " in %.1f s, %.1f KiB/s; finish total ", report.dSeconds,
                  dKiBps);
    return szRate + Hex32(report.dwFinishTotal);
}

}  // namespace

std::string SummaryLine(const SRunReport& report) {
    return WithThousands(report.Bytes()) + " bytes to COM" + std::to_string(report.nPort) +
           TimeRateAndTotal(report);
}

std::string TransferFigures(const SRunReport& report) {
    return WithThousands(report.Bytes()) + " bytes" + TimeRateAndTotal(report);
}

std::string ResultName(int nResult) {
    const char* pszName = ResultCodeName(nResult);
    if (nResult == UPD_MORE || pszName == nullptr || *pszName == '\0') {
        return "device status " + std::to_string(nResult);
    }
    return pszName;
}

std::string JsonObject(const SRunReport& report) {
    const bool bPort = report.nPort != 0;
    CJsonObject json;
    json.AddString("file", report.strFile);
    json.AddStringOrNull("format", report.strFormat);
    json.AddStringOrNull("sha256", report.strSha256);
    json.AddStringOrNull("port", bPort ? "COM" + std::to_string(report.nPort) : "");
    json.AddStringOrNull("device_file", bPort ? report.strDevice : "");
    json.AddNumber("blocks", report.nBlocks);
    json.AddNumber("block_total", report.nBlockTotal);
    json.AddNumber("bytes", static_cast<int64_t>(report.Bytes()));
    json.AddSeconds("seconds", report.dSeconds);
    json.AddNumberIf("result_code", report.bHasResult, report.nResult);
    json.AddStringOrNull("result_name", report.bHasResult ? ResultName(report.nResult) : "");
    json.AddString("text", report.bHasResult ? CTerminalPage::ResultText(report.nResult) : "");
    json.AddNumberIf("device_status", report.nDeviceStatus >= 0, report.nDeviceStatus);
    json.AddNumber("finish_total", report.dwFinishTotal);
    json.AddNumber("exit_status", report.nExitStatus);
    return json.Text();
}
