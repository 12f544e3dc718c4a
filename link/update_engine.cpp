// CUpdateEngine, the device link: construction, command frames, the reply
// receiver, the exchange with one retry, and the complete commands. The
// update image it sends is read by the block source (image/).

#include "link/update_engine.h"

#include <cstring>

#include "link/tick.h"

namespace {

constexpr uint8_t kFrameStart = 0x0A;
constexpr uint16_t kMaxReplyLen = 512;
constexpr uint8_t kReplyBit = 0x80;   // set in every reply code
constexpr uint8_t kStatusBit = 0x40;  // set when a status byte leads the payload
constexpr uint32_t kEmptyReadPauseMs = 100;

constexpr uint8_t kIdentifyText[5] = {'V', 'A', 'N', 'T', 'O'};

// Reply time-outs, milliseconds, measured from the start of the receive.
constexpr uint32_t kIdentifyTimeoutMs = 200;
constexpr uint32_t kWriteBlockTimeoutMs = 1500;
constexpr uint32_t kFinishTimeoutMs = 800;

// Device status values with a meaning of their own.
constexpr uint8_t kStatusDone = 1;

// The six states of the reply receiver, in the order a reply's bytes come.
enum class RxState { Hunting, LengthHigh, LengthLow, Payload, ChecksumHigh, ChecksumLow };

void PutBig32(uint8_t* p, uint32_t dw) {
    p[0] = static_cast<uint8_t>(dw >> 24);
    p[1] = static_cast<uint8_t>(dw >> 16);
    p[2] = static_cast<uint8_t>(dw >> 8);
    p[3] = static_cast<uint8_t>(dw);
}

}  // namespace

CUpdateEngine::CUpdateEngine() {
    // Link fields; the others get their values before they are first read.
    m_nFrameLen = 0;
    m_nReplyLen = 0;
    m_nSequence = 0;
    m_dwAddress = 0;
    m_pPort = std::make_unique<CComPort>();
    // The application starts with COM1 open when COM1 exists and is free, and
    // with no port otherwise; the scan opens ports by itself.
    m_pPort->Open(1);
}

CUpdateEngine::~CUpdateEngine() = default;

void CUpdateEngine::BuildFrame(uint8_t nCode) {
    m_nFrameLen = 0;
    m_txFrame[0] = kFrameStart;
    m_txFrame[1] = nCode;
    m_txFrame[2] = 0;
    m_txFrame[3] = 0;
    uint8_t* pPayload = m_txFrame + 4;
    uint16_t nPayload = 0;
    switch (nCode) {
        case CMD_IDENTIFY:
            std::memcpy(pPayload, kIdentifyText, sizeof kIdentifyText);
            nPayload = sizeof kIdentifyText;
            m_nReplyTimeout = kIdentifyTimeoutMs;
            break;
        case CMD_WRITE_BLOCK:
            pPayload[0] = m_nSequence;
            pPayload[1] = static_cast<uint8_t>(0xFF - m_nSequence);
            PutBig32(pPayload + 2, m_dwAddress);
            // The byte total grows here, once per block built: a resend of
            // the same frame adds nothing. Fill bytes count like any others.
            for (int i = 0; i < 256; ++i) {
                pPayload[6 + i] = m_blockData[i];
                m_dwByteTotal += m_blockData[i];
            }
            nPayload = 6 + 256;
            m_nReplyTimeout = kWriteBlockTimeoutMs;
            break;
        case CMD_FINISH:
            if (m_bFinishOk != 0) {
                pPayload[0] = 'O';
                PutBig32(pPayload + 1, m_dwByteTotal);
                nPayload = 5;
            } else {
                pPayload[0] = 'C';
                nPayload = 1;
            }
            m_nReplyTimeout = kFinishTimeoutMs;
            break;
        default:
            break;  // no other command is ever built: an empty payload
    }
    m_nExpectedCode = nCode;
    m_txFrame[2] = static_cast<uint8_t>(nPayload >> 8);
    m_txFrame[3] = static_cast<uint8_t>(nPayload);
    uint16_t nSum = 0;  // carries above bit 15 drop out
    for (int i = 0; i < 4 + nPayload; ++i) {
        nSum = static_cast<uint16_t>(nSum + m_txFrame[i]);
    }
    m_txFrame[4 + nPayload] = static_cast<uint8_t>(nSum >> 8);
    m_txFrame[5 + nPayload] = static_cast<uint8_t>(nSum);
    m_nFrameLen = static_cast<uint16_t>(nPayload + 6);
}

