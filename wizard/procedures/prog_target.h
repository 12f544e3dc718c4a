#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>

#include "res/control_ids.h"

class CUpdaterApp;
class IPageControls;

// The programming page's procedure: loads the update image and sends it to
// the device block by block on a worker thread. Plain C++; the Qt page and
// the terminal front end both drive it through IPageControls.
class CProgTarget {
public:
    CProgTarget(CUpdaterApp& app, IPageControls& controls);
    ~CProgTarget();  // waits for a programming thread that is still running
    CProgTarget(const CProgTarget&) = delete;
    CProgTarget& operator=(const CProgTarget&) = delete;

    // First status text and the first wizard-button request. UI thread.
    void OnInitDialog();
    // Posts the wizard-button request of this page. UI thread.
    void OnSetActive();
    // The Start button. UI thread. Changes nothing while a run is in progress
    // or still shows its result. While the scan holds the port, only the
    // status label changes: it says that the scan is still running.
    void OnStartProgramming();

    // The transfer loop on the worker thread; returns the final result code.
    int RunProgramming();
    // Text for a result code; false (and empty text) when the code has none.
    static bool GetResultText(int nCode, std::string& strText);
    // Elapsed-time label text for s whole seconds since the run began:
    // "Elapse Time: m:s" with the minutes within the hour; false (text left
    // alone) when s is a whole number of hours, the first second included.
    static bool FormatElapsedTime(long s, std::string& strText);
    void ShowResultBox(int nCode);
    void ShowResultStatus(int nCode);

    bool IsRunning() const { return m_bThreadRunning.load(); }

    // What leaving during a run did for the device.
    enum class EAbandonOutcome {
        NoTransfer,     // no block had gone out: the device holds nothing of this run
        DeviceTold,     // the device acknowledged the abort form of the finish
        DeviceNotTold,  // blocks went out, but the abort could not be delivered
    };
    // The user leaves while a run is in progress (the exit question, Ctrl-C, a
    // signal). Stops the worker at once by closing the port under it, and when
    // blocks have gone out without a finish, reopens the same port and sends
    // the abort form of the finish once. The worker shows no result. Returns
    // within about a second; the port is closed afterwards. UI thread.
    EAbandonOutcome AbandonRun();
    // Waits until the programming thread has ended (terminal front end, tests).
    void WaitForRun();
    // Result code of the last finished run (UPD_FILE_ERROR also for a load
    // that failed on the Start press). The device's own status values can be
    // any byte, 0 included, so "no run yet" is a value outside that range.
    static constexpr int kNoResult = -1;
    int LastResult() const { return m_nLastResult.load(); }
    bool HasResult() const { return m_nLastResult.load() != kNoResult; }

    std::atomic<int> m_nBlocksDone{0};  // SendNextBlock calls in this run
    int m_nBlockTotal = 0;              // block count of the loaded image

private:
    static void ProgThreadProc(CProgTarget* pPage);
    void StartWorker();
    int SendAllBlocks(std::time_t tStart);
    void ShowElapsedTime(std::time_t tStart);
    bool WaitForWorkerEnd(std::chrono::milliseconds maxWait) const;

    CUpdaterApp& m_app;
    IPageControls& m_controls;
    std::thread m_thread;
    std::atomic<bool> m_bThreadRunning{false};
    std::atomic<int> m_nLastResult{kNoResult};
    std::atomic<bool> m_bAbandoned{false};  // the user left: no result is shown
};
