#pragma once

#include <cstdint>
#include <string>

// What a run did, for its last line and for --json.
struct SRunReport {
    std::string strFile;
    std::string strFormat;  // "Intel HEX", "S-records"; "" before the file was read
    std::string strSha256;  // SHA-256 of the image's block data, hex; "" before the file was read
    int nPort = 0;          // COMn of the device; 0 when none was found
    std::string strDevice;  // its device file
    uint32_t nBlocks = 0;   // blocks the device acknowledged
    int nBlockTotal = 0;    // blocks of the image
    double dSeconds = 0.0;  // from the start of the transfer to its end
    bool bHasResult = false;
    int nResult = 0;         // result code of the run (or the device status passed on)
    int nDeviceStatus = -1;  // the device's status in the reply that decided the run; -1 for none
    uint32_t dwFinishTotal = 0;
    int nExitStatus = 0;
    // The outcome in words where it has no result text: "interrupted ...",
    // "the device answered with status N"; "" otherwise.
    std::string strProblem;

    uint64_t Bytes() const { return static_cast<uint64_t>(nBlocks) * 256; }
};

// "20,480 bytes to COM3 in 5.8 s, 3.5 KiB/s; finish total 0x00281138"
std::string SummaryLine(const SRunReport& report);
// The same without the port: "20,480 bytes in 5.8 s, 3.5 KiB/s; finish total 0x00281138"
std::string TransferFigures(const SRunReport& report);

// The result's name: "UPD_OK", ..., or "device status N" for another value.
std::string ResultName(int nResult);

// One JSON object on one line: file, format, sha256, port, device_file,
// blocks, block_total, bytes, seconds, result_code, result_name, text,
// device_status, finish_total, exit_status.
std::string JsonObject(const SRunReport& report);
