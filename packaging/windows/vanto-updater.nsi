; The Windows installer of the VANTO updater: the programs into Program Files,
; a Start-menu entry with the program's icon, an uninstaller, and an entry in
; the system's list of installed programs. Built by scripts/package-windows.sh,
; which passes:
;   VERSION   the project's version ("1.0")
;   STAGE     the folder with the files to install (the portable folder)
;   OUTFILE   the installer to write
;   ICON      the application icon (.ico)
;   WITH_FLASH defined when the terminal tool is part of the build
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "VANTO Updater"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VANTO Updater"

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

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Install"
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
SectionEnd

Section "Uninstall"
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
