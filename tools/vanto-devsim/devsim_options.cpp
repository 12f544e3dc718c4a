#include "tools/vanto-devsim/devsim_options.h"

#include <functional>

const char kDevsimHelp[] =
    "usage: vanto-devsim --link PATH [options]\n"
    "\n"
    "Plays a VANTO device in update mode on a pseudo-terminal. PATH becomes a\n"
    "symlink to the terminal's slave side; point the updater at it, e.g.\n"
    "  VANTO_COM_PORTS=PATH vanto-flash identify --port 1\n"
    "Runs until SIGTERM or SIGINT, then removes PATH.\n"
    "\n"
    "  --link PATH             where to put the symlink (required)\n"
    "  --flash-out FILE        write the flash image (raw bytes from the first\n"
    "                          block's address) here on each accepted commit\n"
    "  --baud N                pace both directions at N baud, 10 bits per byte\n"
    "  --reply-delay MS        wait MS milliseconds before each reply (flash writing)\n"
    "  --block-reply-delay MS  wait MS milliseconds more before each block's reply\n"
    "  --quiet                 no line per command (the listening and STATS lines stay)\n"
    "  --version               print the version and exit\n"
    "\n"
    "Fault injection. N counts the frames of that command received, retries\n"
    "included, from 1; options marked * may be given more than once.\n"
    "  --drop-block N *        store block frame N but send no reply to it\n"
    "  --block-status N:S *    answer block frame N with status S (not stored unless S=1)\n"
    "  --finish-status S       answer every commit finish with status S\n"
    "  --answer-identify-from K  ignore identify frames before the K-th\n"
    "  --junk N                send N junk bytes before each reply\n"
    "  --bad-checksum N *      corrupt the checksum of reply N (all replies counted)\n"
    "  --long-reply N *        give reply N a length field of 513\n"
    "  --hangup-after N        after N blocks stored, hang up when the host next\n"
    "                          sends: close the terminal, remove PATH, exit\n"
    "  --never-answer          read and log every frame, answer none\n"
    "\n"
    "Output, one line per event, flushed at once:\n"
    "  listening on PATH (/dev/pts/N)\n"
    "  IDENTIFY status=1 | IDENTIFY ignored\n"
    "  BLOCK seq=3 addr=0x00008300 status=1 [repeat] [restart]\n"
    "  FINISH commit total=0x00020768 status=1 | FINISH abort status=1\n"
    "  STATS rx_bytes=N tx_bytes=N replies=N reply_delay_ms=N (after each finish and at exit)\n"
    "  FRAME bad-checksum code=0x20 len=262 | FRAME unknown code=0x.. len=N\n"
    "Replies that a fault changes say so at the end: no-reply, junk=N,\n"
    "bad-checksum, long-reply.\n";

