; The Windows installer of the VANTO updater: the programs into Program Files,
; a Start-menu entry with the program's icon, an uninstaller, an entry in the
; system's list of installed programs with the installed size, and on request
; the program folder on the PATH of all users, so that vanto-flash runs by its
; name in any console. Built by scripts/package-windows.sh, which passes:
;   VERSION   the project's version ("1.0")
;   STAGE     the folder with the files to install (the portable folder)
;   OUTFILE   the installer to write
;   ICON      the application icon (.ico)
;   WITH_FLASH defined when the terminal tool is part of the build
; Silent installs (/S) take /ADDTOPATH to put the folder on the PATH and
; /ADDTOPATH=no to take it off; without either, a first install leaves the
; PATH alone and a repeated one keeps the choice made before.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PRODUCT "VANTO Updater"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VANTO Updater"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "CompanyName" "VANTO"
VIAddVersionKey "LegalCopyright" "VANTO"

!ifdef WITH_FLASH
ComponentText "The wizard is started from the Start menu. vanto-flash, the same update \
    in a console, runs by its name in any console window once the program folder is \
    on the PATH of all users." "" ""
Page components
!endif
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "VANTO Updater (wizard and console tool)" SectionPrograms
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}\vanto-update.exe"
!ifdef WITH_FLASH
    File "${STAGE}\vanto-flash.exe"
!endif
    File "${STAGE}\kst_PC.bmp"
    File "${STAGE}\README.txt"
    SetOutPath "$INSTDIR\examples"
    File "${STAGE}\examples\kst.hex"

    ; The wizard reads the update file from its working folder: the menu entry
    ; starts it in a folder every user may write to.
    CreateDirectory "$DOCUMENTS\${PRODUCT}"
    SetOutPath "$DOCUMENTS\${PRODUCT}"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\vanto-update.exe" "" \
        "$INSTDIR\vanto-update.exe" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VANTO"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vanto-update.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; What the installed files take, in KiB, for the list of installed programs.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!ifdef WITH_FLASH
Section /o "Add the program folder to the PATH (run vanto-flash in any console)" SectionPath
SectionEnd
!endif

; After the files: puts the folder on the PATH, or takes it off again when
; an earlier install put it there and this one is not to.
Section "-PATH"
!ifdef WITH_FLASH
    ${If} ${SectionIsSelected} ${SectionPath}
        Call AddToPath
        Return
    ${EndIf}
!endif
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $0 = 1
        Call RemoveFromPath
    ${EndIf}
SectionEnd

Function .onInit
    SetRegView 64
    SetShellVarContext all
!ifdef WITH_FLASH
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $0 = 1
        !insertmacro SelectSection ${SectionPath}
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/ADDTOPATH" $2
    ${IfNot} ${Errors}
        ${If} $2 == "=no"
            !insertmacro UnselectSection ${SectionPath}
        ${Else}
            !insertmacro SelectSection ${SectionPath}
        ${EndIf}
    ${EndIf}
!endif
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; The PATH of all users is read and written whole, and NSIS strings hold
; NSIS_MAX_STRLEN characters: a PATH that long (which ReadRegStr answers with
; an error and an empty string) is left as it is, and the log says so,
; rather than written back cut short or empty.
!macro PATH_EDIT un
; "+DIR" or "-DIR" on the stack in, and out: 1 when the PATH changed, 0 when
; it already was so, -1 when it was left alone.
Function ${un}EditPath
    Exch $R0
    Push $R1
    Push $R2
    ClearErrors
    ReadRegStr $R1 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $R2 "$R1;$INSTDIR"
    ${If} ${Errors}
    ${OrIf} $R1 == ""
    ${OrIf} $R2 >= ${NSIS_MAX_STRLEN}
        DetailPrint "The PATH is too long to be changed here; change it by hand: $INSTDIR"
        StrCpy $R0 -1
    ${Else}
        ${${un}WordAdd} $R1 ";" $R0 $R2
        StrCpy $R0 0
        ${If} $R2 != $R1
            WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $R2
            SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
            StrCpy $R0 1
        ${EndIf}
    ${EndIf}
    Pop $R2
    Pop $R1
    Exch $R0
FunctionEnd
!macroend
!insertmacro PATH_EDIT ""
!insertmacro PATH_EDIT "un."

; The uninstall entry remembers a PATH entry that the installer made (and
; only such a one is taken off again).
!ifdef WITH_FLASH
Function AddToPath
    Push "+$INSTDIR"
    Call EditPath
    Pop $0
    ${If} $0 = 1
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    ${EndIf}
    ${If} $0 >= 0
        DetailPrint "On the PATH of all users: $INSTDIR"
    ${EndIf}
FunctionEnd
!endif

Function RemoveFromPath
    Push "-$INSTDIR"
    Call EditPath
    Pop $0
    ${If} $0 >= 0
        DeleteRegValue HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $0 = 1
        Push "-$INSTDIR"
        Call un.EditPath
        Pop $0
    ${EndIf}
    Delete "$INSTDIR\vanto-update.exe"
    Delete "$INSTDIR\vanto-flash.exe"
    Delete "$INSTDIR\kst_PC.bmp"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\examples\kst.hex"
    RMDir "$INSTDIR\examples"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    ; The users' update files stay; the folder goes only when empty.
    RMDir "$DOCUMENTS\${PRODUCT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
