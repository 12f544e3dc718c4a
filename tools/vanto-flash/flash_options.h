#pragma once

#include <string>

#include "tools/vanto-flash/commands.h"

// The options of vanto-flash's commands. Each command names the options it
// accepts; anything else is a usage error that names the offending word.
enum EFlashOption : unsigned {
    OPT_PORT = 1u << 0,     // --port N, --port=N, --port PATH
    OPT_FILE = 1u << 1,     // --file PATH
    OPT_FORMAT = 1u << 2,   // --format hex|srec
    OPT_QUIET = 1u << 3,    // -q, --quiet
    OPT_VERBOSE = 1u << 4,  // -v, --verbose
    OPT_JSON = 1u << 5,     // --json
    OPT_ALL = 1u << 6,      // --all
};

struct SFlashOptions {
    int nPort = 0;            // COMn; 0 when no number was given
    std::string strPortPath;  // --port given a device file (a value with a '/')
    std::string strFile;      // --file; empty: kst.hex, else kst.a90
    int nFormat = -1;         // FMT_INTEL_HEX or FMT_SRECORD; -1: from the file's content
    bool bQuiet = false;
    bool bVerbose = false;
    bool bJson = false;
    bool bAll = false;
    unsigned nGiven = 0;  // the EFlashOption bits that were given
};

// Parses args for a command that accepts the options in nAccepted. False on
// a usage error, with *pstrError saying which word is wrong and why.
bool ParseFlashOptions(const CommandArgs& args, unsigned nAccepted, SFlashOptions* pOptions,
                       std::string* pstrError);

// Prints "vanto-flash: <error>" and the usage line of the command to standard
// error; returns the usage exit status 2.
int ReportUsageError(const std::string& strError, const char* pszUsage);
