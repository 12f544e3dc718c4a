#include <cstdio>

#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/port_platform.h"

namespace {

const char kHelpCommands[] =
    "usage: vanto-flash [options] [--] [FILE]\n"
    "                                       check the update file, scan COM1..COM10\n"
    "                                       (or the --port alone) for the device,\n"
    "                                       then program it; several ports, or\n"
    "                                       --all, program a device on each at once\n"
    "       vanto-flash identify --port N   ask whether the device answers on COMn\n"
    "       vanto-flash --watch PORTS [--log FILE] [--file PATH] [-q]\n"
    "                                       a station: update each device as it is\n"
    "                                       connected, until Ctrl-C (see below)\n"
    "       vanto-flash info [--format hex|srec] [--json] [--] [FILE]\n"
    "                                       check the update file, show what a run\n"
    "                                       would send and what the reader passes\n"
    "                                       over\n"
    "       vanto-flash ports [--all] [--json]\n"
    "                                       list the COM ports: device file, kind,\n"
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
    "  --file PATH, FILE     program this file; without it kst.hex, else kst.a90,\n"
    "                        from the working directory\n"
    "  --format hex|srec     read the file as Intel HEX or S-records (default: from\n"
    "                        its first character, ':' or 'S')\n"
    "  -q, --quiet           print only errors and the last line\n"
    "  -v, --verbose         also print each frame sent and reply received, as hex\n"
    "                        with the seconds since the start (on standard error);\n"
    "                        one port only\n"
    "  --json                print one JSON object at the end, nothing else, on\n"
    "                        standard output (valid UTF-8: a byte of a name that is\n"
    "                        not UTF-8 becomes U+FFFD)\n"
    "  --watch               a station on the ports of --port, --ports or --all\n"
    "  --log FILE            with --watch: append one JSON line per update attempt\n"
    "  -h, --help            this text, after any command too\n"
    "Short options go together (-qv is -q -v); -- ends the options, so that a file\n"
    "whose name starts with '-' can follow it.\n"
    "\n"
    "Several ports: the file is checked once, then the devices are updated at\n"
    "once, each with its own progress, then a result line each and a summary\n"
    "(\"3 of 4 updated; COM3: Flash Address Error\"). -q prints only the failures\n"
    "and the summary, --json one array of the objects, one per device. A port\n"
    "named twice, or --all with --port or --ports, is a usage error.\n"
    "\n"
    "A station (--watch): each port is watched as adapters come and go; a device\n"
    "that answers the identify command is updated once, and the port waits until\n"
    "it has gone (the port vanished, or no answer for a few seconds) before it\n"
    "takes the next. A failed device is tried again only after it went and came\n"
    "back. One row per port on a terminal, else one line per event; each attempt\n"
    "is a JSON line in the --log file (fields as --json, with time, by_id and\n"
    "usb_serial) and an entry in the system journal. Ctrl-C or SIGTERM aborts\n"
    "the transfers in progress and prints a summary.\n"
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
    "128+N for signal N, each device still in transfer told to discard it.\n"
    "A station: 0 when no attempt failed, else the status of the first failed\n"
    "attempt in time order (128+N for a transfer the signal ended).\n";

}  // namespace

int PrintHelp() {
    std::fputs(kHelpCommands, stdout);
    std::fputs(PortMapHelp(), stdout);
    std::fputs(kHelpExitStatus, stdout);
    std::fflush(stdout);
    return 0;
}
