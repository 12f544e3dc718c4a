#pragma once

#include <string>
#include <vector>

#include "tools/vanto-flash/commands.h"

// The options of vanto-flash's commands. Each command names the options it
// accepts; anything else is a usage error that names the offending word.
// Every command takes --help (-h). Short options go together ("-qv" is
// "-q -v"); "--" ends the options, and a word that is no option is the
// update file of a command that reads one (as --file), once.
enum EFlashOption : unsigned {
    OPT_PORT = 1u << 0,     // --port N, --port=N, --port PATH
    OPT_FILE = 1u << 1,     // --file PATH
    OPT_FORMAT = 1u << 2,   // --format hex|srec
    OPT_QUIET = 1u << 3,    // -q, --quiet
    OPT_VERBOSE = 1u << 4,  // -v, --verbose
    OPT_JSON = 1u << 5,     // --json
    OPT_ALL = 1u << 6,      // --all
    OPT_PORTS = 1u << 7,    // --ports 3-6,9
    OPT_HELP = 1u << 8,     // -h, --help: taken by every command
    OPT_WATCH = 1u << 9,    // --watch: the station
    OPT_LOG = 1u << 10,     // --log FILE: the station's record
};

struct SFlashOptions {
    int nPort = 0;            // COMn of the last --port; 0 when it gave no number
    std::string strPortPath;  // the last --port, when it gave a device file (with a '/' or '\\')
    std::vector<std::string> portValues;  // every --port value, in the order given
    std::vector<int> portList;            // the COM numbers of --ports, in the order given
    std::string strFile;                  // --file; empty: kst.hex, else kst.a90
    int nFormat = -1;  // FMT_INTEL_HEX or FMT_SRECORD; -1: from the file's content
    bool bQuiet = false;
    bool bVerbose = false;
    bool bJson = false;
    bool bAll = false;
    bool bHelp = false;
    bool bWatch = false;
    std::string strLog;   // --log
    unsigned nGiven = 0;  // the EFlashOption bits that were given

    // How many ports --port and --ports name together.
    size_t PortsGiven() const { return portValues.size() + portList.size(); }
};

// Parses args for a command that accepts the options in nAccepted. False on
// a usage error, with *pstrError saying which word is wrong and why.
bool ParseFlashOptions(const CommandArgs& args, unsigned nAccepted, SFlashOptions* pOptions,
                       std::string* pstrError);

// The COM numbers of a --ports list, "3-6,9": numbers and ranges from 1 to
// 100, separated by commas. False with *pstrError for anything else.
bool ParsePortList(const std::string& strList, std::vector<int>* pPorts, std::string* pstrError);

// Prints "vanto-flash: <error>" and the usage line of the command to standard
// error; returns the usage exit status 2.
int ReportUsageError(const std::string& strError, const char* pszUsage);

// How every command begins: parses args as ParseFlashOptions does. Returns -1
// when the command goes on with *pOptions; else the exit status it ends with
// now, after the usage error (2) or the help (0) was printed.
int BeginCommand(const CommandArgs& args, unsigned nAccepted, const char* pszUsage,
                 SFlashOptions* pOptions);
