#include "tools/vanto-devsim/frame_parser.h"

#include <algorithm>

namespace {

const uint8_t kFrameStart = 0x0A;
const size_t kHeaderLen = 4;    // start, code, length high, length low
const size_t kChecksumLen = 2;  // after the payload

}  // namespace

void CFrameParser::Feed(uint8_t nByte, std::vector<SCommandFrame>* pFrames) {
    if (m_pending.empty() && nByte != kFrameStart) {
        return;  // noise between frames
    }
    m_pending.push_back(nByte);
    Extract(pFrames);
}

void CFrameParser::Expire(std::vector<SCommandFrame>* pFrames) {
    while (!m_pending.empty()) {
        DropToNextStart(1);
        Extract(pFrames);
    }
    m_bResyncing = false;
}

void CFrameParser::DropToNextStart(size_t nFrom) {
    const auto itStart = std::find(m_pending.begin() + static_cast<std::ptrdiff_t>(nFrom),
                                   m_pending.end(), kFrameStart);
    m_pending.erase(m_pending.begin(), itStart);
}

void CFrameParser::Extract(std::vector<SCommandFrame>* pFrames) {
    ExtractFrames(pFrames);
    if (m_pending.empty()) {
        m_bResyncing = false;
    }
}

void CFrameParser::ExtractFrames(std::vector<SCommandFrame>* pFrames) {
    while (m_pending.size() >= kHeaderLen) {
        const size_t nPayloadLen = (size_t{m_pending[2]} << 8) | m_pending[3];
        if (nPayloadLen > kMaxPayload) {
            DropToNextStart(1);
            continue;
        }
        const size_t nFrameLen = kHeaderLen + nPayloadLen + kChecksumLen;
        if (m_pending.size() < nFrameLen) {
            return;
        }
        unsigned nSum = 0;
        for (size_t i = 0; i < kHeaderLen + nPayloadLen; ++i) {
            nSum += m_pending[i];
        }
        const unsigned nCarried =
            (unsigned{m_pending[nFrameLen - 2]} << 8) | m_pending[nFrameLen - 1];
        SCommandFrame frame;
        frame.nCode = m_pending[1];
        frame.payload.assign(
            m_pending.begin() + kHeaderLen,
            m_pending.begin() + static_cast<std::ptrdiff_t>(kHeaderLen + nPayloadLen));
        if ((nSum & 0xFFFFu) == nCarried) {
            pFrames->push_back(std::move(frame));
            m_pending.erase(m_pending.begin(),
                            m_pending.begin() + static_cast<std::ptrdiff_t>(nFrameLen));
            DropToNextStart(0);
            m_bResyncing = false;
        } else {
            // Only the frame that broke is reported, not the false starts
            // found inside it while searching for the next good one.
            if (!m_bResyncing) {
                frame.eKind = SCommandFrame::EKind::BadChecksum;
                pFrames->push_back(std::move(frame));
            }
            m_bResyncing = true;
            DropToNextStart(1);
        }
    }
}
