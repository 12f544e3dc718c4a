#pragma once

#include <atomic>
#include <chrono>
#include <mutex>

#include "wizard/procedures/procedure_events.h"
#include "wizard/procedures/worker_thread.h"

class CUpdaterApp;

// The setup page's procedure: finds the device on COM1..COM10 on a worker
// thread and tells its front end what happens through IScanEvents. Plain
// C++; the Qt and Win32 pages and vanto-flash all drive it.
class CSetup {
public:
    CSetup(CUpdaterApp& app, IScanEvents& events);
    // Stops a scan that is still running and waits for it to end.
    ~CSetup();
    CSetup(const CSetup&) = delete;
    CSetup& operator=(const CSetup&) = delete;

    // Posts the wizard-button request of this page: Back, and Next once a
    // device was found. UI thread.
    void OnSetActive();
    // The scan button. UI thread. Reports ScanPressed first, always. While a
    // scan is wanted the press asks it to stop after its current identify
    // call. Otherwise it starts a scan (ScanStarting, then the worker) when
    // the link is free: not while a stopped scan or a run still holds it,
    // nor after RequestStop.
    void OnScanDevice();

    // True from a press that started a scan until its worker has ended.
    bool IsScanRunning() const { return m_worker.IsRunning(); }
    // Waits until the scan's worker has ended (vanto-flash, tests).
    void WaitForScan() { m_worker.Join(); }
    // Waits until the scan's worker has ended or the deadline has passed;
    // true when no scan runs any more. Any thread but the worker.
    bool WaitUntilEnded(std::chrono::steady_clock::time_point deadline) const {
        return m_worker.WaitUntilEnded(deadline);
    }
    // Scans only COMn instead of COM1..COM10 (vanto-flash --port); 0 for all.
    void SetSinglePort(int n) { m_nSinglePort = n; }
    // The program is leaving (CProcedureExit): the scan stops after its
    // current identify call and opens no further port, and no scan starts
    // any more. Once this returns the worker opens no port, so a ClosePort()
    // that follows leaves the port closed for good. Any thread.
    void RequestStop();

    std::atomic<int> m_bScanning{0};  // 1 while a scan is wanted

private:
    // The scan itself, on the worker: each port in turn until a device
    // answers (PortTried), then ScanEnded. A found device's port stays open,
    // m_bDeviceFound is set and Back and Next are requested for this page
    // alone (IWizardSheet::PostPageButtons); otherwise no port is left open.
    void ScanPorts();
    bool MoveToPort(int n);
    int IdentifyUpToSixTimes(int* pnCalls);
    void FinishScan(int nLastResult, int nPort);

    CUpdaterApp& m_app;
    IScanEvents& m_events;
    CWorkerThread m_worker;
    int m_nSinglePort = 0;
    // Set by RequestStop; checked together with the port move under
    // m_portMoveLock so that no port is opened after RequestStop returned.
    std::atomic<bool> m_bStopForGood{false};
    std::mutex m_portMoveLock;
};
