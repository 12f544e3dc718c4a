#include <cstdio>
#include <string>

#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/console_setup.h"
#include "version.h"

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
    PrepareStandardStreams();
    CommandArgs args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "help") {
        return PrintHelp();
    }
    if (!args.empty() && args[0] == "--version") {
        std::puts("vanto-flash " VANTO_VERSION);
        return 0;
    }
    if (!args.empty() && args[0].rfind('-', 0) != 0) {
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
        std::fprintf(stderr, "vanto-flash: unknown command '%s' (see vanto-flash --help)\n",
                     strCommand.c_str());
        return 2;
    }
    return RunUpdateCommand(args);
}
