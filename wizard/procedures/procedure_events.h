#pragma once

#include <cstdint>
#include <string>

#include "link/port_open_failure.h"

// What the scan (CSetup) and the programming run (CProgTarget) tell their
// front end, as typed events. Each front end turns them into its own texts:
// the wizards' pages through CSetupPageView and CProgPageView (the page
// controls of the dialog templates), vanto-flash into its lines. No front end
// learns what happened from a display string.
//
// Threads: an event comes from the thread named at it (the user-interface
// thread, or the procedure's worker); the events of one procedure come one
// at a time and in the order they happened. An event returns quickly, except
// RunEnded, which may wait for the user (a result box).

// --- The scan ---

// How one port of a scan went.
enum class EPortOutcome {
    NotAvailable,  // COMn did not open; SPortAttempt::failure says why
    Probing,       // COMn opened: the identify calls follow
    DeviceFound,   // the device answered an identify call with success
    NoDevice,      // no success in up to six identify calls, or the scan was stopped
};

struct SPortAttempt {
    int nPort = 0;          // COMn
    std::string strDevice;  // the device file COMn maps to; "" when none
    EPortOutcome eOutcome = EPortOutcome::NotAvailable;
    SPortOpenFailure failure;  // NotAvailable: why the port did not open
    int nIdentifyResult = 0;   // DeviceFound, NoDevice: the last identify call's result code
    int nIdentifyCalls = 0;    // DeviceFound, NoDevice: identify calls made on the port
};

// How a scan ended. With bFound the port stays open for the run.
struct SScanOutcome {
    bool bFound = false;
    int nPort = 0;          // COMn of the device; 0 when none answered
    std::string strDevice;  // its device file
};

class IScanEvents {
public:
    virtual ~IScanEvents() = default;

    // UI thread: the scan button was pressed (to start a scan, or to ask the
    // running one to stop); what the last press logged no longer stands.
    virtual void ScanPressed() = 0;
    // UI thread: the press starts a scan; its worker starts next.
    virtual void ScanStarting() = 0;
    // Worker: the scan begins with its first port.
    virtual void ScanBegun() = 0;
    // Worker: a port of the scan. A port that opens comes twice: Probing,
    // then DeviceFound or NoDevice.
    virtual void PortTried(const SPortAttempt& attempt) = 0;
    // Worker: the scan is over; after a device was found, its wizard-button
    // request has been made.
    virtual void ScanEnded(const SScanOutcome& outcome) = 0;
};

// --- The programming run ---

// Where a run stands after one SendNextBlock call.
struct SRunProgress {
    int nCalls = 0;            // SendNextBlock calls in this run (the progress bar's position)
    uint32_t nBlocksSent = 0;  // blocks the device acknowledged
    int nBlockTotal = 0;       // blocks of the image
    long nSeconds = 0;         // whole wall-clock seconds since the run began

    uint64_t Bytes() const { return uint64_t{nBlocksSent} * 256; }
};

// How a run ended.
enum class ERunEnd {
    Finished,    // the run went to its end; nCode says how
    NoImage,     // the Start press found no usable update file: nothing was sent
    NotStarted,  // no worker thread could be started: nothing was sent
    Left,        // the user left during the run (CProcedureExit): nothing is shown
};

struct SRunResult {
    ERunEnd eEnd = ERunEnd::Finished;
    // UPD_OK, the failure's result code, or a device status passed on as the
    // result (UPD_FILE_ERROR for NoImage).
    int nCode = 0;
    // The device's status in the reply that decided the run (also when an
    // abort followed a refused commit); -1 when no reply decided it (no
    // answer, a garbled one, a file error).
    int nDeviceStatus = -1;
    uint32_t dwFinishTotal = 0;  // sum of the block bytes built, as the commit carries it
    uint32_t nBlocksSent = 0;    // blocks the device acknowledged
    int nBlockTotal = 0;         // blocks of the image
    double dSeconds = 0.0;       // from the worker's start to the end of the transfer
    // NoImage without kst.hex and kst.a90: the folder they were looked for in; "" otherwise.
    std::string strImageFolder;

    uint64_t Bytes() const { return uint64_t{nBlocksSent} * 256; }
};

class IRunEvents {
public:
    virtual ~IRunEvents() = default;

    // UI thread: a Start press while the scan holds the link; nothing starts.
    virtual void StartWaitsForScan() = 0;
    // UI thread: a Start press begins a run; the image is loaded next.
    virtual void RunStarting() = 0;
    // UI thread: the image is loaded and counted; the worker starts next.
    virtual void ImageLoaded(int nBlockTotal) = 0;
    // Worker: the transfer begins; its wizard-button request follows.
    virtual void TransferBegun() = 0;
    // Worker: one SendNextBlock call is over, whatever its result.
    virtual void BlockSent(const SRunProgress& progress) = 0;
    // Worker: no frame of this run goes out any more; the wizard-button
    // request of the run's end follows. Not for NoImage and NotStarted.
    virtual void TransferEnded(const SRunResult& result) = 0;
    // The run's outcome, after the wizard's buttons show it: from the worker,
    // or from the UI thread for NoImage and NotStarted. May wait for the user.
    virtual void RunEnded(const SRunResult& result) = 0;
};