int CUpdateEngine::ReceiveReply() {
    m_nStatus = kStatusDone;
    std::memset(m_rxPayload, 0, sizeof m_rxPayload);
    const uint32_t dwStart = TickMs();
    const auto timedOut = [this, dwStart] {
        return static_cast<uint32_t>(TickMs() - dwStart) > m_nReplyTimeout;
    };
    uint16_t nSum = 0;
    uint16_t nIndex = 0;
    uint16_t nChecksum = 0;
    RxState state = RxState::Hunting;
    for (;;) {
        uint8_t b = 0;
        if (m_pPort->ReadByte(&b) == 0) {
            // A port closed meanwhile (the user left the program) or whose
            // device went away (an adapter pulled) can bring nothing more:
            // give up now instead of waiting out the time-out.
            if (!m_pPort->IsOpen() || m_pPort->HasFailed()) {
                return UPD_NO_RESPONSE;
            }
            PauseMs(kEmptyReadPauseMs);
            if (timedOut()) {
                return UPD_NO_RESPONSE;
            }
            continue;
        }
        if (state != RxState::ChecksumHigh && state != RxState::ChecksumLow) {
            nSum = static_cast<uint16_t>(nSum + b);
        }
        switch (state) {
            case RxState::Hunting:
                m_bStatusPresent = (b & kStatusBit) != 0 ? 1 : 0;
                if (static_cast<uint8_t>(b & ~kStatusBit) == (m_nExpectedCode | kReplyBit)) {
                    nSum = b;  // bytes skipped before the reply code do not count
                    state = RxState::LengthHigh;
                } else if (timedOut()) {
                    // A line that keeps delivering foreign bytes ends too.
                    return UPD_NO_RESPONSE;
                }
                break;
            case RxState::LengthHigh:
                m_nReplyLen = static_cast<uint16_t>(b << 8);
                state = RxState::LengthLow;
                break;
            case RxState::LengthLow:
                m_nReplyLen = static_cast<uint16_t>(m_nReplyLen + b);
                if (m_nReplyLen == 0) {
                    state = RxState::ChecksumHigh;
                } else if (m_nReplyLen > kMaxReplyLen) {
                    // The rest of this reply is dropped by the next write's purge.
                    return UPD_TRANSMISSION_ERROR;
                } else {
                    state = RxState::Payload;
                }
                break;
            case RxState::Payload:
                m_rxPayload[nIndex++] = b;
                if (nIndex == 1 && m_bStatusPresent != 0) {
                    // With the status bit the payload read is the status byte
                    // alone, whatever the length field says.
                    m_nStatus = b;
                    state = RxState::ChecksumHigh;
                } else if (nIndex >= m_nReplyLen) {
                    state = RxState::ChecksumHigh;
                }
                break;
            case RxState::ChecksumHigh:
                nChecksum = static_cast<uint16_t>(b << 8);
                state = RxState::ChecksumLow;
                break;
            case RxState::ChecksumLow:
                nChecksum = static_cast<uint16_t>(nChecksum + b);
                return nChecksum == nSum ? UPD_OK : UPD_TRANSMISSION_ERROR;
        }
    }
}

int CUpdateEngine::SendCommand() {
    int nResult = UPD_PORT_WRITE_FAILED;
    m_bRefused = false;
    // Two attempts with the identical frame: it is not built again, so the
    // device sees the same sequence number, address and byte total, and can
    // tell a resend after a lost reply from a new block.
    for (int nAttempt = 0; nAttempt < 2; ++nAttempt) {
        if (m_pPort->Write(m_txFrame, m_nFrameLen) == 0) {
            continue;  // the result stays that of the attempt before
        }
        NoteFrameSent();
        nResult = ReceiveReply();
        m_bRefused = nResult == UPD_OK && m_nStatus != kStatusDone;
        if (nResult != UPD_OK) {
            continue;
        }
        if (m_nStatus == kStatusDone) {
            return UPD_OK;
        }
        if (m_nStatus == UPD_CHECKSUM_ERROR || m_nStatus == UPD_FLASH_ADDRESS_ERROR) {
            return m_nStatus;  // the device's verdict: asking again cannot change it
        }
        nResult = m_nStatus;  // any other status is a failed attempt
    }
    return nResult;
}

int CUpdateEngine::Identify() {
    BuildFrame(CMD_IDENTIFY);
    return SendCommand();
}

int CUpdateEngine::Finish(uint8_t bOk) {
    m_bFinishOk = bOk;
    BuildFrame(CMD_FINISH);
    return SendCommand();
}

int CUpdateEngine::AbortTransfer() {
    m_bFinishOk = 0;
    BuildFrame(CMD_FINISH);
    // Once only: the user is leaving, and a device that does not answer the
    // first time is left to its own time-out.
    if (m_pPort->Write(m_txFrame, m_nFrameLen) == 0) {
        return UPD_PORT_WRITE_FAILED;
    }
    NoteFrameSent();
    const int nResult = ReceiveReply();
    if (nResult != UPD_OK) {
        return nResult;
    }
    return m_nStatus == kStatusDone ? UPD_OK : m_nStatus;
}

// A block that has left may have reached the device even when no reply came
// back; a finish of either form, answered or not, is the device's last word.
void CUpdateEngine::NoteFrameSent() {
    if (m_nExpectedCode == CMD_WRITE_BLOCK) {
        m_bTransferOpen = true;
    } else if (m_nExpectedCode == CMD_FINISH) {
        m_bTransferOpen = false;
    }
}

bool CUpdateEngine::LoadUpdateImage() {
    // What a programming run counts as it sends blocks starts again.
    m_bTransferOpen = false;
    m_nBlocksSent = 0;
    m_nSequence = 0;
    m_dwAddress = 0;
    m_dwByteTotal = 0;
    const bool bLoaded = m_strChosenFile.empty() ? m_image.LoadUpdateImage()
                                                 : m_image.LoadUpdateImageFile(
                                                       m_strChosenFile.c_str(), m_nChosenFormat);
    if (bLoaded && m_bImageExpected && !(m_image.m_countDigest == m_expectedImage)) {
        // The file changed since it was checked: not the image that was meant.
        m_image.CloseUpdateImage();
        return false;
    }
    return bLoaded;
}
