// How a port's holders are named in a log line, on every platform.
#include "link/port_holders.h"

std::string DescribePortHolders(const std::vector<SPortHolder>& holders) {
    std::string strText;
    for (const SPortHolder& holder : holders) {
        strText += (strText.empty() ? "" : ", ") + holder.strName + " (pid " +
                   std::to_string(holder.nPid) + ")";
    }
    return strText;
}
