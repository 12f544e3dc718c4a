// The VANTO_COM_PORTS list, the same on every platform.
#include <string>

#include "link/com_port_map.h"

std::string ComPortPathFromList(const std::string& strList, int n) {
    if (n < 1 || n > kMaxComPort) {
        return "";
    }
    size_t nBegin = 0;
    for (int i = 1; i < n; ++i) {
        const size_t nColon = strList.find(':', nBegin);
        if (nColon == std::string::npos) {
            return "";  // past the end of the list
        }
        nBegin = nColon + 1;
    }
    const size_t nEnd = strList.find(':', nBegin);
    return strList.substr(nBegin, nEnd == std::string::npos ? std::string::npos : nEnd - nBegin);
}
