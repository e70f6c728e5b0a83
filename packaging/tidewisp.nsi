; Tidewisp's per-user installer. scripts/package.sh builds it with
;   makensis -DVERSION=1.2.3 -DVI_VERSION=1.2.3.0 -DEXE=<tidewisp.exe> -DNOTICES=<NOTICES.txt>
;            -DOUTFILE=<setup.exe>
; It needs no administrator rights: everything it writes belongs to the
; current user (the program folder under %LOCALAPPDATA%, the Start-menu
; shortcut and three places in HKCU).

!macro REQUIRE name
  !ifndef ${name}
    !error "define ${name} (scripts/package.sh does)"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE VI_VERSION
!insertmacro REQUIRE EXE
!insertmacro REQUIRE NOTICES
!insertmacro REQUIRE OUTFILE

; A 64-bit installer: the default 32-bit stub cannot start where only 64-bit
; Windows programs run (a 64-bit-only Wine prefix is one such place).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Tidewisp"
!define PUBLISHER "Marrowfield"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewisp"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Marrowfield\Tidewisp"
!define SETTINGS_PARENT "Software\Marrowfield"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tidewisp"
; An upgrade goes where the installed copy is, even if the user chose a
; folder of their own the first time.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VI_VERSION}"
VIFileVersion "${VI_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tidewisp.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tidewisp"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Tidewisp's main window is a dialog (class "#32770") captioned exactly
; "Tidewisp"; this installer's own windows are captioned "Tidewisp Setup" and
; "Tidewisp Uninstall", so they never match. While the window is open the
; program can be overwritten or deleted only halfway, so the user closes it
; first. A silent run cannot ask: it gives up with exit code 2 and changes
; nothing.
!macro DEFINE_CLOSE_TIDEWISP_FIRST prefix
Function ${prefix}CloseTidewispFirst
  retry:
    FindWindow $0 "#32770" "${PRODUCT}"
    StrCmp $0 0 closed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Tidewisp is open. Please close its window, then press Retry." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  closed:
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_TIDEWISP_FIRST ""
!insertmacro DEFINE_CLOSE_TIDEWISP_FIRST "un."

Function .onInit
  SetShellVarContext current
  Call CloseTidewispFirst
FunctionEnd

Section "Tidewisp" SecMain
  ; Asked again here: the window may have been opened while the pages showed.
  Call CloseTidewispFirst
  SetOutPath "$INSTDIR"
  File "/oname=tidewisp.exe" "${EXE}"
  ; The licences of the libraries built into the program.
  File "/oname=NOTICES.txt" "${NOTICES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Tidewisp.lnk" "$INSTDIR\tidewisp.exe" "" "$INSTDIR\tidewisp.exe" 0

  ; The scheduled start. With the schedule off it ends at once and silently,
  ; so the entry costs nothing until the user turns a schedule on.
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\tidewisp.exe" auto'

  ; The entry in the system's list of installed apps.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tidewisp.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The settings (HKCU\Software\Marrowfield\Tidewisp) are never touched here:
  ; an upgrade keeps the user's choices, lists and schedule.
SectionEnd

Function un.onInit
  SetShellVarContext current
  Call un.CloseTidewispFirst
FunctionEnd

Section "Uninstall"
  Call un.CloseTidewispFirst
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  Delete "$SMPROGRAMS\Tidewisp.lnk"
  Delete "$INSTDIR\tidewisp.exe"
  Delete "$INSTDIR\NOTICES.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Not recursive: the folder goes only if nothing but ours was in it.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The settings are the user's; a silent uninstall keeps them, so that a
  ; reinstall finds them again.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your Tidewisp settings (what to clean, your file and folder lists and the schedule)?" \
    /SD IDNO IDNO keep_settings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
  keep_settings:
SectionEnd
