#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "tools/vanto-flash/run_report.h"

// One update attempt of a station, as its log line and its journal entry
// record it: the same fields in both, from RecordFields, named as
// vanto-flash --json, info --json and ports --json name them.
struct SAttemptRecord {
    std::chrono::system_clock::time_point tEnded;  // when the attempt was over
    SRunReport report;      // the port, its device file, the file and the run's outcome
    std::string strById;    // the /dev/serial/by-id name; "" when the system has none
    std::string strSerial;  // the adapter's USB serial number; "" when unknown
};

// One field of a record: its name ("finish_total"), its value as text, and
// whether that is a string, a number, or null (nothing known).
struct SRecordField {
    enum class EKind { String, Number, Null };
    const char* pszName;
    std::string strValue;
    EKind eKind;
};

// The fields, in this order: time (UTC, ISO 8601 to the millisecond), port,
// device_file, by_id, usb_serial, file, format, sha256, blocks, block_total,
// bytes, seconds, result_code, result_name, text, device_status,
// finish_total, exit_status. result_code and result_name are null when the
// attempt has no result (a signal ended it); text is then why.
std::vector<SRecordField> RecordFields(const SAttemptRecord& record);

// The record as one JSON object on one line, without the line break.
std::string RecordJson(const SAttemptRecord& record);

// The attempt's outcome in words, on one line: the result text, or what
// happened where there is none ("interrupted, the device was told ...").
std::string AttemptText(const SRunReport& report);

// "2026-12-07T10:15:03.123Z"
std::string UtcTimeText(std::chrono::system_clock::time_point tWhen);
