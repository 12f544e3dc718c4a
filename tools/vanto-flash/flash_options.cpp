#include "tools/vanto-flash/flash_options.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "image/update_record.h"
#include "link/com_port_map.h"

namespace {

struct SOptionName {
    const char* pszLong;
    const char* pszShort;  // "" when there is none
    EFlashOption eOption;
    bool bTakesValue;
};

constexpr SOptionName kOptionNames[] = {
    {"--port", "", OPT_PORT, true},          {"--file", "", OPT_FILE, true},
    {"--format", "", OPT_FORMAT, true},      {"--quiet", "-q", OPT_QUIET, false},
    {"--verbose", "-v", OPT_VERBOSE, false}, {"--json", "", OPT_JSON, false},
    {"--all", "", OPT_ALL, false},           {"--ports", "", OPT_PORTS, true},
};

const SOptionName* FindOption(const std::string& strName) {
    for (const SOptionName& option : kOptionNames) {
        if (strName == option.pszLong || strName == option.pszShort) {
            return &option;
        }
    }
    return nullptr;
}

bool SetPort(const std::string& strValue, SFlashOptions* pOptions, std::string* pstrError) {
    pOptions->portValues.push_back(strValue);
    pOptions->nPort = 0;
    pOptions->strPortPath.clear();
    // A path in either spelling: /dev/ttyUSB0, //./COM3, \\.\COM3.
    if (strValue.find_first_of("/\\") != std::string::npos) {
        pOptions->strPortPath = strValue;
        return true;
    }
    if (ParseNumber(strValue, 1, kMaxComPort, &pOptions->nPort)) {
        return true;
    }
    *pstrError = "--port '" + strValue + "': give a COM number from 1 to 100 or a device file";
    return false;
}

bool SetFormat(const std::string& strValue, SFlashOptions* pOptions, std::string* pstrError) {
    if (strValue == "hex") {
        pOptions->nFormat = FMT_INTEL_HEX;
    } else if (strValue == "srec") {
        pOptions->nFormat = FMT_SRECORD;
    } else {
        *pstrError = "--format '" + strValue + "': give hex or srec";
        return false;
    }
    return true;
}

bool SetValue(EFlashOption eOption, const std::string& strValue, SFlashOptions* pOptions,
              std::string* pstrError) {
    switch (eOption) {
        case OPT_PORT:
            return SetPort(strValue, pOptions, pstrError);
        case OPT_FORMAT:
            return SetFormat(strValue, pOptions, pstrError);
        case OPT_PORTS:
            return ParsePortList(strValue, &pOptions->portList, pstrError);
        default:
            break;
    }
    if (strValue.empty()) {
        *pstrError = "--file needs a file name";
        return false;
    }
    pOptions->strFile = strValue;
    return true;
}

void SetFlag(EFlashOption eOption, SFlashOptions* pOptions) {
    pOptions->bQuiet |= eOption == OPT_QUIET;
    pOptions->bVerbose |= eOption == OPT_VERBOSE;
    pOptions->bJson |= eOption == OPT_JSON;
    pOptions->bAll |= eOption == OPT_ALL;
}

}  // namespace

bool ParseFlashOptions(const CommandArgs& args, unsigned nAccepted, SFlashOptions* pOptions,
                       std::string* pstrError) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string strName = args[i];
        std::string strValue;
        const size_t nEquals = strName.find('=');
        const bool bInlineValue = strName.rfind("--", 0) == 0 && nEquals != std::string::npos;
        if (bInlineValue) {
            strValue = strName.substr(nEquals + 1);
            strName.resize(nEquals);
        }
        const SOptionName* pOption = FindOption(strName);
        if (pOption == nullptr || (nAccepted & pOption->eOption) == 0) {
            *pstrError = (strName.rfind('-', 0) == 0 ? "unknown option '" : "unexpected word '") +
                         args[i] + "'";
            return false;
        }
        if (!pOption->bTakesValue) {
            if (bInlineValue) {
                *pstrError = std::string(pOption->pszLong) + " takes no value";
                return false;
            }
            SetFlag(pOption->eOption, pOptions);
        } else {
            if (!bInlineValue) {
                if (i + 1 == args.size()) {
                    *pstrError = std::string(pOption->pszLong) + " needs a value";
                    return false;
                }
                strValue = args[++i];
            }
            if (!SetValue(pOption->eOption, strValue, pOptions, pstrError)) {
                return false;
            }
        }
        pOptions->nGiven |= pOption->eOption;
    }
    return true;
}

bool ParsePortList(const std::string& strList, std::vector<int>* pPorts, std::string* pstrError) {
    const std::string strRange = "give COM numbers from 1 to 100 and ranges, as in 3-6,9";
    size_t nStart = 0;
    for (;;) {
        const size_t nComma = strList.find(',', nStart);
        const std::string strItem = strList.substr(nStart, nComma - nStart);
        const size_t nDash = strItem.find('-');
        int nFirst = 0;
        int nLast = 0;
        const bool bNumber =
            nDash == std::string::npos
                ? ParseNumber(strItem, 1, kMaxComPort, &nFirst)
                : ParseNumber(strItem.substr(0, nDash), 1, kMaxComPort, &nFirst) &&
                      ParseNumber(strItem.substr(nDash + 1), 1, kMaxComPort, &nLast);
        if (!bNumber || (nDash != std::string::npos && nLast < nFirst)) {
            *pstrError = "--ports '" + strList + "': '" + strItem + "' is not a port: " + strRange;
            return false;
        }
        for (int n = nFirst; n <= std::max(nFirst, nLast); ++n) {
            pPorts->push_back(n);
        }
        if (nComma == std::string::npos) {
            return true;
        }
        nStart = nComma + 1;
    }
}

int ReportUsageError(const std::string& strError, const char* pszUsage) {
    std::fprintf(stderr, "vanto-flash: %s\n%s", strError.c_str(), pszUsage);
    return 2;
}
