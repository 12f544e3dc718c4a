#include "tools/vanto-devsim/device_session.h"

#include <cstdio>

namespace {

const size_t kBlockPayloadLen = 6 + CDeviceFlash::kBlockSize;
const uint8_t kStatusDone = 1;
const uint8_t kStatusChecksumError = 3;
const uint8_t kStatusAddressError = 4;

// Junk on the line before a reply: none of these is a reply code.
const uint8_t kJunk[] = {0x00, 0x55, 0xFF, 0x0A, 0x3C, 0x19};

std::string Format(const char* pszFormat, unsigned nA, unsigned nB = 0, unsigned nC = 0) {
    char szLine[160];
    std::snprintf(szLine, sizeof szLine, pszFormat, nA, nB, nC);
    return szLine;
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

SDeviceAction CDeviceSession::Handle(const SCommandFrame& frame) {
    if (frame.eKind == SCommandFrame::EKind::BadChecksum) {
        return Ignore(frame, "bad-checksum");
    }
    switch (frame.nCode) {
        case kCmdIdentify:
            if (frame.payload == std::vector<uint8_t>{'V', 'A', 'N', 'T', 'O'}) {
                return HandleIdentify();
            }
            break;
        case kCmdWriteBlock:
            if (frame.payload.size() == kBlockPayloadLen) {
                return HandleBlock(frame.payload);
            }
            break;
        case kCmdFinish:
            if ((frame.payload.size() == 5 && frame.payload[0] == 'O') ||
                (frame.payload.size() == 1 && frame.payload[0] == 'C')) {
                return HandleFinish(frame.payload);
            }
            break;
        default:
            break;
    }
    return Ignore(frame, "unknown");
}

SDeviceAction CDeviceSession::Ignore(const SCommandFrame& frame, const char* pszWhy) {
    SDeviceAction action;
    action.strLogLine =
        std::string("FRAME ") + pszWhy +
        Format(" code=0x%02X len=%u", frame.nCode, static_cast<unsigned>(frame.payload.size()));
    return action;
}

SDeviceAction CDeviceSession::HandleIdentify() {
    ++m_nIdentifyFrames;
    if (m_nIdentifyFrames < m_options.nAnswerIdentifyFrom) {
        return SDeviceAction{{}, "IDENTIFY ignored"};
    }
    return Reply(kCmdIdentify, kStatusDone, "IDENTIFY");
}

SDeviceAction CDeviceSession::HandleBlock(const std::vector<uint8_t>& payload) {
    ++m_nBlockFrames;
    const uint8_t nSequence = payload[0];
    const uint32_t dwAddress = BigEndian32(&payload[2]);
    std::string strLine = Format("BLOCK seq=%u addr=0x%08X", nSequence, dwAddress);

    const auto itForced = m_options.blockStatuses.find(m_nBlockFrames);
    uint8_t nStatus = kStatusDone;
    if (itForced != m_options.blockStatuses.end() && itForced->second != kStatusDone) {
        nStatus = itForced->second;  // the device refuses the block: nothing stored
    } else {
        const uint8_t nWantSequence = m_flash.ExpectedSequence();
        const uint32_t dwWantAddress = m_flash.ExpectedAddress();
        switch (m_flash.WriteBlock(nSequence, payload[1], dwAddress, &payload[6])) {
            case CDeviceFlash::EBlockOutcome::Restart:
                strLine += " restart";
                [[fallthrough]];
            case CDeviceFlash::EBlockOutcome::Stored:
                ++m_nBlocksStored;
                break;
            case CDeviceFlash::EBlockOutcome::Repeat:
                strLine += " repeat";
                break;
            case CDeviceFlash::EBlockOutcome::Refused:
                nStatus = kStatusAddressError;
                if (static_cast<uint8_t>(~nSequence) != payload[1]) {
                    strLine += " bad-complement";
                }
                strLine += Format(" want seq=%u addr=0x%08X", nWantSequence, dwWantAddress);
                break;
        }
        if (itForced != m_options.blockStatuses.end()) {
            nStatus = kStatusDone;  // forced 1: answered so even if refused
        }
    }
    if (m_options.dropBlocks.count(m_nBlockFrames) != 0) {
        return SDeviceAction{{}, strLine + Format(" status=%u no-reply", nStatus)};
    }
    return Reply(kCmdWriteBlock, nStatus, strLine);
}

SDeviceAction CDeviceSession::HandleFinish(const std::vector<uint8_t>& payload) {
    if (payload[0] == 'C') {
        m_flash.Abort();
        return Reply(kCmdFinish, kStatusDone, "FINISH abort");
    }
    const uint32_t dwTotal = BigEndian32(&payload[1]);
    std::vector<uint8_t> image;
    uint8_t nStatus = m_flash.Commit(dwTotal, &image) ? kStatusDone : kStatusChecksumError;
    if (m_options.nFinishStatus >= 0) {
        nStatus = static_cast<uint8_t>(m_options.nFinishStatus);
    }
    if (nStatus == kStatusDone) {
        WriteFlashImage(image);
    }
    return Reply(kCmdFinish, nStatus, Format("FINISH commit total=0x%08X", dwTotal));
}

void CDeviceSession::WriteFlashImage(const std::vector<uint8_t>& image) const {
    if (m_options.strFlashOutPath.empty()) {
        return;
    }
    // Written aside and renamed, so a reader never sees half an image.
    const std::string strTemp = m_options.strFlashOutPath + ".part";
    FILE* pFile = std::fopen(strTemp.c_str(), "wb");
    bool bOk = pFile != nullptr;
    if (bOk) {
        bOk = std::fwrite(image.data(), 1, image.size(), pFile) == image.size();
        bOk = std::fclose(pFile) == 0 && bOk;
    }
    if (!bOk || std::rename(strTemp.c_str(), m_options.strFlashOutPath.c_str()) != 0) {
        std::fprintf(stderr, "vanto-devsim: cannot write %s\n", m_options.strFlashOutPath.c_str());
    }
}

SDeviceAction CDeviceSession::Reply(uint8_t nCode, uint8_t nStatus, std::string strLogLine) {
    SDeviceAction action;
    action.strLogLine = std::move(strLogLine) + Format(" status=%u", nStatus);
    if (m_options.bNeverAnswer) {
        action.strLogLine += " no-reply";
        return action;
    }
    ++m_nReplies;
    m_nReplyDelayMs += m_options.nReplyDelayMs;
    for (unsigned i = 0; i < m_options.nJunkBytes; ++i) {
        action.reply.push_back(kJunk[i % sizeof kJunk]);
    }
    const bool bLong = m_options.longReplies.count(m_nReplies) != 0;
    // A long reply claims 513 payload bytes, one more than a reply may carry.
    const uint8_t abFrame[4] = {static_cast<uint8_t>(nCode | 0x80 | 0x40),
                                bLong ? uint8_t{0x02} : uint8_t{0x00}, 0x01, nStatus};
    unsigned nSum = 0;
    for (uint8_t b : abFrame) {
        nSum += b;
        action.reply.push_back(b);
    }
    if (m_options.badChecksumReplies.count(m_nReplies) != 0) {
        ++nSum;
        action.strLogLine += " bad-checksum";
    }
    action.reply.push_back(static_cast<uint8_t>((nSum >> 8) & 0xFF));
    action.reply.push_back(static_cast<uint8_t>(nSum & 0xFF));
    if (bLong) {
        action.strLogLine += " long-reply";
    }
    if (m_options.nJunkBytes > 0) {
        action.strLogLine += Format(" junk=%u", m_options.nJunkBytes);
    }
    return action;
}

bool CDeviceSession::HangupDue() const {
    return m_options.nHangupAfterBlocks > 0 && m_nBlocksStored >= m_options.nHangupAfterBlocks;
}

std::string CDeviceSession::StatsLine() const {
    char szLine[200];
    std::snprintf(
        szLine, sizeof szLine, "STATS rx_bytes=%llu tx_bytes=%llu replies=%u reply_delay_ms=%llu",
        static_cast<unsigned long long>(m_nRxBytes), static_cast<unsigned long long>(m_nTxBytes),
        m_nReplies, static_cast<unsigned long long>(m_nReplyDelayMs));
    return szLine;
}
