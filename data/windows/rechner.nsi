; The Windows installer: German, with the licence page and the program's
; icon; installs for all users into Program Files with a Start-menu entry,
; and registers under Settings > Apps for removal. /S installs silently.
; makensis -DVERSION=x.y.z -DFILES=<folder with rechner.exe, COPYING.txt, rechner.ico> -DOUTFILE=<setup.exe>
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; No file times in the installer: the same files give the same installer.
SetDateSave off

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Rechner"

Name "Rechner"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Rechner"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Rechner ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "Rechner"
VIAddVersionKey /LANG=1031 "FileDescription" "Rechner ${VERSION} installieren"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Freie Software unter der GNU GPL, Version 3 oder neuer"

!define MUI_ICON "${FILES}\rechner.ico"
!define MUI_UNICON "${FILES}\rechner.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\rechner.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES}\COPYING.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  ; Over an older or the same version the files are simply replaced.
  File "${FILES}\rechner.exe"
  File "${FILES}\COPYING.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Rechner.lnk" "$INSTDIR\rechner.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Rechner"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Rechner"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rechner.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Rechner.lnk"
  Delete "$INSTDIR\rechner.exe"
  Delete "$INSTDIR\COPYING.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
