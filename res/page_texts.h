#pragma once

#include <string>

// Every fixed text the pages and the sheet show, in one table that the Qt
// wizard, the Win32 wizard and vanto-flash all read. Line breaks are "\r\n";
// the Qt controls and the terminal turn them into their own breaks. Every
// blank counts.

// --- Welcome page (template 129) ---
// The introduction is built from six pieces, in this order: four leading
// blanks on the step lines, two after "device." and after each step's colon,
// one before the break after "Scan the device.", two after the closing quote
// of "Update Mode".
inline constexpr const char* kIntroPieces[6] = {
    "This Wizard will guide you through procedures of programming VANTO device.  There are 3 "
    "easy steps:\r\n\r\n",
    "    Step 1:  Setup serial connection between PC and the device.\r\n",
    "    Step 2:  Scan the device. \r\n",
    "    Step 3:  Programming the Device.\r\n",
    "\r\nYou should connect the Device to the computer and place the Device in \"Update Mode\".  ",
    "Refer to the instruction manual for details.\r\n\r\n",
};

inline std::string BuildIntroText() {
    std::string strText;
    for (const char* pszPiece : kIntroPieces) {
        strText += pszPiece;
    }
    return strText;
}

// --- Setup page (template 130) ---
inline constexpr const char* kSetupTitle = "Setup Serial Connection";
inline constexpr const char* kSetupStep1 =
    "1, Connect serial cable between COM ports on PC\r\n   and device.";
inline constexpr const char* kSetupStep2 = "2, Power on the device and enter update mode.";
inline constexpr const char* kSetupStep3 = "3, Press the below button to scan the device.";
// The scan button: idle, and while a scan runs.
inline constexpr const char* kScanButton = "Scan Device";
inline constexpr const char* kStopButton = "Stop";
// The status label: on the press, once the scan runs, and its two outcomes
// (the quotes around Next are part of the text, with a blank inside each).
inline constexpr const char* kScanPressed =
    "Connecting device...\r\nMake sure device is in update mode";
inline constexpr const char* kScanRunning = "Connecting device...";
inline constexpr const char* kDeviceFound = "The device is found, Press \" Next \" to continue";
inline constexpr const char* kDeviceNotFound =
    "Is the device power on and in update mode?\r\nIs cable connection is good?";
// The scan log: one line per port. A port that opens gets its number first
// and its outcome once the identify calls are over.
inline constexpr const char* kLogPortNotAvailable = "COM Port%d--Not Available\r\n";
inline constexpr const char* kLogPortOpened = "COM Port%d--";
inline constexpr const char* kLogDeviceFound = "Device Found\r\n";
inline constexpr const char* kLogDeviceNotFound = "Device Not Found\r\n";

// Why a port that is there could not be used: the line after its device
// file in the scan log (and in vanto-flash), then the advice, a line each.
// %s: the device file's group, or its mode, owner and group as ls shows them
// ("crw-rw---- root dialout").
inline constexpr const char* kPortPermissionDenied = "permission denied";
inline constexpr const char* kPortNotInGroup =
    "permission denied: only group %s may open it, and you are not in it";
inline constexpr const char* kPortJoinGroup =
    "sudo usermod -aG %s $USER, then log out and in again";
inline constexpr const char* kPortJoinedAfterLogin =
    "permission denied: you joined group %s after this login";
inline constexpr const char* kPortRenewLogin =
    "log out and in again, or start it from a shell opened with \"newgrp %s\"";
inline constexpr const char* kPortOtherUsersTerminal =
    "permission denied: the terminal of another user (%s)";
inline constexpr const char* kPortModeKeepsOut = "permission denied by its mode and owner: %s";
inline constexpr const char* kPortUdevRule =
    "a USB adapter needs no group with the udev rule of the packages: plug it in again";
inline constexpr const char* kPortInUse = "in use by another program";
inline constexpr const char* kPortInUseBy = "in use by %s";
inline constexpr const char* kPortNotSerial = "not a serial port";
inline constexpr const char* kPortSystemConsole = "the system console, never used for the device";
inline constexpr const char* kPortSettingsRefused = "the line settings did not take";
// Below the two lines of kDeviceNotFound when a port was there but could not
// be used: its number and the cause in short (the log has the rest).
inline constexpr const char* kStatusPortUnusable = "COM%d could not be used: %s";
inline constexpr const char* kShortPermissionDenied = "permission denied";
inline constexpr const char* kShortInUse = "in use";
inline constexpr const char* kShortNotSerial = "not a serial port";
inline constexpr const char* kShortSystemConsole = "the system console";
inline constexpr const char* kShortOther = "see the log";

// --- Programming page (template 132) ---
inline constexpr const char* kProgReady = "Ready to update the device now.";
inline constexpr const char* kProgRunning = "Programming In Process, Please Wait...";
// Minutes within the hour and seconds, both without leading zeros.
inline constexpr const char* kElapsedTimeFormat = "Elapse Time: %ld:%ld";
// The programming page's answer to a Start press while a scan still holds
// the port (the user went on with Next during a scan).
inline constexpr const char* kScanStillRunning =
    "The device scan was still running.\r\nPlease start again once it has ended.";

// The outcome of a run: the message box's caption and the text of each
// result that has one (the result box and the status label show the same).
inline constexpr const char* kResultCaption = "VANTO Updating";
inline constexpr const char* kResultUpdated = "The device has been updated successfully";
inline constexpr const char* kResultChecksumError =
    "Over All Checksum Error\r\nPlease restart programming";
inline constexpr const char* kResultFlashAddressError = "Flash Address Error";
inline constexpr const char* kResultPortWriteFailed = "COM port transmission failed. Please retry.";
inline constexpr const char* kResultNoResponse =
    "Could not get response from the device.\r\n"
    "Please check cable connection and power supply and retry\r\n";
inline constexpr const char* kResultTransmissionError =
    "Data transmission error. Please restart programming";
inline constexpr const char* kResultFileError =
    "Update file not found or may be crashed.\r\nTask can not continue";
// Below kResultFileError in the status label when the Start press found no
// usable update file: the folder it was looked for in (the home folder as
// "~", a long name cut at its front to "...").
inline constexpr const char* kResultLookedIn = "Looked in %s";

// --- The sheet ---
// The exit question of the wizard.
inline constexpr const char* kExitQuestion = "Are you sure you want to exit ?";
inline constexpr const char* kExitCaption = "Cancel Installation";

// The cabling picture, read from the working directory.
inline constexpr const char* kCablingPicture = "kst_PC.bmp";
