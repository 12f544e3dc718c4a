#pragma once

#include <cstdint>
#include <span>

#include "res/control_ids.h"

// The dialog templates of the three wizard pages, kept as data: one table per
// template, one row per control in template (tab) order. Rectangles are in
// dialog units of the template font ("MS Sans Serif" 8 point); the page
// builder turns them into pixels.

// Kinds of control that the templates use.
enum class ControlKind { Static, Edit, Button, Progress, GroupBox };

// Window styles, with the values the templates were written with, so that a
// row reads like the template it came from. The Win32 headers define the
// same names and values as macros; where they came first, theirs stand.
#ifndef WS_VISIBLE
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;

// Static control styles (the low byte is the kind of static).
inline constexpr uint32_t SS_LEFT = 0x0000;
inline constexpr uint32_t SS_CENTER = 0x0001;
inline constexpr uint32_t SS_BITMAP = 0x000E;
inline constexpr uint32_t SS_TYPEMASK = 0x001F;
inline constexpr uint32_t SS_CENTERIMAGE = 0x0200;

// Edit control styles.
inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t ES_NOHIDESEL = 0x0100;
inline constexpr uint32_t ES_READONLY = 0x0800;

// Extended style: the sunken edge of a picture frame.
inline constexpr uint32_t WS_EX_STATICEDGE = 0x00020000;
#endif

struct CONTROL_TEMPLATE {
    int nId;
    ControlKind kind;
    int x, y, cx, cy;  // dialog units
    uint32_t dwStyle;  // WS_* and the kind's own styles
    uint32_t dwExStyle;
    const char* pszText;  // template text; "\r\n" for line breaks
};

struct DIALOG_TEMPLATE {
    int nId;
    const char* pszCaption;  // shown in the wizard's title bar
    int cx, cy;              // dialog units
    std::span<const CONTROL_TEMPLATE> controls;
};

// The templates 129, 130 and 132; nullptr for any other id.
const DIALOG_TEMPLATE* FindDialogTemplate(int nId);
