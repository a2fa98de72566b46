; The Brackwell installer for Windows, built with makensis (tools/windows/package.sh):
;   makensis -DVERSION=1.00 -DFILES=<folder of the installed program> -DOUTFILE=<setup.exe>
;            -DICON=<brackwell.ico> -DUNINSTALL_LIST=<uninstall.nsh> installer.nsi
; It installs for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Brackwell; adds a Start menu entry and an uninstaller; and offers
; Brackwell under "Open with" for .cfg files, never as their default program: many programs use
; .cfg. Windows keeps the files of a running program, so both the installer and the uninstaller
; first ask the player to close a running Brackwell (silent, they wait for it a while, then give
; up and change nothing). The uninstaller removes exactly the files it installed and its registry
; entries; the player's own configs stay.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Brackwell"
!define CLASS "Brackwell.Config"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brackwell"
; The mutex a running Brackwell holds (src/platform/running.h).
!define RUNNING_MARK "BrackwellRunning"
; How long a silent run waits for Brackwell to end, in half seconds.
!define SILENT_WAIT 120

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Brackwell"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "CompanyName" "Brackwell team"
VIAddVersionKey "LegalCopyright" "Brackwell team"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\brackwell.exe"
; The licence the program comes under, before anything is installed.
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Until no Brackwell runs: the player is asked to close it (Retry, or Cancel to stop here); a
; silent run waits. $R0 is 1 when none runs any more.
!macro WAIT_FOR_BRACKWELL UN
Function ${UN}waitForBrackwell
    StrCpy $R1 0
    ${Do}
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MARK}") p .r2'
        ${If} $2 == 0
            StrCpy $R0 1
            Return
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r2)'
        ${If} ${Silent}
            ${If} $R1 >= ${SILENT_WAIT}
                StrCpy $R0 0
                Return
            ${EndIf}
            IntOp $R1 $R1 + 1
            Sleep 500
        ${ElseIf} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Brackwell is running. Close it, then choose Retry to go on." IDCANCEL`
            StrCpy $R0 0
            Return
        ${EndIf}
    ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_FOR_BRACKWELL ""
!insertmacro WAIT_FOR_BRACKWELL "un."

Function .onInit
    Call waitForBrackwell
    ${If} $R0 != 1
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Function un.onInit
    Call un.waitForBrackwell
    ${If} $R0 != 1
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Section "Brackwell"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${FILES}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\brackwell.exe" "" "$INSTDIR\brackwell.exe" 0

    ; .cfg files: Brackwell among the programs "Open with" offers; which program opens them is
    ; left to the player.
    WriteRegStr HKCU "Software\Classes\${CLASS}" "" "Enemy Territory config script"
    WriteRegStr HKCU "Software\Classes\${CLASS}\DefaultIcon" "" "$INSTDIR\brackwell.exe,0"
    WriteRegStr HKCU "Software\Classes\${CLASS}\shell\open\command" "" '"$INSTDIR\brackwell.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\.cfg\OpenWithProgids" "${CLASS}" ""
    WriteRegStr HKCU "Software\Classes\Applications\brackwell.exe" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr HKCU "Software\Classes\Applications\brackwell.exe\SupportedTypes" ".cfg" ""
    WriteRegStr HKCU "Software\Classes\Applications\brackwell.exe\shell\open\command" "" '"$INSTDIR\brackwell.exe" "%1"'

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Brackwell team"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brackwell.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

    ; Explorer shows the new file type at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ; Only what was installed: a folder chosen for the installation may hold other files.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; A file the system still held (a program started after the check): said, not hidden.
    ${If} ${FileExists} "$INSTDIR\brackwell.exe"
        SetErrorLevel 2
        MessageBox MB_OK|MB_ICONEXCLAMATION "Some files of Brackwell could not be removed from $INSTDIR. \
            Close Brackwell and run the uninstaller again." /SD IDOK
    ${EndIf}

    DeleteRegKey HKCU "Software\Classes\${CLASS}"
    DeleteRegKey HKCU "Software\Classes\Applications\brackwell.exe"
    DeleteRegValue HKCU "Software\Classes\.cfg\OpenWithProgids" "${CLASS}"
    ; Earlier versions made Brackwell the default program where none was set.
    ReadRegStr $0 HKCU "Software\Classes\.cfg" ""
    ${If} $0 == "${CLASS}"
        DeleteRegValue HKCU "Software\Classes\.cfg" ""
    ${EndIf}
    DeleteRegKey /ifempty HKCU "Software\Classes\.cfg\OpenWithProgids"
    DeleteRegKey /ifempty HKCU "Software\Classes\.cfg"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; The program's own settings: the list of recent configs.
    DeleteRegKey HKCU "Software\Brackwell"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
