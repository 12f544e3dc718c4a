#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image_check.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/run_report.h"

// The update file of a command: the one named with --file (its format from
// --format or its content), else kst.hex, else kst.a90 as a run chooses it,
// read and checked completely before any port is touched.
struct SUpdateFile {
    std::string strPath;
    uint8_t nFormat = 0;
    CImageCheck check;
};

// Chooses and checks the file. False when a run would refuse it, after one
// line on pErr that names the file, the line and what is wrong
// ("kst.hex:3: checksum mismatch"). A kst.hex that is there but does not open
// (so that kst.a90 is used) is named on pErr with the reason.
bool PrepareUpdateFile(const SFlashOptions& options, SUpdateFile* pFile, std::FILE* pErr);

// "Intel HEX" or "S-records".
const char* FormatName(uint8_t nFormat);

// The checked file's part of a run's report: its path, format, SHA-256 and
// block count; the rest of the report is left as it is.
void NoteFileInReport(const SUpdateFile& file, SRunReport* pReport);

// The line before a run: "kst.hex: Intel HEX, first address 0x00004000,
// 21 blocks (5,376 bytes), about 1.5 s at 38400 baud".
std::string SendingLine(const SUpdateFile& file);

// What the reader passes over without failing: the neutral "passed over"
// line on pOut, and a warning line on pErr for each thing worth a look
// (lines after the end of data, gaps filled with 0xFF, an image mostly fill).
void PrintPassedOver(const SUpdateFile& file, std::FILE* pOut, std::FILE* pErr);
// The warning lines alone, on pErr.
void PrintWarnings(const SUpdateFile& file, std::FILE* pErr);
