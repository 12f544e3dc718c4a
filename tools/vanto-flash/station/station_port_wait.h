#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "tools/vanto-flash/stop_request.h"

// What one station port's thread waits on: the device file its COMn has now
// (set by the station's rescan), besides what a road of several devices
// waits on (the request to end, Raise, and the road's wake-ups). All under
// one lock; every wait returns at once once the station is ending.
class CStationPortWait : public CStopRequest {
public:
    // --- The station's thread ---
    // The device file COMn has now; "" when it has none.
    void SetDeviceFile(const std::string& strDevice);

    // --- The port's thread ---
    // Waits until COMn has a device file; that file, or "" once the station
    // is ending.
    std::string WaitForDeviceFile();
    // Waits for the given time, or less when the device file stops being
    // strDevice; false when the station is ending.
    bool Pause(std::chrono::milliseconds duration, const std::string& strDevice);
    std::string DeviceFile();
    // The signal the station is ending on; 0 while it runs.
    int StopSignal();

private:
    std::string m_strDevice;
};
