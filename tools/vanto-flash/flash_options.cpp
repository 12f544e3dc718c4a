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
    {"--port", "", OPT_PORT, true},
    {"--file", "", OPT_FILE, true},
    {"--format", "", OPT_FORMAT, true},
    {"--quiet", "-q", OPT_QUIET, false},
    {"--verbose", "-v", OPT_VERBOSE, false},
    {"--json", "", OPT_JSON, false},
    {"--all", "", OPT_ALL, false},
    {"--ports", "", OPT_PORTS, true},
    {"--help", "-h", OPT_HELP, false},
    {"--watch", "", OPT_WATCH, false},
    {"--log", "", OPT_LOG, true},
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
    const char* pszName = eOption == OPT_LOG ? "--log" : "--file";
    if (strValue.empty()) {
        *pstrError = std::string(pszName) + " needs a file name";
        return false;
    }
    (eOption == OPT_LOG ? pOptions->strLog : pOptions->strFile) = strValue;
    return true;
}

void SetFlag(EFlashOption eOption, SFlashOptions* pOptions) {
    pOptions->bQuiet |= eOption == OPT_QUIET;
    pOptions->bVerbose |= eOption == OPT_VERBOSE;
    pOptions->bJson |= eOption == OPT_JSON;
    pOptions->bAll |= eOption == OPT_ALL;
    pOptions->bHelp |= eOption == OPT_HELP;
    pOptions->bWatch |= eOption == OPT_WATCH;
}

// Reads the words of a command line one at a time into the options.
class COptionReader {
public:
    COptionReader(unsigned nAccepted, SFlashOptions* pOptions, std::string* pstrError)
        : m_nAccepted(nAccepted), m_pOptions(pOptions), m_pstrError(pstrError) {}

    // "--name", "--name=value", or "--name" with its value in *pNext (then
    // *pnIndex moves past it).
    bool LongOption(const std::string& strWord, const std::string* pNext, size_t* pnIndex) {
        const size_t nEquals = strWord.find('=');
        const std::string strName = strWord.substr(0, nEquals);
        const SOptionName* pOption = Accepted(strName, strWord);
        if (pOption == nullptr) {
            return false;
        }
        if (!pOption->bTakesValue) {
            if (nEquals != std::string::npos) {
                return Fail(std::string(pOption->pszLong) + " takes no value");
            }
            return Flag(*pOption);
        }
        if (nEquals != std::string::npos) {
            return Value(*pOption, strWord.substr(nEquals + 1));
        }
        if (pNext == nullptr) {
            return Fail(std::string(pOption->pszLong) + " needs a value");
        }
        ++*pnIndex;
        return Value(*pOption, *pNext);
    }

    // "-q", or letters together: "-qv" is "-q -v".
    bool ShortOptions(const std::string& strWord) {
        for (size_t i = 1; i < strWord.size(); ++i) {
            const std::string strName = std::string("-") + strWord[i];
            const SOptionName* pOption = Accepted(strName, strWord);
            if (pOption == nullptr) {
                return false;
            }
            if (pOption->bTakesValue) {
                return Fail(strName + " needs a value");  // none takes one today
            }
            Flag(*pOption);
        }
        return true;
    }

    // A word that is no option: the update file, where the command reads one
    // and no --file named it.
    bool Operand(const std::string& strWord) {
        if ((m_nAccepted & OPT_FILE) == 0) {
            return Fail("unexpected word '" + strWord + "'");
        }
        return Value(*FindOption("--file"), strWord);
    }

private:
    // The option strName, when the command takes it; else the error naming
    // the word it came in.
    const SOptionName* Accepted(const std::string& strName, const std::string& strWord) {
        const SOptionName* pOption = FindOption(strName);
        if (pOption != nullptr && (m_nAccepted & pOption->eOption) != 0) {
            return pOption;
        }
        Fail("unknown option '" + strName + "'" +
             (strWord.size() > strName.size() && strWord.rfind("--", 0) != 0
                  ? " in '" + strWord + "'"
                  : ""));
        return nullptr;
    }
    bool Flag(const SOptionName& option) {
        SetFlag(option.eOption, m_pOptions);
        m_pOptions->nGiven |= option.eOption;
        return true;
    }
    bool Value(const SOptionName& option, const std::string& strValue) {
        if (option.eOption == OPT_FILE && (m_pOptions->nGiven & OPT_FILE) != 0) {
            return Fail("the update file is named twice: '" + m_pOptions->strFile + "' and '" +
                        strValue + "'");
        }
        if (!SetValue(option.eOption, strValue, m_pOptions, m_pstrError)) {
            return false;
        }
        m_pOptions->nGiven |= option.eOption;
        return true;
    }
    bool Fail(const std::string& strError) {
        *m_pstrError = strError;
        return false;
    }

    unsigned m_nAccepted;
    SFlashOptions* m_pOptions;
    std::string* m_pstrError;
};

}  // namespace

bool ParseFlashOptions(const CommandArgs& args, unsigned nAccepted, SFlashOptions* pOptions,
                       std::string* pstrError) {
    COptionReader reader(nAccepted | OPT_HELP, pOptions, pstrError);
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strWord = args[i];
        const std::string* pNext = i + 1 < args.size() ? &args[i + 1] : nullptr;
        bool bOk = true;
        if (bOptionsEnded || strWord == "-" || strWord.rfind('-', 0) != 0) {
            bOk = reader.Operand(strWord);
        } else if (strWord == "--") {
            bOptionsEnded = true;  // what follows is no option, even if it looks like one
        } else if (strWord.rfind("--", 0) == 0) {
            bOk = reader.LongOption(strWord, pNext, &i);
        } else {
            bOk = reader.ShortOptions(strWord);
        }
        if (!bOk) {
            return false;
        }
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

int BeginCommand(const CommandArgs& args, unsigned nAccepted, const char* pszUsage,
                 SFlashOptions* pOptions) {
    std::string strError;
    if (!ParseFlashOptions(args, nAccepted, pOptions, &strError)) {
        return ReportUsageError(strError, pszUsage);
    }
    return pOptions->bHelp ? PrintHelp() : -1;
}
