#pragma once

#include <string>
#include <vector>

// Another process that has a device file open.
struct SPortHolder {
    int nPid = 0;
    std::string strName;  // its command name, "ModemManager"
};

// The processes other than this one that hold the character device behind
// strDevice open (a symlink to it counts as the device). Only what this user
// may see: processes of other users are not listed unless we run as root.
// Empty when strDevice is not a character device.
std::vector<SPortHolder> FindPortHolders(const std::string& strDevice);

// "ModemManager (pid 812)", several joined by ", ".
std::string DescribePortHolders(const std::vector<SPortHolder>& holders);
