#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "res/control_ids.h"

class CUpdaterApp;
class IPageControls;

// The setup page's procedure: finds the device on COM1..COM10. Plain C++; the
// Qt page and the terminal front end both drive it through IPageControls.
class CSetup {
public:
    CSetup(CUpdaterApp& app, IPageControls& controls);
    ~CSetup();  // waits for a scan thread that is still running
    CSetup(const CSetup&) = delete;
    CSetup& operator=(const CSetup&) = delete;

    // Texts of the title and the three steps, button "Scan Device" (fonts,
    // colour and picture are the window layer's part). UI thread.
    void OnInitDialog();
    // Posts the wizard-button request of this page. UI thread.
    void OnSetActive();
    // The scan button. UI thread.
    void OnScanDevice();

    // The scan itself; runs on the scan thread. Its end-of-scan button
    // request is for the setup page alone (IWizardSheet::PostPageButtons).
    void ScanPorts();
    void AppendLog(const char* pszText);
    void AppendOpenFailureCause();

    // True from a successful press until the scan thread has ended.
    bool IsScanRunning() const { return m_bThreadRunning.load(); }
    // Waits until the scan thread has ended (terminal front end, tests).
    void WaitForScan();
    // Scans only COMn instead of COM1..COM10 (terminal --port N); 0 for all.
    void SetSinglePort(int n) { m_nSinglePort = n; }
    // The program is leaving (the wizard's confirmed exit, Ctrl-C in the
    // terminal): the scan stops after its current identify call and opens no
    // further port. Once this returns the scan thread opens no port any more,
    // so a ClosePort() that follows leaves the port closed for good. Any thread.
    void RequestStop();

    std::atomic<int> m_bScanning{0};  // 1 while a scan is wanted

private:
    static void ScanThreadProc(CSetup* pPage);

    CUpdaterApp& m_app;
    IPageControls& m_controls;
    std::thread m_thread;
    std::atomic<bool> m_bThreadRunning{false};
    int m_nSinglePort = 0;
    // Set by RequestStop; checked together with the port move under
    // m_portMoveLock so that no port is opened after RequestStop returned.
    std::atomic<bool> m_bStopForGood{false};
    std::mutex m_portMoveLock;

    bool MoveToPort(int n);
    int IdentifyUpToSixTimes();
    void FinishScan(int nLastResult);
};
