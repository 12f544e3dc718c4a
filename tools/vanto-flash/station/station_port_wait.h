#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "tools/vanto-flash/road_wait.h"

// What one station port's thread waits on: the device file its COMn has now
// (set by the station's rescan), the station's request to end, and, while a
// procedure runs on the port's road, the road's wake-ups. All under one
// lock; every wait returns at once once the station is ending.
class CStationPortWait : public IRoadWait {
public:
    // --- The station's thread ---
    // The device file COMn has now; "" when it has none.
    void SetDeviceFile(const std::string& strDevice);
    // The station is ending on signal nSignal (never 0): every wait returns.
    void RequestStop(int nSignal);

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

    // --- IRoadWait (the port's road) ---
    int WaitForStopOrWake() override;
    void Wake() override;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_nStopSignal = 0;
    bool m_bWoken = false;
    std::string m_strDevice;
};
