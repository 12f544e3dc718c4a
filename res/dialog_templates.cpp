#include "res/dialog_template.h"

#include <array>

namespace {

constexpr uint32_t V = WS_VISIBLE;

// Welcome page: title, introduction text box and hint line.
constexpr std::array kWelcomeControls{
    CONTROL_TEMPLATE{IDC_WELCOME_TITLE, ControlKind::Static, 27, 18, 336, 19,
                     V | WS_GROUP | SS_CENTER | SS_CENTERIMAGE, 0, "VANTO Software Update Utility"},
    CONTROL_TEMPLATE{IDC_WELCOME_HINT, ControlKind::Static, 27, 215, 163, 18,
                     V | WS_GROUP | SS_LEFT | SS_CENTERIMAGE, 0, "Click \"Next\" to Continue."},
    // Read-only, no border, no scroll bar, not reachable with Tab.
    CONTROL_TEMPLATE{IDC_WELCOME_INTRO, ControlKind::Edit, 27, 39, 351, 154,
                     V | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_READONLY, 0, ""},
};

// Setup page: title, three steps, scan button, status, scan log and picture.
constexpr std::array kSetupControls{
    CONTROL_TEMPLATE{IDC_SETUP_TITLE, ControlKind::Static, 7, 7, 191, 14,
                     V | WS_GROUP | SS_CENTER | SS_CENTERIMAGE, 0, ""},
    CONTROL_TEMPLATE{IDC_SETUP_STEP1, ControlKind::Static, 7, 25, 192, 23, V | WS_GROUP | SS_LEFT,
                     0, " "},
    CONTROL_TEMPLATE{IDC_SETUP_STEP2, ControlKind::Static, 7, 48, 193, 18, V | WS_GROUP | SS_LEFT,
                     0, " "},
    CONTROL_TEMPLATE{IDC_SETUP_STEP3, ControlKind::Static, 7, 66, 194, 18, V | WS_GROUP | SS_LEFT,
                     0, " "},
    CONTROL_TEMPLATE{IDC_SCAN_BUTTON, ControlKind::Button, 57, 94, 90, 22, V | WS_TABSTOP, 0, ""},
    CONTROL_TEMPLATE{IDC_SETUP_STATUS, ControlKind::Static, 7, 123, 193, 35, V | WS_GROUP | SS_LEFT,
                     0, " "},
    // The scan log starts hidden and disabled; the scan shows it. It wraps long
    // lines (no ES_AUTOHSCROLL): the line that says why a port cannot be used
    // is wider than the box and must be readable without scrolling sideways.
    CONTROL_TEMPLATE{IDC_SCAN_LOG, ControlKind::Edit, 7, 165, 193, 76,
                     WS_DISABLED | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL |
                         WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                     0, ""},
    CONTROL_TEMPLATE{IDC_SETUP_PICTURE, ControlKind::Static, 207, 4, 236, 245, V | SS_LEFT,
                     WS_EX_STATICEDGE, ""},
};

// Programming page: progress bar, elapsed time, status, Start button, frame.
constexpr std::array kProgTargetControls{
    CONTROL_TEMPLATE{IDC_PROGRESS, ControlKind::Progress, 66, 100, 282, 25, WS_DISABLED | WS_BORDER,
                     0, "Progress1"},
    CONTROL_TEMPLATE{IDC_ELAPSED_TIME, ControlKind::Static, 67, 129, 133, 15,
                     V | WS_GROUP | SS_LEFT, 0, " "},
    CONTROL_TEMPLATE{IDC_PROG_STATUS, ControlKind::Static, 65, 56, 280, 34,
                     V | WS_GROUP | SS_CENTER, 0, " "},
    CONTROL_TEMPLATE{IDC_START_BUTTON, ControlKind::Button, 135, 156, 139, 26, V | WS_TABSTOP, 0,
                     "Start Programming"},
    CONTROL_TEMPLATE{IDC_PROG_FRAME, ControlKind::GroupBox, 20, 8, 401, 216, V, 0, ""},
};

constexpr std::array kTemplates{
    DIALOG_TEMPLATE{IDD_WELCOME, "Welcome to VANTO Update", 408, 233, kWelcomeControls},
    DIALOG_TEMPLATE{IDD_SETUP, "Setup Serial Connection and Scan Device", 445, 257, kSetupControls},
    DIALOG_TEMPLATE{IDD_PROG_TARGET, "Programming Target", 435, 233, kProgTargetControls},
};

}  // namespace

const DIALOG_TEMPLATE* FindDialogTemplate(int nId) {
    for (const DIALOG_TEMPLATE& dlg : kTemplates) {
        if (dlg.nId == nId) {
            return &dlg;
        }
    }
    return nullptr;
}
