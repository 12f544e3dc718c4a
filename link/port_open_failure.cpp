#include "link/port_open_failure.h"

#include "link/system_error_text.h"

std::string DescribeOpenFailure(const SPortOpenFailure& failure) {
    switch (failure.eKind) {
        case EPortOpenFailure::None:
        case EPortOpenFailure::NoSuchPort:
            return "";
        case EPortOpenFailure::PermissionDenied:
            return "permission denied (add your user to the dialout group, then log in again)";
        case EPortOpenFailure::InUse:
            return failure.strHolder.empty() ? "in use by another program"
                                             : "in use by " + failure.strHolder;
        case EPortOpenFailure::NotASerialPort:
            return "not a serial port";
        case EPortOpenFailure::SystemConsole:
            return "the system console, never used for the device";
        case EPortOpenFailure::Other:
            break;
    }
    return failure.nErrno != 0 ? SystemErrorText(failure.nErrno)
                               : std::string("the line settings did not take");
}
