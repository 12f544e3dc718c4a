#pragma once

#include <string>

// Fixed texts of the pages and the sheet. Line breaks are "\r\n", as the device's
// update kit has always written them; the Qt controls turn them into breaks.

// The introduction is built from six pieces, in this order. Every blank
// counts: four leading blanks on the step lines, two after "device." and
// after each step's colon, one before the break after "Scan the device.",
// two after the closing quote of "Update Mode".
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

// The exit question of the wizard.
inline constexpr const char* kExitQuestion = "Are you sure you want to exit ?";
inline constexpr const char* kExitCaption = "Cancel Installation";

// The programming page's answer to a Start press while a scan still holds
// the port (the user went on with Next during a scan).
inline constexpr const char* kScanStillRunning =
    "The device scan was still running.\r\nPlease start again once it has ended.";

// The cabling picture, read from the working directory.
inline constexpr const char* kCablingPicture = "kst_PC.bmp";
