#pragma once

#include <cstdint>
#include <string>

#include "tools/vanto-flash/station/attempt_record.h"

// What a station port is doing, as its row shows it.
enum class EPortState {
    Waiting,   // no device file, or one that does not open (the row says why)
    Probing,   // the port is open and asked for a device with the identify command
    Updating,  // a device answered: its update runs
    Done,      // the device was updated; the port waits for it to go
    Failed,    // the update failed; the port waits for the device to go
    Gone,      // the device went (the port vanished, or it stopped answering)
};

// What the ports of a station tell the station: from each port's own thread,
// and from the threads of its procedures. Calls for one port come one at a
// time and in order; calls for different ports come at the same time.
class IStationListener {
public:
    virtual ~IStationListener() = default;

    // COMn (device file strDevice, "" when it has none) is now in eState;
    // strDetail says more where there is more to say: why a port is waiting,
    // a failure's text.
    virtual void PortState(int nPort, const std::string& strDevice, EPortState eState,
                           const std::string& strDetail) = 0;
    // The update on COMn has nBlocksSent of nBlockTotal blocks acknowledged.
    virtual void Progress(int nPort, uint32_t nBlocksSent, int nBlockTotal) = 0;
    // An update attempt is over: what it did, with the exit status it stands
    // for in record.report.nExitStatus (0 updated, else as for a run of one
    // device: 3..9, 128 + a signal). Before the port's next state.
    virtual void AttemptEnded(const SAttemptRecord& record) = 0;
};
