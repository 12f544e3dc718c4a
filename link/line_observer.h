#pragma once

#include <cstddef>
#include <cstdint>

// What passes over the device link, reported where the bytes are written and
// read, so that a trace of the line (vanto-flash -v) shows what really went
// each way: every attempt of a command, replies as they came, stray bytes.
//
// The port and the engine call in on the thread that uses them, at the moment
// it happens; an observer must not call back into either. Without an observer
// nothing of this is done.
class ILineObserver {
public:
    virtual ~ILineObserver() = default;

    // Bytes the device had sent that nobody read, thrown away by the purge
    // before a frame is written.
    virtual void Purged(const uint8_t* pBytes, size_t nCount) = 0;
    // A frame handed to the line, reported once the write is over; bWhole
    // when every byte went out.
    virtual void Written(const uint8_t* pBytes, size_t nCount, bool bWhole) = 0;
    // Bytes as one read took them from the line.
    virtual void Received(const uint8_t* pBytes, size_t nCount) = 0;
    // The engine's wait for a reply is over with nResult (UPD_OK,
    // UPD_NO_RESPONSE or UPD_TRANSMISSION_ERROR): the bytes received since
    // the frame was written were all that this reply got.
    virtual void ReplyEnded(int nResult) = 0;
};
