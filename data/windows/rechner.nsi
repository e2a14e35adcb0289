; The Windows installer: German, with the licence page and the program's
; icon; installs for all users into Program Files (or the folder chosen) with
; a Start-menu entry, and registers under Settings > Apps for removal.
; /S installs silently.
;
; An update finds the earlier installation through its Apps entry and
; replaces it where it is; a folder chosen anew moves it there. Before it
; changes anything it makes sure that no other installer of Rechner runs and
; that Rechner itself does not (Windows cannot replace a running program):
; interactive, it asks to close Rechner; silent, it ends with
;   RUNNING            Rechner is running,
;   INSTALLER_RUNNING  another installer of Rechner is running,
;   FOLDER_REFUSED     the folder chosen cannot be made one that only
;                      administrators change,
; and the installation stays as it was. The folder gets the permissions of
; Program Files wherever it is (administrators and SYSTEM change it, users
; read and run it; administrators own it and all in it): a folder that holds
; files other than Rechner's is refused, as its other files would change
; hands. The finish page starts Rechner as the user logged on, through the
; desktop's shell, not with the installer's administrator rights. The uninstaller, too, waits for
; Rechner to be closed (silent: ends with 4) before it removes anything.
;
; makensis -DVERSION=x.y.z -DPUBLISHER=... -DHOMEPAGE=... -DPRODUCT_CODE=...
;   -DRUNNING=n -DINSTALLER_RUNNING=n -DFOLDER_REFUSED=n (project.conf's)
;   [-DSIGN=<command>]
;   -DFILES=<folder with rechner.exe, COPYING.txt, rechner.ico> -DOUTFILE=<setup.exe>
; With SIGN, "COMMAND NAME FILE" signs the uninstaller before it is packed
; and the installer once it is written.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; No file times in the installer: the same files give the same installer.
SetDateSave off
; A file that cannot be written stops the installation instead of being
; skipped, as a silent installation would otherwise do.
AllowSkipFiles off

!ifdef SIGN
  !uninstfinalize '"${SIGN}" uninstall.exe "%1"' = 0
  !finalize '"${SIGN}" rechner-${VERSION}-setup.exe "%1"' = 0
!endif

!ifndef VERSION | PUBLISHER | HOMEPAGE | PRODUCT_CODE | RUNNING | INSTALLER_RUNNING | FOLDER_REFUSED | FILES | OUTFILE
  !error "makensis needs every -D the comment above names"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_CODE}"
; The class of Rechner's window (window/win32/form1.cpp).
!define WINDOW_CLASS "RechnerForm1"

Name "Rechner"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Rechner"
; An earlier installation's folder, wherever it was put.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Rechner ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "Rechner"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "Rechner ${VERSION} installieren"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Freie Software unter der GNU GPL, Version 3 oder neuer"

!define MUI_ICON "${FILES}\rechner.ico"
!define MUI_UNICON "${FILES}\rechner.ico"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsUser
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES}\COPYING.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE LeaveDirectory
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Var Earlier   ; the folder of an earlier installation, or ""

; Waits until Rechner is closed: its window, or a program file in FOLDER
; that cannot be opened for writing (a Rechner of another user). Silent, it
; ends the installer instead, with status RUNNING.
!macro WAIT_FOR_RECHNER UN
Function ${UN}WaitForRechner
  Exch $0   ; FOLDER
  Push $1
  Push $2
  check:
    FindWindow $1 "${WINDOW_CLASS}"
    ${If} $1 == 0
    ${AndIf} ${FileExists} "$0\rechner.exe"
      ClearErrors
      FileOpen $2 "$0\rechner.exe" a
      ${If} ${Errors}
        StrCpy $1 1
      ${Else}
        FileClose $2
      ${EndIf}
    ${EndIf}
    StrCmp $1 0 closed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Rechner läuft noch und kann so nicht ersetzt oder entfernt werden.$\r$\n$\r$\nBitte schließen Sie Rechner und wählen Sie dann „Wiederholen“. „Abbrechen“ lässt alles, wie es ist." \
      /SD IDCANCEL IDRETRY check
    SetErrorLevel ${RUNNING}
    Quit
  closed:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro WAIT_FOR_RECHNER ""
!insertmacro WAIT_FOR_RECHNER "un."

; Whether $INSTDIR may become Rechner's folder: new, empty, the earlier
; installation's, or holding nothing but Rechner's files. Sets $0 to 1 or 0.
Function FolderIsFree
  StrCpy $0 1
  ${If} $INSTDIR == $Earlier
    Return
  ${EndIf}
  Push $1
  Push $2
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
    ${AndIf} $2 != "rechner.exe"
    ${AndIf} $2 != "COPYING.txt"
    ${AndIf} $2 != "uninstall.exe"
      StrCpy $0 0
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
  Pop $2
  Pop $1
