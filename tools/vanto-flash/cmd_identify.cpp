// vanto-flash identify --port N: does a device answer on COMn?
#include <cstdio>
#include <memory>
#include <string>

#include "link/com_port_map.h"
#include "link/update_engine.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/port_choice.h"
#include "wizard/procedures/open_failure_text.h"

namespace {

const char kUsage[] = "usage: vanto-flash identify --port N|PATH   (N = 1..100)\n";

// Why COMn did not open, as the port saw it, and what to do about it (a
// line each).
std::string OpenFailure(int nPort, const std::string& strPath, const CComPort& port) {
    const std::string strCom = "COM" + std::to_string(nPort);
    if (strPath.empty()) {
        return strCom + " does not exist (see 'vanto-flash ports')";
    }
    const SPortOpenFailure failure = port.LastOpenFailure();
    const std::string strCause = DescribeOpenFailure(failure);
    std::string strText = strCom + " could not be opened: " + strPath +
                          (strCause.empty() ? " does not exist" : ": " + strCause);
    for (const std::string& strAdvice : OpenFailureAdvice(failure)) {
        strText += "\n  " + strAdvice;
    }
    return strText;
}

// The result as the user reads it: its name, or for a device status that was
// passed on as the result, that status.
std::string ResultText(int nResult) {
    const std::string strName = ResultCodeName(nResult);
    if (nResult == UPD_MORE || strName.empty()) {
        return "device status " + std::to_string(nResult) + " (passed on as the result)";
    }
    return strName;
}

}  // namespace

int RunIdentifyCommand(const CommandArgs& args) {
    SFlashOptions options;
    if (const int nExit = BeginCommand(args, OPT_PORT, kUsage, &options); nExit >= 0) {
        return nExit;
    }
    if ((options.nGiven & OPT_PORT) == 0) {
        return ReportUsageError("identify needs --port", kUsage);
    }
    auto pMap = std::make_shared<CComPortMap>(CComPortMap::FromSystem());
    const int nPort = ChoosePort(options, pMap.get());
    if (nPort < 0) {
        return ReportUsageError("--port '" + options.strPortPath + "': names no COM port", kUsage);
    }
    // The engine opens the system's COM1 as it is created: closed again, so
    // that COMn is opened afresh through this run's map (where a --port file
    // may be COM1 itself).
    CUpdateEngine engine;
    CComPort& port = *engine.m_pPort;
    port.Close();
    port.UsePortMap(pMap);
    const std::string strPath = pMap->DevicePath(nPort);
    if (port.Open(static_cast<uint8_t>(nPort)) == 0) {
        std::fprintf(stderr, "vanto-flash: %s\n", OpenFailure(nPort, strPath, port).c_str());
        return 1;
    }
    const int nResult = engine.Identify();
    std::printf("COM%d (%s): %s, device status %u\n", nPort, strPath.c_str(),
                ResultText(nResult).c_str(), static_cast<unsigned>(engine.m_nStatus));
    std::fflush(stdout);
    if (nResult == UPD_OK) {
        return 0;
    }
    if (nResult == UPD_NO_RESPONSE) {
        std::fprintf(stderr, "vanto-flash: no device answered on COM%d\n", nPort);
    } else if (nResult == UPD_PORT_WRITE_FAILED) {
        std::fprintf(stderr, "vanto-flash: the command could not be written to COM%d\n", nPort);
    } else {
        std::fprintf(stderr, "vanto-flash: a device answered on COM%d, but not with success\n",
                     nPort);
    }
    return 1;
}
