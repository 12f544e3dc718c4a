#pragma once

#include <memory>
#include <string>
#include <thread>

#include "tools/vanto-flash/device_road.h"
#include "tools/vanto-flash/station/station_listener.h"
#include "tools/vanto-flash/station/station_port_wait.h"
#include "tools/vanto-flash/station/station_row_output.h"
#include "tools/vanto-flash/update_file.h"

// One port of a station, on a thread of its own with its own road (its own
// application, engine and procedures: the road --all takes per device), so
// that one port's probing or update never holds up another's. Its thread
// goes round:
//   1. waits until COMn has a device file (the station's rescan says so);
//   2. scans COMn alone (the wizard's scan: the identify command up to six
//      times); no device: again after a pause;
//   3. a device answered: updates it once (the wizard's run), and the
//      listener gets the attempt's record;
//   4. waits until that device has gone, whatever the outcome: COMn lost its
//      device file, or a scan of COMn found no device (no answer to the
//      identify command for a few seconds). A device left connected is never
//      updated twice, and a failed one is tried again only once it has gone
//      and come back.
// The station ending stops the thread wherever it is; a transfer in progress
// is ended the wizard's way (CProcedureExit: the device told to discard it),
// and its record says so.
class CStationPort {
public:
    // Makes the road (its engine opens COM1 at start-up, as it always does;
    // it is closed again at once). Every load of the image reads the checked
    // file and must count exactly its blocks.
    CStationPort(int nPort, const SUpdateFile& file, bool bFileNamed, IStationListener& listener);
    // Stops the thread (as for SIGTERM) and waits for it.
    ~CStationPort();
    CStationPort(const CStationPort&) = delete;
    CStationPort& operator=(const CStationPort&) = delete;

    // Starts the port's thread; false when no thread could be started.
    bool Start();
    // The device file COMn has now ("" for none). Any thread.
    void SetDeviceFile(const std::string& strDevice) { m_wait.SetDeviceFile(strDevice); }
    // Ends the port's work (see above) for signal nSignal; returns at once.
    // Any thread.
    void RequestStop(int nSignal) { m_wait.Raise(nSignal); }
    // Waits until the port's thread has ended.
    void Join();

private:
    enum class EScan { Found, NoDevice, NotOpened, Stopped };

    void Run();
    // Scans COMn, opened as strDevice; *pstrCause: why it did not open.
    EScan Scan(const std::string& strDevice, std::string* pstrCause);
    // Updates the device on COMn, then tells the listener the attempt.
    void Update(const std::string& strDevice);
    // False when the station is ending first.
    bool WaitUntilGone(const std::string& strDevice);

    const int m_nPort;
    const SUpdateFile& m_file;
    IStationListener& m_listener;
    // The wait and the output before the road, which uses both.
    CStationPortWait m_wait;
    CStationRowOutput m_output;
    CDeviceRoad m_road;
    std::thread m_thread;
};
