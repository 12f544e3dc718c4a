#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

#include "wizard/procedures/procedure_events.h"
#include "wizard/procedures/worker_thread.h"

class CUpdaterApp;

// The programming page's procedure: loads the update image and sends it to
// the device block by block on a worker thread, telling its front end what
// happens through IRunEvents. Plain C++; the Qt and Win32 pages and
// vanto-flash all drive it.
class CProgTarget {
public:
    CProgTarget(CUpdaterApp& app, IRunEvents& events);
    // Waits for a run that is still going.
    ~CProgTarget();
    CProgTarget(const CProgTarget&) = delete;
    CProgTarget& operator=(const CProgTarget&) = delete;

    // The page's first wizard-button request: Back. UI thread.
    void OnInitDialog();
    // Posts the wizard-button request of this page: Back and Finish, Finish
    // disabled until an update is done. UI thread.
    void OnSetActive();
    // The Start button. UI thread. Changes nothing while a run is in progress
    // or still shows its result, nor after RequestStop. While the scan holds
    // the link only StartWaitsForScan is reported. Otherwise: RunStarting,
    // the image is loaded (RunEnded with NoImage when that fails), and the
    // worker starts (RunProgramming); the state is busy from here until the
    // worker ends.
    void OnStartProgramming();

    // True from a Start press that started the worker until it has ended.
    bool IsRunning() const { return m_worker.IsRunning(); }
    // Waits until the worker has ended (vanto-flash, tests).
    void WaitForRun() { m_worker.Join(); }
    // Waits until the worker has ended or the deadline has passed; true when
    // no run goes on any more. Any thread but the worker.
    bool WaitUntilEnded(std::chrono::steady_clock::time_point deadline) const {
        return m_worker.WaitUntilEnded(deadline);
    }
    // The program is leaving (CProcedureExit): a run in progress sends no
    // further frame, no finish of its own and shows no result (its events
    // carry ERunEnd::Left), and no run starts any more. Wakes the worker's
    // pause before the first block; a call blocked on the port returns only
    // once the port is closed. Any thread.
    void RequestStop();

    std::atomic<int> m_nBlocksDone{0};  // SendNextBlock calls in this run

private:
    void StartWorker();
    void RunOnWorker();
    // The transfer on the worker: every block, then the commit (or the abort
    // after a failure), the page flow's buttons, and CancelToClose after
    // success; returns the run's result. Reports TransferBegun, BlockSent
    // after each block, TransferEnded.
    SRunResult RunProgramming();
    SRunResult SendAllBlocks();
    SRunResult ResultNow(int nCode, int nDeviceStatus) const;
    bool PauseBeforeFirstBlock();
    bool StopRequested() const { return m_bStopRequested.load(); }

    CUpdaterApp& m_app;
    IRunEvents& m_events;
    CWorkerThread m_worker;
    int m_nBlockTotal = 0;                           // block count of the loaded image
    std::time_t m_tRunStart = 0;                     // wall clock at the transfer's start
    std::chrono::steady_clock::time_point m_tBegun;  // the worker's start
    std::atomic<bool> m_bStopRequested{false};
    std::mutex m_stopLock;  // with m_stopWake: wakes the pause before the first block
    std::condition_variable m_stopWake;
};
