#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "link/update_engine.h"

class IWizardSheet;

// A shared font as the pages apply it: cell height in pixels, weight
// (400 normal, 500 medium, 700 bold) and face. The windowing layer turns it
// into a real font; a face that is not installed falls back through the
// platform's font matching.
struct CFontSpec {
    int nHeight = 0;
    int nWeight = 0;
    std::string strFace;  // empty: the font was not created
};

// The application object: what the pages and the two worker procedures share.
// Plain C++; the windowing front end (vanto-update) and the terminal front end
// (vanto-flash) each create one.
class CUpdaterApp {
public:
    CUpdaterApp() = default;
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // Creates the engine (which opens COM1, result ignored). Called once at start-up.
    void CreateEngine();
    // Fills m_fonts with font 0 to font 8.
    void CreateFonts();

    // Forward to the engine's port: 1 opened / 0 failed; Close always 1.
    int OpenPort(int n);
    int ClosePort();
    // The device file COMn stands for (what OpenPort(n) opens); "" when COMn
    // maps to none. Changes nothing.
    std::string PortDeviceFile(int n) const;

    std::unique_ptr<CUpdateEngine> m_pEngine;
    std::atomic<uint8_t> m_nProgState{0};  // 0 idle, 1 programming
    std::array<CFontSpec, 9> m_fonts;
    IWizardSheet* m_pWizard = nullptr;
    std::atomic<int> m_bDeviceFound{0};  // set by the scan worker, never reset
    std::atomic<int> m_bUpdateDone{0};   // set by the programming worker, never reset

    // Only one worker uses the port and the engine at a time. A procedure
    // claims the link before its thread starts and releases it when the
    // thread ends. Returns false when another worker holds it.
    bool ClaimLink() { return !m_bLinkBusy.exchange(true); }
    void ReleaseLink() { m_bLinkBusy.store(false); }

private:
    std::atomic<bool> m_bLinkBusy{false};
};
