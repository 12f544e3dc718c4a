#pragma once

#include <windows.h>

#include <vector>

#include "res/dialog_template.h"

// A page's dialog template from the template data in res/, laid out in
// memory as the dialog manager reads a DLGTEMPLATE with its DLGITEMTEMPLATEs
// (PSP_DLGINDIRECT): the same data the Qt pages are built from, so that both
// front ends show one set of pages.
//
// The page is a child with caption and system menu in "MS Sans Serif" 8
// point; each control is a child with its row's styles, of the window class
// its kind names (static, edit, push button, group box, progress bar).
// The result is DWORD-aligned.
std::vector<WORD> BuildDialogMemory(const DIALOG_TEMPLATE& dlg);

// Window class and the kind's own style bits for a control of this kind.
struct SControlClass {
    WORD wAtom;              // predefined class atom, 0 when pszName names the class
    const wchar_t* pszName;  // registered class name, for the progress bar
    DWORD dwKindStyle;
};
SControlClass ControlClassOf(ControlKind kind);
