#pragma once

#include <cstdint>

// The device's reply to one command, taken one byte at a time. It does no
// I/O and knows no clock: the engine reads the port and keeps the time-outs,
// and feeds every byte that comes here.
//
// A reply is a code (the command with bit 0x80, and bit 0x40 when a status
// byte leads the payload), a big-endian length of 0..512, the payload and a
// big-endian 16-bit sum of code, length and payload. Bytes before the code
// awaited are skipped and do not count in the sum. With bit 0x40 and a length
// other than 0 the payload read is the status byte alone, whatever the length
// says; with length 0 there is no status.
class CReplyReceiver {
public:
    // What one byte did.
    enum class EStep {
        Skipped,    // hunting, and not the code awaited: dropped
        Taken,      // a byte of the reply; more must come
        Accepted,   // the last byte, and the sum matches: the reply is whole
        Malformed,  // a length above 512 (at once, the rest unread) or a wrong sum
    };

    static constexpr uint16_t kMaxPayload = 512;

    // Begins a reply to command nCommand: hunting, no status (Status() is 1).
    void Start(uint8_t nCommand);

    // Takes the next byte from the line. Returns what it did; after Accepted
    // or Malformed the receiver is Over and takes no byte until Start.
    EStep Feed(uint8_t b);

    // The fewest bytes that could still complete the reply from here: a
    // reader may ask the line for this many without reading past the reply's
    // end. 0 once Over.
    int BytesStillNeeded() const;

    // The device status the reply carried; 1 when it carried none.
    uint8_t Status() const { return m_nStatus; }

private:
    // The parts of a reply, in the order its bytes come; Over once a reply
    // was accepted or found malformed.
    enum class EState { Hunting, LengthHigh, LengthLow, Payload, ChecksumHigh, ChecksumLow, Over };

    EState m_eState = EState::Over;
    uint8_t m_nCommand = 0;
    bool m_bStatusPresent = false;
    uint8_t m_nStatus = 1;
    uint16_t m_nLength = 0;
    uint16_t m_nIndex = 0;     // payload bytes read
    uint16_t m_nSum = 0;       // of code, length and payload, mod 65536
    uint16_t m_nChecksum = 0;  // as the reply states it
};
