; The Windows installer, Tokimori-VERSION-setup.exe, made by makensis from the Windows build
; (win/CMakeLists.txt passes the defines below; tools/package-windows.sh builds it).
;   VERSION   the project's version, 2.0.0      YEAR  its release year
;   PROGRAM   tokimori.exe        CLI  tokimori-cli.exe        HELP  Tokimori.chm
;   ICON      the program icon (.ico)
;   OUTFILE   the installer to write
; It installs the three files under Program Files\Tokimori (64-bit), a Start-menu entry and an
; uninstaller listed with the installed apps. Uninstalling removes those and nothing else: the
; logs, the journals (%LOCALAPPDATA%\Tokimori) and the settings (HKCU) stay the user's.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tokimori"

Name "Tokimori"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tokimori"
BrandingText "Tokimori ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "Tokimori"
VIAddVersionKey /LANG=1041 "FileDescription" "Tokimori セットアップ"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright © ${YEAR} the authors of Tokimori"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tokimori.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Tokimori は 64 ビット版の Windows で動作します。" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Tokimori"
  SetOutPath "$INSTDIR"
  File "/oname=tokimori.exe" "${PROGRAM}"
  File "/oname=tokimori-cli.exe" "${CLI}"
  File "/oname=Tokimori.chm" "${HELP}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Tokimori.lnk" "$INSTDIR\tokimori.exe" "" "$INSTDIR\tokimori.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tokimori"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tokimori"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tokimori.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tokimori.exe"
  Delete "$INSTDIR\tokimori-cli.exe"
  Delete "$INSTDIR\Tokimori.chm"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: logs the program wrote beside itself stay, and with them the folder.
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Tokimori.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
