#include "tools/vanto-flash/run_report.h"

#include <cstdio>

#include "link/result_codes.h"
#include "tools/vanto-flash/terminal_page.h"
#include "tools/vanto-flash/text_format.h"

namespace {

std::string JsonString(const std::string& strText) {
    std::string strOut = "\"";
    for (const char c : strText) {
        if (c == '"' || c == '\\') {
            strOut += '\\';
            strOut += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\u%04x", static_cast<unsigned>(c));
            strOut += sz;
        } else {
            strOut += c;
        }
    }
    return strOut + "\"";
}

std::string JsonNumber(double dValue) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.3f", dValue);
    return sz;
}

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
    const std::string strText = report.bHasResult ? CTerminalPage::ResultText(report.nResult) : "";
    const std::string strNull = "null";
    const bool bPort = report.nPort != 0;
    const std::pair<const char*, std::string> fields[] = {
        {"file", JsonString(report.strFile)},
        {"format", report.strFormat.empty() ? strNull : JsonString(report.strFormat)},
        {"sha256", report.strSha256.empty() ? strNull : JsonString(report.strSha256)},
        {"port", bPort ? JsonString("COM" + std::to_string(report.nPort)) : strNull},
        {"device_file", bPort ? JsonString(report.strDevice) : strNull},
        {"blocks", std::to_string(report.nBlocks)},
        {"block_total", std::to_string(report.nBlockTotal)},
        {"bytes", std::to_string(report.Bytes())},
        {"seconds", JsonNumber(report.dSeconds)},
        {"result_code", report.bHasResult ? std::to_string(report.nResult) : strNull},
        {"result_name", report.bHasResult ? JsonString(ResultName(report.nResult)) : strNull},
        {"text", JsonString(strText)},
        {"device_status",
         report.nDeviceStatus >= 0 ? std::to_string(report.nDeviceStatus) : strNull},
        {"finish_total", std::to_string(report.dwFinishTotal)},
        {"exit_status", std::to_string(report.nExitStatus)},
    };
    // Appended piece by piece: one long chain of + makes GCC 12 warn wrongly
    // about overlapping copies (-Wrestrict).
    std::string strObject = "{";
    for (const auto& [pszName, strValue] : fields) {
        strObject += strObject.size() > 1 ? ", \"" : "\"";
        strObject += pszName;
        strObject += "\": ";
        strObject += strValue;
    }
    strObject += '}';
    return strObject;
}
