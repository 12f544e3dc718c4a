#include "tools/vanto-flash/station/attempt_record.h"

#include <cstdio>

#include "tools/vanto-flash/json_object.h"
#include "tools/vanto-flash/terminal_page.h"

namespace {

using EKind = SRecordField::EKind;

SRecordField Text(const char* pszName, const std::string& strValue) {
    return {pszName, strValue, strValue.empty() ? EKind::Null : EKind::String};
}

SRecordField Number(const char* pszName, int64_t nValue, bool bKnown = true) {
    return {pszName, bKnown ? std::to_string(nValue) : "", bKnown ? EKind::Number : EKind::Null};
}

}  // namespace

std::string UtcTimeText(std::chrono::system_clock::time_point tWhen) {
    using namespace std::chrono;
    const auto tMs = time_point_cast<milliseconds>(tWhen);
    const auto tDay = floor<days>(tMs);
    const year_month_day date{tDay};
    const hh_mm_ss<milliseconds> time{tMs - tDay};
    char sz[48];
    std::snprintf(sz, sizeof sz, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()),
                  int(time.subseconds().count()));
    return sz;
}

std::string AttemptText(const SRunReport& report) {
    std::string strText = report.strProblem.empty() && report.bHasResult
                              ? CTerminalPage::ResultText(report.nResult)
                              : report.strProblem;
    for (char& c : strText) {
        c = c == '\n' ? ' ' : c;
    }
    return strText;
}

std::vector<SRecordField> RecordFields(const SAttemptRecord& record) {
    const SRunReport& report = record.report;
    char szSeconds[32];
    std::snprintf(szSeconds, sizeof szSeconds, "%.3f", report.dSeconds);
    return {
        Text("time", UtcTimeText(record.tEnded)),
        Text("port", "COM" + std::to_string(report.nPort)),
        Text("device_file", report.strDevice),
        Text("by_id", record.strById),
        Text("usb_serial", record.strSerial),
        Text("file", report.strFile),
        Text("format", report.strFormat),
        Text("sha256", report.strSha256),
        Number("blocks", report.nBlocks),
        Number("block_total", report.nBlockTotal),
        Number("bytes", static_cast<int64_t>(report.Bytes())),
        {"seconds", szSeconds, EKind::Number},
        Number("result_code", report.nResult, report.bHasResult),
        Text("result_name", report.bHasResult ? ResultName(report.nResult) : ""),
        Text("text", AttemptText(report)),
        Number("device_status", report.nDeviceStatus, report.nDeviceStatus >= 0),
        Number("finish_total", report.dwFinishTotal),
        Number("exit_status", report.nExitStatus),
    };
}

std::string RecordJson(const SAttemptRecord& record) {
    CJsonObject json;
    for (const SRecordField& field : RecordFields(record)) {
        switch (field.eKind) {
            case EKind::String:
                json.AddString(field.pszName, field.strValue);
                break;
            case EKind::Number:
                json.AddRaw(field.pszName, field.strValue);
                break;
            case EKind::Null:
                json.AddNull(field.pszName);
                break;
        }
    }
    return json.Text();
}
