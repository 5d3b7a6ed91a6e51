; The installer: potero in Program Files, a Start-menu entry, an entry in the list of installed
; programs and an uninstaller. The settings live in the user's application data (the marker file
; beside the executable says so) and the uninstaller leaves them. Installing over an older version
; replaces it in place.
;   makensis -DVERSION=0.1 -DSTAGE=/path/to/stage/potero -DOUTFILE=/path/to/setup.exe installer.nsi
; A 64-bit installer for the 64-bit program: it needs no 32-bit layer to run.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"

!define APP "potero"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_ICON "${STAGE}\..\..\packaging\potero.ico"
!define MUI_UNICON "${STAGE}\..\..\packaging\potero.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

Section "potero"
    SetShellVarContext all
    ; An older version's files are replaced; files it had that this one no longer ships go first.
    RMDir /r "$INSTDIR\plugins"
    RMDir /r "$INSTDIR\translations"
    RMDir /r "$INSTDIR\licences"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    FileOpen $0 "$INSTDIR\potero-installed" w
    FileWrite $0 "Installed: the settings are kept in the user's application data.$\r$\n"
    FileClose $0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\ポテロ.lnk" "$INSTDIR\potero.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "ポテロ (potero)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\potero.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "potero"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\ポテロ.lnk"
    ; Only what the installer put there: the user's settings are in their application data.
    RMDir /r "$INSTDIR\plugins"
    RMDir /r "$INSTDIR\translations"
    RMDir /r "$INSTDIR\licences"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\potero.exe"
    Delete "$INSTDIR\potero-decoder.exe"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\potero-installed"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
