#pragma once

#include <string>
#include <vector>

#include "link/port_open_failure.h"

// A refused open as the front ends tell it (the wizards' scan log and status
// label, vanto-flash's lines), from the facts the port gathered. Texts from
// res/page_texts.h.

// The cause in a few words, for the line after the device file: "permission
// denied: only group dialout may open it, and you are not in it", "in use by
// ModemManager (pid 812)", "not a serial port". "" for None and NoSuchPort.
std::string DescribeOpenFailure(const SPortOpenFailure& failure);

// What the user can do about it, one line each, with no line break: joining
// the device's group, renewing the login, the udev rule for a USB adapter.
// Empty when there is nothing to add to the cause.
std::vector<std::string> OpenFailureAdvice(const SPortOpenFailure& failure);

// The cause in short for the status label, after "COMn could not be used: "
// ("permission denied", "in use"); "" for None and NoSuchPort.
std::string ShortOpenFailure(const SPortOpenFailure& failure);

// The permission bits as ls shows a character device's, with its owner and
// group: "crw-rw---- root dialout".
std::string DescribeDeviceMode(const SDeviceAccess& access);
