; The Windows installer of Wylo: per user, without administrator rights, into
; the user's own programs folder, with a Start-menu entry, an entry in the
; list of installed programs and an uninstaller. Built by makensis from the
; Windows build (src/win32app/CMakeLists.txt), which defines:
;   VERSION         the version, such as 1.04
;   VERSION_QUAD    the same as four numbers, such as 1.4.0.0
;   PROGRAM         the path of Wylo.exe
;   ICON            the program's icon file
;   OUTFILE         the installer to write
;
; Silent use: "Wylo-<version>-setup.exe /S [/STARTATLOGIN] [/D=FOLDER]" and
; "Uninstall.exe /S [/REMOVEDATA]". The uninstaller leaves the settings and
; downloaded pictures in C:\ProgramData\Wylo unless asked to remove them.

; Wylo.exe is a 64-bit program; so is its installer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wylo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"

Name "Wylo"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Wylo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Wylo ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "Wylo"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Wylo ${VERSION} Setup"
VIAddVersionKey "CompanyName" "The Wylo developers"
VIAddVersionKey "LegalCopyright" "Copyright 2026 The Wylo developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Wylo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Wylo now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks every running Wylo of this user to close (it saves its settings as it
; goes) and waits for it, up to ten seconds, so its program can be replaced.
!macro CloseWylo
    StrCpy $1 0
    ${Do}
        FindWindow $0 "WyloMainWindow" "Wylo"
        ${If} $0 == 0
        ${OrIf} $1 >= 100
            ${Break}
        ${EndIf}
        ${If} $1 == 0
            DetailPrint "Closing Wylo"
        ${EndIf}
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
!macroend

; Removes Wylo.exe, waiting up to ten seconds for a Wylo that is still ending.
!macro RemoveProgram
    StrCpy $1 0
    ${Do}
        ClearErrors
        Delete "$INSTDIR\Wylo.exe"
        ${IfNot} ${Errors}
        ${OrIf} $1 >= 100
            ${Break}
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
!macroend

Section "Wylo" SecProgram
    SectionIn RO
    !insertmacro CloseWylo
    !insertmacro RemoveProgram
    SetOutPath "$INSTDIR"
    File "/oname=Wylo.exe" "${PROGRAM}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Wylo.lnk" "$INSTDIR\Wylo.exe" "" "$INSTDIR\Wylo.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Wylo"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Wylo developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Wylo.exe$\",0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The same entry Wylo's own "Start Wylo when I log in" writes.
Section /o "Start Wylo when I log in" SecStartAtLogin
    WriteRegStr HKCU "${RUN_KEY}" "Wylo" "$\"$INSTDIR\Wylo.exe$\""
    DeleteRegValue HKCU "${APPROVED_KEY}" "Wylo"
SectionEnd

Function .onInit
    SetShellVarContext current
    ; Asked for on the command line, or already on from before: ticked.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/STARTATLOGIN" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecStartAtLogin} ${SF_SELECTED}
    ${Else}
        ReadRegStr $1 HKCU "${RUN_KEY}" "Wylo"
        ${If} $1 != ""
            SectionSetFlags ${SecStartAtLogin} ${SF_SELECTED}
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "un.Wylo" UnSecProgram
    SectionIn RO
    !insertmacro CloseWylo
    !insertmacro RemoveProgram
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Wylo.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Wylo"
    DeleteRegValue HKCU "${APPROVED_KEY}" "Wylo"
SectionEnd

; Shared by every user of the computer, so only when asked.
Section /o "un.My settings and downloaded pictures" UnSecData
    SetShellVarContext all
    RMDir /r "$APPDATA\Wylo"
    SetShellVarContext current
SectionEnd

; Last, so the entry goes once everything else has.
Section "-un.Entry"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
    SetShellVarContext current
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVEDATA" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${UnSecData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
