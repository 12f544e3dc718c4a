#include "link/reply_receiver.h"

namespace {

constexpr uint8_t kReplyBit = 0x80;   // set in every reply code
constexpr uint8_t kStatusBit = 0x40;  // set when a status byte leads the payload
constexpr int kChecksumBytes = 2;

}  // namespace

void CReplyReceiver::Start(uint8_t nCommand) {
    m_eState = EState::Hunting;
    m_nCommand = nCommand;
    m_bStatusPresent = false;
    m_nStatus = 1;
    m_nLength = 0;
    m_nIndex = 0;
    m_nSum = 0;
    m_nChecksum = 0;
}

CReplyReceiver::EStep CReplyReceiver::Feed(uint8_t b) {
    if (m_eState != EState::ChecksumHigh && m_eState != EState::ChecksumLow) {
        m_nSum = static_cast<uint16_t>(m_nSum + b);  // the checksum bytes never count
    }
    switch (m_eState) {
        case EState::Hunting:
            m_bStatusPresent = (b & kStatusBit) != 0;
            if (static_cast<uint8_t>(b & ~kStatusBit) != (m_nCommand | kReplyBit)) {
                return EStep::Skipped;  // a stray byte, or the reply of another command
            }
            m_nSum = b;  // bytes skipped before the reply code do not count
            m_eState = EState::LengthHigh;
            return EStep::Taken;
        case EState::LengthHigh:
            m_nLength = static_cast<uint16_t>(b << 8);
            m_eState = EState::LengthLow;
            return EStep::Taken;
        case EState::LengthLow:
            m_nLength = static_cast<uint16_t>(m_nLength + b);
            if (m_nLength > kMaxPayload) {
                // Nothing more of this reply is read: the next frame's purge
                // drops the rest.
                m_eState = EState::Over;
                return EStep::Malformed;
            }
            m_eState = m_nLength == 0 ? EState::ChecksumHigh : EState::Payload;
            return EStep::Taken;
        case EState::Payload:
            ++m_nIndex;
            if (m_nIndex == 1 && m_bStatusPresent) {
                m_nStatus = b;  // the status byte alone, whatever the length says
                m_eState = EState::ChecksumHigh;
            } else if (m_nIndex >= m_nLength) {
                m_eState = EState::ChecksumHigh;
            }
            return EStep::Taken;
        case EState::ChecksumHigh:
            m_nChecksum = static_cast<uint16_t>(b << 8);
            m_eState = EState::ChecksumLow;
            return EStep::Taken;
        case EState::ChecksumLow:
            m_nChecksum = static_cast<uint16_t>(m_nChecksum + b);
            m_eState = EState::Over;
            return m_nChecksum == m_nSum ? EStep::Accepted : EStep::Malformed;
        case EState::Over:
            break;
    }
    return EStep::Malformed;  // fed after the end: nothing to take it
}

int CReplyReceiver::BytesStillNeeded() const {
    switch (m_eState) {
        case EState::Hunting:
            return 3 + kChecksumBytes;  // code, length, no payload
        case EState::LengthHigh:
            return 2 + kChecksumBytes;
        case EState::LengthLow:
            return 1 + kChecksumBytes;
        case EState::Payload:
            return (m_bStatusPresent ? 1 : m_nLength - m_nIndex) + kChecksumBytes;
        case EState::ChecksumHigh:
            return 2;
        case EState::ChecksumLow:
            return 1;
        case EState::Over:
            break;
    }
    return 0;
}
