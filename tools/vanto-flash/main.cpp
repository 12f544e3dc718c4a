#include <cstdio>
#include <string>

#include "tools/vanto-flash/commands.h"
#include "version.h"

namespace {

const char kHelp[] =
    "usage: vanto-flash [--port N]          scan COM1..COM10 (or COMn alone) for the\n"
    "                                       device, then program it with kst.hex or\n"
    "                                       kst.a90 from the working directory\n"
    "       vanto-flash identify --port N   ask whether the device answers on COMn\n"
    "       vanto-flash info [--file PATH]  show what a programming run would send\n"
    "       vanto-flash ports               show which device file each COM port is\n"
    "       vanto-flash --help              this text\n"
    "       vanto-flash --version           the version\n"
    "\n"
    "COM ports: set VANTO_COM_PORTS to a colon-separated list of device files\n"
    "(entry n is COMn); otherwise COMn is the n-th serial device found among\n"
    "/dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* (consoles left out).\n"
    "\n"
    "Exit status: 0 success, 1 no device found, 2 usage error, 3..8 the failed\n"
    "run's result code, 9 a run ended by another device status, 130 interrupted.\n";

}  // namespace

bool ParseNumber(const std::string& strText, int nLo, int nHi, int* pnValue) {
    if (strText.empty() || strText.size() > 9) {
        return false;
    }
    int nValue = 0;
    for (char c : strText) {
        if (c < '0' || c > '9') {
            return false;
        }
        nValue = nValue * 10 + (c - '0');
    }
    if (nValue < nLo || nValue > nHi) {
        return false;
    }
    *pnValue = nValue;
    return true;
}

int main(int argc, char** argv) {
    CommandArgs args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::puts("vanto-flash " VANTO_VERSION);
        return 0;
    }
    if (!args.empty() && args[0].rfind("--", 0) != 0) {
        const std::string strCommand = args[0];
        const CommandArgs rest(args.begin() + 1, args.end());
        if (strCommand == "ports") {
            return RunPortsCommand(rest);
        }
        if (strCommand == "identify") {
            return RunIdentifyCommand(rest);
        }
        if (strCommand == "info") {
            return RunInfoCommand(rest);
        }
        std::fprintf(stderr, "vanto-flash: unknown command '%s' (see --help)\n",
                     strCommand.c_str());
        return 2;
    }
    return RunUpdateCommand(args);
}
