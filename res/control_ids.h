#pragma once

// Ids of the dialog templates, their controls and the application icon: the
// one list that the templates, the pages and their procedures share.

// Dialog templates of the three wizard pages, and the icon.
inline constexpr int IDI_APP_ICON = 128;
inline constexpr int IDD_WELCOME = 129;
inline constexpr int IDD_SETUP = 130;
inline constexpr int IDD_PROG_TARGET = 132;

// Welcome page (template 129).
inline constexpr int IDC_WELCOME_TITLE = 1000;
inline constexpr int IDC_WELCOME_HINT = 1005;
inline constexpr int IDC_WELCOME_INTRO = 1039;

// Setup page (template 130).
inline constexpr int IDC_SETUP_PICTURE = 1006;
inline constexpr int IDC_SETUP_TITLE = 1007;
inline constexpr int IDC_SETUP_STEP1 = 1025;
inline constexpr int IDC_SETUP_STEP2 = 1026;
inline constexpr int IDC_SETUP_STEP3 = 1027;
inline constexpr int IDC_SCAN_BUTTON = 1028;
inline constexpr int IDC_SETUP_STATUS = 1030;
inline constexpr int IDC_SCAN_LOG = 1031;

// Programming page (template 132).
inline constexpr int IDC_PROGRESS = 1013;
inline constexpr int IDC_ELAPSED_TIME = 1014;
inline constexpr int IDC_PROG_STATUS = 1015;
inline constexpr int IDC_START_BUTTON = 1016;
inline constexpr int IDC_PROG_FRAME = 1038;
