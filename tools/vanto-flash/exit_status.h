#pragma once

#include "link/result_codes.h"

// vanto-flash's exit statuses for a run.
inline constexpr int kExitUpdated = 0;
inline constexpr int kExitNoDevice = 1;
inline constexpr int kExitOtherStatus = 9;   // the device ended the run with a status of its own
inline constexpr int kExitSignalBase = 128;  // 128 + the signal that ended the run

// The exit status of a run that ended with nResult: 0, the failure's own
// code (3..8), or 9 for any other device status.
inline int ExitStatusFor(int nResult) {
    if (nResult == UPD_OK) {
        return kExitUpdated;
    }
    if (nResult >= UPD_CHECKSUM_ERROR && nResult <= UPD_FILE_ERROR) {
        return nResult;
    }
    return kExitOtherStatus;
}
