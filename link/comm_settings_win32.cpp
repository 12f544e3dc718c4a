#include "link/comm_settings_win32.h"

COMMTIMEOUTS LinkTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = kReadMsPerByte;
    timeouts.ReadTotalTimeoutConstant = kReadConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    return timeouts;
}

DCB LinkDcb(const DCB& original) {
    DCB dcb = original;
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_38400;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    return dcb;
}

bool LinkDcbTook(const DCB& dcb) {
    return dcb.BaudRate == CBR_38400 && dcb.ByteSize == 8 && dcb.Parity == NOPARITY &&
           dcb.StopBits == ONESTOPBIT && !dcb.fOutxCtsFlow && !dcb.fOutxDsrFlow && !dcb.fOutX &&
           !dcb.fInX;
}
