#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One command frame as the device saw it on the line.
struct SCommandFrame {
    enum class EKind { Good, BadChecksum };
    EKind eKind = EKind::Good;
    uint8_t nCode = 0;
    std::vector<uint8_t> payload;
};

// The device's receiver for host command frames:
//   0x0A, code, length (2 bytes), payload, checksum (2 bytes), big-endian,
//   checksum = 16-bit sum of every byte before it, start byte included.
//
// Bytes before a start byte are line noise and are skipped. A frame whose
// checksum does not match is reported (so the device can log it) but never
// answered, and the bytes after its start byte are searched again for a
// frame: a 0x0A inside a broken frame's payload must not hide the host's next
// frame. A length above kMaxPayload cannot be a host frame and is treated the
// same way. The host writes each frame in one go, so a frame that stays
// incomplete while the line is idle is broken too: Expire() drops it.
class CFrameParser {
public:
    static constexpr size_t kMaxPayload = 512;

    // Adds one received byte; appends every frame it completes to *pFrames.
    void Feed(uint8_t nByte, std::vector<SCommandFrame>* pFrames);

    // The line went idle: gives up on the incomplete frame, if any, and
    // appends whatever frames the remaining bytes still hold.
    void Expire(std::vector<SCommandFrame>* pFrames);

    // True while received bytes wait for the rest of their frame.
    bool HasPending() const { return !m_pending.empty(); }

private:
    // Takes complete frames off the front of m_pending.
    void Extract(std::vector<SCommandFrame>* pFrames);
    void ExtractFrames(std::vector<SCommandFrame>* pFrames);
    void DropToNextStart(size_t nFrom);

    std::vector<uint8_t> m_pending;  // starts with 0x0A when not empty
    bool m_bResyncing = false;       // searching on after a bad frame
};
