// CUpdateEngine, the device link: construction, command frames, the wait for
// a reply (whose bytes CReplyReceiver takes), the exchange with one retry,
// and the complete commands. The update image it sends is read by the block
// source (image/).

#include "link/update_engine.h"

#include <cstring>

#include "link/tick.h"

namespace {

constexpr uint8_t kFrameStart = 0x0A;
constexpr uint32_t kEmptyReadPauseMs = 100;
// The longest reply: code, length, 512 payload bytes, checksum.
constexpr int kMaxReplyBytes = 3 + CReplyReceiver::kMaxPayload + 2;

constexpr uint8_t kIdentifyText[5] = {'V', 'A', 'N', 'T', 'O'};

// Reply time-outs, milliseconds, measured from the start of the receive.
constexpr uint32_t kIdentifyTimeoutMs = 200;
constexpr uint32_t kWriteBlockTimeoutMs = 1500;
constexpr uint32_t kFinishTimeoutMs = 800;

// Device status values with a meaning of their own.
constexpr uint8_t kStatusDone = 1;

void PutBig32(uint8_t* p, uint32_t dw) {
    p[0] = static_cast<uint8_t>(dw >> 24);
    p[1] = static_cast<uint8_t>(dw >> 16);
    p[2] = static_cast<uint8_t>(dw >> 8);
    p[3] = static_cast<uint8_t>(dw);
}

}  // namespace

CUpdateEngine::CUpdateEngine() : m_pPort(std::make_unique<CComPort>()) {
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

// The receiver takes the bytes; this loop only waits for them. It asks the
// port for no more bytes than could still complete the reply, so nothing
// after a whole reply is taken off the line (what follows is left to the
// next write's purge), and a reply usually comes in one or two reads.
int CUpdateEngine::ReceiveReply() {
    m_receiver.Start(m_nExpectedCode);
    const uint32_t dwStart = TickMs();
    const auto timedOut = [this, dwStart] {
        return static_cast<uint32_t>(TickMs() - dwStart) > m_nReplyTimeout;
    };
    uint8_t abBytes[kMaxReplyBytes];
    for (;;) {
        const int nRead = m_pPort->Read(abBytes, m_receiver.BytesStillNeeded());
        if (nRead == 0) {
            // A port closed meanwhile (the user left the program) or whose
            // device went away (an adapter pulled) can bring nothing more:
            // give up now instead of waiting out the time-out.
            if (!m_pPort->IsOpen() || m_pPort->HasFailed()) {
                return EndReply(UPD_NO_RESPONSE);
            }
            PauseMs(kEmptyReadPauseMs);
            if (timedOut()) {
                return EndReply(UPD_NO_RESPONSE);
            }
            continue;
        }
        for (int i = 0; i < nRead; ++i) {
            switch (m_receiver.Feed(abBytes[i])) {
                case CReplyReceiver::EStep::Skipped:
                    if (timedOut()) {
                        return EndReply(UPD_NO_RESPONSE);  // a line that keeps chattering ends too
                    }
                    break;
                case CReplyReceiver::EStep::Taken:
                    break;
                case CReplyReceiver::EStep::Accepted:
                    return EndReply(UPD_OK);
                case CReplyReceiver::EStep::Malformed:
                    return EndReply(UPD_TRANSMISSION_ERROR);
            }
        }
    }
}

// The status byte counts once it was read, even in a reply whose sum then
// fails.
int CUpdateEngine::EndReply(int nResult) {
    m_nStatus = m_receiver.Status();
    if (ILineObserver* pObserver = m_pPort->Observer()) {
        pObserver->ReplyEnded(nResult);
    }
    return nResult;
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
