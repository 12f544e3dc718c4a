#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// Everything vanto-devsim is told on its command line. Command indexes are
// 1-based counts of that command received with a good frame checksum,
// retries included (the host's second attempt is a command like any other).
struct CDevsimOptions {
    std::string strLinkPath;          // --link: symlink made to the pty's slave side
    std::string strFlashOutPath;      // --flash-out: committed flash image, raw bytes
    unsigned nBaud = 0;               // --baud: 0 = no wire pacing
    unsigned nReplyDelayMs = 0;       // --reply-delay: flash-write time before each reply
    unsigned nBlockReplyDelayMs = 0;  // --block-reply-delay: more before a block's reply
    bool bQuiet = false;              // --quiet: no per-command lines

    // Fault injection.
    std::set<unsigned> dropBlocks;              // --drop-block N: no reply to block N
    std::map<unsigned, uint8_t> blockStatuses;  // --block-status N:S
    int nFinishStatus = -1;                     // --finish-status S (commit form), -1 = none
    unsigned nAnswerIdentifyFrom = 1;           // --answer-identify-from K
    unsigned nJunkBytes = 0;                    // --junk N: bytes before each reply
    std::set<unsigned> badChecksumReplies;      // --bad-checksum N (reply index)
    std::set<unsigned> longReplies;             // --long-reply N (reply index)
    unsigned nHangupAfterBlocks = 0;            // --hangup-after N, 0 = never
    bool bNeverAnswer = false;                  // --never-answer
};

enum class EParseOutcome { Run, Help, Version, Error };

// Parses argv[1..]. On Error, *pstrError says what was wrong.
EParseOutcome ParseDevsimOptions(const std::vector<std::string>& args, CDevsimOptions* pOptions,
                                 std::string* pstrError);

// The --help text.
extern const char kDevsimHelp[];
