; The Brackwell installer for Windows, built with makensis (tools/windows/package.sh):
;   makensis -DVERSION=1.00 -DFILES=<folder of the installed program> -DOUTFILE=<setup.exe>
;            -DICON=<brackwell.ico> -DUNINSTALL_LIST=<uninstall.nsh> installer.nsi
; It installs for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Brackwell; adds a Start menu entry and an uninstaller; and offers
; Brackwell for opening .cfg files (the default program for them only where none was set).
; The uninstaller removes exactly the files it installed and its registry entries; the player's
; own configs stay.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define PRODUCT "Brackwell"
!define CLASS "Brackwell.Config"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brackwell"

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
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Brackwell"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${FILES}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\brackwell.exe" "" "$INSTDIR\brackwell.exe" 0

    ; .cfg files: Brackwell in "Open with", and the program that opens them where none was chosen.
    WriteRegStr HKCU "Software\Classes\${CLASS}" "" "Enemy Territory config script"
    WriteRegStr HKCU "Software\Classes\${CLASS}\DefaultIcon" "" "$INSTDIR\brackwell.exe,0"
    WriteRegStr HKCU "Software\Classes\${CLASS}\shell\open\command" "" '"$INSTDIR\brackwell.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\.cfg\OpenWithProgids" "${CLASS}" ""
    WriteRegStr HKCU "Software\Classes\Applications\brackwell.exe\SupportedTypes" ".cfg" ""
    WriteRegStr HKCU "Software\Classes\Applications\brackwell.exe\shell\open\command" "" '"$INSTDIR\brackwell.exe" "%1"'
    ReadRegStr $0 HKCR ".cfg" ""
    ${If} $0 == ""
        WriteRegStr HKCU "Software\Classes\.cfg" "" "${CLASS}"
    ${EndIf}

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

    DeleteRegKey HKCU "Software\Classes\${CLASS}"
    DeleteRegKey HKCU "Software\Classes\Applications\brackwell.exe"
    DeleteRegValue HKCU "Software\Classes\.cfg\OpenWithProgids" "${CLASS}"
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