FunctionEnd

!define FOLDER_TAKEN "Der Ordner „$INSTDIR“ enthält schon andere Dateien.$\r$\n$\r$\nRechner wird in einen neuen oder leeren Ordner installiert, den nur Administratoren ändern können. Bitte wählen Sie einen anderen Ordner."

Function LeaveDirectory
  Call FolderIsFree
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "${FOLDER_TAKEN}"
    Abort   ; back to the folder page
  ${EndIf}
FunctionEnd

; icacls from the system folder with ARGUMENTS; on failure the installer
; ends with FOLDER_REFUSED, saying so, before it writes any file.
!macro SECURE ARGUMENTS
  nsExec::ExecToStack '"$SYSDIR\icacls.exe" ${ARGUMENTS}'
  Pop $0
  Pop $1
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "Der Ordner „$INSTDIR“ lässt sich nicht so einrichten, dass nur Administratoren ihn ändern können ($1). Rechner wurde nicht installiert." /SD IDOK
    RMDir "$INSTDIR"   ; made here and still empty, or left as it was
    SetErrorLevel ${FOLDER_REFUSED}
    Quit
  ${EndIf}
!macroend

!macro RESET FILE   ; an earlier FILE's permissions become the folder's
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    !insertmacro SECURE '"$INSTDIR\${FILE}" /reset /Q'
  ${EndIf}
!macroend

; The folder as Program Files is: its own permissions only (administrators
; and SYSTEM full control, users read and run, for it and all below it),
; owned by the administrators, as is everything in it, whose permissions
; become the folder's.
Function SecureFolder
  Call FolderIsFree
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "${FOLDER_TAKEN}" /SD IDOK
    SetErrorLevel ${FOLDER_REFUSED}
    Quit
  ${EndIf}
  CreateDirectory "$INSTDIR"
  !insertmacro SECURE '"$INSTDIR" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX /Q'
  !insertmacro SECURE '"$INSTDIR" /setowner *S-1-5-32-544 /T /C /Q'
  !insertmacro RESET rechner.exe
  !insertmacro RESET COPYING.txt
  !insertmacro RESET uninstall.exe
FunctionEnd

; The finish page's "Rechner starten": through the desktop's shell, so that
; Rechner runs as the user logged on, not elevated.
Function StartAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\rechner.exe"'
FunctionEnd

Function .onInit
  ; One installer at a time: a second one ends before it changes anything.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Global\RechnerInstaller") p .r0 ?e'
  Pop $1
  ${If} $1 = 183   ; ERROR_ALREADY_EXISTS
    MessageBox MB_OK|MB_ICONEXCLAMATION "Das Installationsprogramm von Rechner läuft bereits." /SD IDOK
    SetErrorLevel ${INSTALLER_RUNNING}
    Quit
  ${EndIf}
  ReadRegStr $Earlier HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Push $INSTDIR
  Call WaitForRechner
FunctionEnd

!macro ADD_SIZE FILE   ; adds the size of $INSTDIR\FILE, in bytes, to $3
  ${GetSize} "$INSTDIR" "/M=${FILE} /S=0B /G=0" $0 $1 $2
  IntOp $3 $3 + $0
!macroend

Section
  SetShellVarContext all
  ; Again, now that the folder is chosen: Rechner may have been started since.
  Push $INSTDIR
  Call WaitForRechner
  ${If} $Earlier != ""
  ${AndIf} $Earlier != $INSTDIR
    Push $Earlier
    Call WaitForRechner
  ${EndIf}

  Call SecureFolder
  SetOutPath "$INSTDIR"
  ; Over an older or the same version the files are replaced.
  File "${FILES}\rechner.exe"
  File "${FILES}\COPYING.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; Moved to a folder chosen anew: the earlier copy goes.
  ${If} $Earlier != ""
  ${AndIf} $Earlier != $INSTDIR
    Delete "$Earlier\rechner.exe"
    Delete "$Earlier\COPYING.txt"
    Delete "$Earlier\uninstall.exe"
    RMDir "$Earlier"
  ${EndIf}
  CreateShortcut "$SMPROGRAMS\Rechner.lnk" "$INSTDIR\rechner.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Rechner"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rechner.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Rechner's own files, in KiB, whatever else the folder may hold.
  StrCpy $3 1023
  !insertmacro ADD_SIZE rechner.exe
  !insertmacro ADD_SIZE COPYING.txt
  !insertmacro ADD_SIZE uninstall.exe
  IntOp $3 $3 / 1024
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $3
SectionEnd

Function un.onInit
  Push $INSTDIR
  Call un.WaitForRechner
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Rechner.lnk"
  Delete "$INSTDIR\rechner.exe"
  Delete "$INSTDIR\COPYING.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
