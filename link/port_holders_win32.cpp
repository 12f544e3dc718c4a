// Windows opens a COM port for one handle only, and a refused open says so
// (ERROR_ACCESS_DENIED): who holds the port is not something the system tells
// a program without special rights, so no holders are named.
#include "link/port_holders.h"

std::vector<SPortHolder> FindPortHolders(const std::string& /*strDevice*/) {
    return {};
}
