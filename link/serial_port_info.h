#pragma once

#include <string>

// What the system knows about a serial device, read from sysfs without
// opening the device: its kind, the USB device behind it and the stable
// /dev/serial/by-id name that udev gives it. Empty fields are unknown.
struct SSerialPortInfo {
    std::string strKernelName;    // "ttyUSB0": the device file's target's name
    std::string strKind;          // "USB serial", "USB ACM", "on-board UART", "pseudo-terminal"
    std::string strVendorId;      // "0403" (USB only)
    std::string strProductId;     // "6001"
    std::string strManufacturer;  // "FTDI"
    std::string strProduct;       // "FT232R USB UART"
    std::string strSerial;        // "A10K3XYZ"
    std::string strById;          // "/dev/serial/by-id/usb-FTDI_..."
};

// The information about strDevicePath (a device file or a link to one).
// Reads /sys/class/tty and /dev/serial/by-id; the environment variable
// VANTO_SYSFS_ROOT, when set, names a directory that stands in for "/" for
// both (tests give a made-up tree).
//
// On Windows strDevicePath is \\.\COMn (or COMn), strKernelName is the
// driver's device that Windows maps the name to ("\Device\Serial0"), empty
// when Windows does not know the port, and the names and USB ids are those of
// the Ports class device with that name: strProduct is its friendly name,
// "USB Serial Port (COM3)". There is no by-id name.
SSerialPortInfo DescribeSerialPort(const std::string& strDevicePath);
