#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "tests/procedures/recording_page.h"
#include "tests/procedures/silent_peer.h"
#include "tests/support/devsim_process.h"

// The application as a front end sets it up, with a recording page and sheet.
struct CProcedureRig {
    CProcedureRig() { app.m_pWizard = &sheet; }

    CUpdaterApp app;
    CRecordingSheet sheet;
    CRecordingPage page;
};

// A row of COM ports for a scan: one letter per port, from COM1.
//   'a' absent (the port does not exist),
//   's' a pseudo-terminal with no device behind it,
//   'd' the simulated device.
// Ports after the last letter do not exist either.
class CComPortRow {
public:
    // Starts the simulator (when the row has a 'd') with devsimArgs and sets
    // VANTO_COM_PORTS; false when the simulator did not start.
    bool Setup(const std::string& strPorts, const std::vector<std::string>& devsimArgs = {});

    CDevsimProcess& Device() { return m_device; }
    // The silent peers in the order of their ports.
    CSilentPeer& Silent(size_t nIndex) { return *m_silent.at(nIndex); }
    long SilentBytes() const;  // summed over all silent peers

private:
    CDevsimProcess m_device;
    std::vector<std::unique_ptr<CSilentPeer>> m_silent;
};

// The simulated device's flash image as --flash-out wrote it; empty when no
// commit was accepted.
std::vector<uint8_t> ReadFlashOut(const std::string& strPath);

// Every line of the simulator's output that contains strNeedle.
std::vector<std::string> OutputLinesWith(const std::string& strOutput,
                                         const std::string& strNeedle);

// The bytes of a CMD_IDENTIFY frame: every identify attempt writes one.
inline constexpr long kIdentifyFrameBytes = 11;
