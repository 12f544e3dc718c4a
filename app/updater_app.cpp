#include "app/updater_app.h"

#include "link/com_port_map.h"

CUpdaterApp::~CUpdaterApp() = default;

void CUpdaterApp::CreateEngine() {
    m_pEngine = std::make_unique<CUpdateEngine>();
}

void CUpdaterApp::CreateFonts() {
    // Height is the cell height in pixels; weights 400 normal, 500 medium, 700 bold.
    m_fonts = {{
        {15, 400, "Arial"},     // font 0: not applied by any page
        {19, 700, "CG Omega"},  // font 1: welcome title
        {16, 400, "Arial"},     // font 2: welcome text, elapsed time
        {18, 400, "Arial"},     // font 3: programming status
        {16, 700, "CG Omega"},  // font 4: welcome hint, setup title, scan button
        {18, 700, "Arial"},     // font 5: Start Programming button
        {15, 400, "Arial"},     // font 6: not applied
        {16, 400, "Arial"},     // font 7: not applied
        {15, 500, "CG Omega"},  // font 8: setup steps and status
    }};
}

int CUpdaterApp::OpenPort(int n) {
    // The port takes the number as its unsigned 8-bit port number.
    return m_pEngine->m_pPort->Open(static_cast<uint8_t>(n));
}

int CUpdaterApp::ClosePort() {
    return m_pEngine->m_pPort->Close();
}

std::string CUpdaterApp::PortDeviceFile(int n) const {
    if (n < 1 || n > kMaxComPort) {
        return "";
    }
    return m_pEngine->m_pPort->DevicePath(static_cast<uint8_t>(n));
}