namespace {

const unsigned kMaxIndex = 100000000;

bool ParseUnsigned(const std::string& strText, unsigned nLo, unsigned nHi, unsigned* pnValue) {
    if (strText.empty() || strText.size() > 9) {
        return false;
    }
    unsigned nValue = 0;
    for (char c : strText) {
        if (c < '0' || c > '9') {
            return false;
        }
        nValue = nValue * 10 + static_cast<unsigned>(c - '0');
    }
    if (nValue < nLo || nValue > nHi) {
        return false;
    }
    *pnValue = nValue;
    return true;
}

// "N:S" with N a command index and S a status byte.
bool ParseIndexStatus(const std::string& strText, unsigned* pnIndex, uint8_t* pnStatus) {
    const size_t nColon = strText.find(':');
    unsigned nStatus = 0;
    if (nColon == std::string::npos ||
        !ParseUnsigned(strText.substr(0, nColon), 1, kMaxIndex, pnIndex) ||
        !ParseUnsigned(strText.substr(nColon + 1), 0, 255, &nStatus)) {
        return false;
    }
    *pnStatus = static_cast<uint8_t>(nStatus);
    return true;
}

using ValueHandler = std::function<bool(const std::string&, CDevsimOptions*)>;

// Options that take a value, each with the parser of that value.
const std::map<std::string, ValueHandler>& ValueOptions() {
    static const std::map<std::string, ValueHandler> handlers = {
        {"--link",
         [](const std::string& s, CDevsimOptions* p) {
             p->strLinkPath = s;
             return !s.empty();
         }},
        {"--flash-out",
         [](const std::string& s, CDevsimOptions* p) {
             p->strFlashOutPath = s;
             return !s.empty();
         }},
        {"--baud", [](const std::string& s,
                      CDevsimOptions* p) { return ParseUnsigned(s, 50, 4000000, &p->nBaud); }},
        {"--reply-delay",
         [](const std::string& s, CDevsimOptions* p) {
             return ParseUnsigned(s, 0, 60000, &p->nReplyDelayMs);
         }},
        {"--block-reply-delay",
         [](const std::string& s, CDevsimOptions* p) {
             return ParseUnsigned(s, 0, 60000, &p->nBlockReplyDelayMs);
         }},
        {"--drop-block",
         [](const std::string& s, CDevsimOptions* p) {
             unsigned n = 0;
             return ParseUnsigned(s, 1, kMaxIndex, &n) && p->dropBlocks.insert(n).second;
         }},
        {"--block-status",
         [](const std::string& s, CDevsimOptions* p) {
             unsigned n = 0;
             uint8_t nStatus = 0;
             return ParseIndexStatus(s, &n, &nStatus) &&
                    p->blockStatuses.emplace(n, nStatus).second;
         }},
        {"--finish-status",
         [](const std::string& s, CDevsimOptions* p) {
             unsigned n = 0;
             if (!ParseUnsigned(s, 0, 255, &n)) {
                 return false;
             }
             p->nFinishStatus = static_cast<int>(n);
             return true;
         }},
        {"--answer-identify-from",
         [](const std::string& s, CDevsimOptions* p) {
             return ParseUnsigned(s, 1, kMaxIndex, &p->nAnswerIdentifyFrom);
         }},
        {"--junk", [](const std::string& s,
                      CDevsimOptions* p) { return ParseUnsigned(s, 0, 4096, &p->nJunkBytes); }},
        {"--bad-checksum",
         [](const std::string& s, CDevsimOptions* p) {
             unsigned n = 0;
             return ParseUnsigned(s, 1, kMaxIndex, &n) && p->badChecksumReplies.insert(n).second;
         }},
        {"--long-reply",
         [](const std::string& s, CDevsimOptions* p) {
             unsigned n = 0;
             return ParseUnsigned(s, 1, kMaxIndex, &n) && p->longReplies.insert(n).second;
         }},
        {"--hangup-after",
         [](const std::string& s, CDevsimOptions* p) {
             return ParseUnsigned(s, 1, kMaxIndex, &p->nHangupAfterBlocks);
         }},
    };
    return handlers;
}

}  // namespace

EParseOutcome ParseDevsimOptions(const std::vector<std::string>& args, CDevsimOptions* pOptions,
                                 std::string* pstrError) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (strArg == "--help" || strArg == "-h") {
            return EParseOutcome::Help;
        }
        if (strArg == "--version") {
            return EParseOutcome::Version;
        }
        if (strArg == "--quiet") {
            pOptions->bQuiet = true;
            continue;
        }
        if (strArg == "--never-answer") {
            pOptions->bNeverAnswer = true;
            continue;
        }
        const auto it = ValueOptions().find(strArg);
        if (it == ValueOptions().end()) {
            *pstrError = "unknown option '" + strArg + "'";
            return EParseOutcome::Error;
        }
        if (i + 1 >= args.size()) {
            *pstrError = strArg + " needs a value";
            return EParseOutcome::Error;
        }
        const std::string& strValue = args[++i];
        if (!it->second(strValue, pOptions)) {
            *pstrError = "bad value '" + strValue + "' for " + strArg;
            return EParseOutcome::Error;
        }
    }
    if (pOptions->strLinkPath.empty()) {
        *pstrError = "--link PATH is required";
        return EParseOutcome::Error;
    }
    return EParseOutcome::Run;
}
