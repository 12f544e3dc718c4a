// The platform-independent members of CComPort.

#include "link/com_port.h"

int CComPort::ReopenIfFailed() {
    uint8_t n = PortNumber();
    if (n != 0 && !HasFailed()) {
        return 1;
    }
    if (n == 0) {
        n = m_nPortToReopen.load();  // an earlier reopen failed: try again
    }
    if (n == 0) {
        return 0;
    }
    Close();
    if (Open(n) == 1) {
        return 1;
    }
    m_nPortToReopen.store(n);
    return 0;
}
