#include <cstdio>
#include <string>

#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/port_platform.h"
#include "version.h"

namespace {

const char kHelpCommands[] =
    "usage: vanto-flash [options]           check the update file, scan COM1..COM10\n"
    "                                       (or the --port alone) for the device,\n"
    "                                       then program it; several ports, or\n"
    "                                       --all, program a device on each at once\n"
    "       vanto-flash identify --port N   ask whether the device answers on COMn\n"
    "       vanto-flash info [--file PATH] [--format hex|srec]\n"
    "                                       check the update file, show what a run\n"
    "                                       would send and what the reader passes\n"
    "                                       over\n"
    "       vanto-flash ports [--all]       list the COM ports: device file, kind,\n"
    "                                       USB ids and names, by-id name, usable now\n"
    "       vanto-flash --help | --version\n"
    "\n"
    "Options of a run:\n"
    "  --port N, --port=N    COMn alone (1..100)\n"
    "  --port PATH           this device file, used as it is (e.g. /dev/ttyUSB0)\n"
    "  --port ... --port ... one device on each port named, all updated at once\n"
    "  --ports LIST          the same for a list: COM numbers and ranges from 1 to\n"
    "                        100, comma separated (e.g. 3-6,9)\n"
    "  --all                 COM1..COM10 at once: each device that answers\n"
    "  --file PATH           program PATH; without it kst.hex, else kst.a90, from\n"
    "                        the working directory\n"
    "  --format hex|srec     read the file as Intel HEX or S-records (default: from\n"
    "                        its first character, ':' or 'S')\n"
    "  -q, --quiet           print only errors and the last line\n"
    "  -v, --verbose         also print each frame sent and reply received, as hex\n"
    "                        with the seconds since the start (on standard error);\n"
    "                        one port only\n"
    "  --json                print one JSON object at the end, nothing else, on\n"
    "                        standard output\n"
    "\n"
    "Several ports: the file is checked once, then the devices are updated at\n"
    "once, each with its own progress, then a result line each and a summary\n"
    "(\"3 of 4 updated; COM3: Flash Address Error\"). -q prints only the failures\n"
    "and the summary, --json one array of the objects, one per device. A port\n"
    "named twice, or --all with --port or --ports, is a usage error.\n"
    "\n"
    "Results and the progress go to standard output; errors and warnings to\n"
    "standard error. ";
const char kHelpExitStatus[] =
    "\n"
    "Exit status: 0 success, 1 no device found, 2 usage error, 3..8 the failed\n"
    "run's result code (8: the update file), 9 a run ended by another device\n"
    "status, 128+N ended by signal N (130 Ctrl-C), after the device was told to\n"
    "discard an unfinished transfer. Several devices: 0 when every one was\n"
    "updated, else the status of the first one in port order that was not (1 for\n"
    "a named port where no device answered); 1 when --all found no device;\n"
    "128+N for signal N, each device still in transfer told to discard it.\n";

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
    PrepareStandardStreams();
    CommandArgs args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::fputs(kHelpCommands, stdout);
        std::fputs(PortMapHelp(), stdout);
        std::fputs(kHelpExitStatus, stdout);
        return 0;
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
