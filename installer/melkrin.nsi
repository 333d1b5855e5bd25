; The Windows installer of Melkrin, built on Linux with makensis (see
; cmake/help_and_installer.cmake, which passes the defines below).
;
;   VERSION      the version, e.g. 1.2 (also the content of version.txt)
;   FILEVERSION  the same as four numbers, e.g. 1.2.0.0
;   MELKRIN_EXE  the built melkrin.exe
;   HELP_FILE    the compiled help file
;   DEMOS_DIR    the folder with Demo_0001.dem, Demo_0002.dem and Demo_0003.dem
;   OUTFILE      the installer to write
;
; Per machine, below Program Files, with administrator rights. The settings key
; lives in the 32-bit view of HKLM, where melkrin.exe reads it; the uninstall
; entry in the native view, where Programs and Features looks for a 64-bit
; program. /S installs and uninstalls silently.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quorvane Melkrin"
!define SETTINGS_KEY "SOFTWARE\Quorvane\Melkrin"
!define GAME_KEY "SOFTWARE\Croteam\SeriousSam2"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvaneMelkrin"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\Quorvane\Melkrin"
; An update goes where the last installation went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILEVERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "Quorvane"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Quorvane"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\melkrin.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Melkrin now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Help\help.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the help"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A setting as a fresh installation leaves it; a value an earlier installation
; or the user left is kept.
!macro DefaultSetting NAME VALUE
  ClearErrors
  ReadRegStr $0 HKLM "${SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegStr HKLM "${SETTINGS_KEY}" "${NAME}" "${VALUE}"
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit version of Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Melkrin" SecMain
  SectionIn RO
  SetShellVarContext all

  SetOutPath "$INSTDIR"
  File "/oname=melkrin.exe" "${MELKRIN_EXE}"
  ; Start-up takes the version over from this file and deletes it.
  FileOpen $0 "$INSTDIR\version.txt" w
  ${If} $0 == ""
    Abort "Could not write $INSTDIR\version.txt"
  ${EndIf}
  FileWrite $0 "${VERSION}"
  FileClose $0

  SetOutPath "$INSTDIR\Demos"
  File "${DEMOS_DIR}\Demo_0001.dem"
  File "${DEMOS_DIR}\Demo_0002.dem"
  File "${DEMOS_DIR}\Demo_0003.dem"
  SetOutPath "$INSTDIR\Help"
  File "/oname=help.chm" "${HELP_FILE}"
  ; The default results folder; reports collect here.
  CreateDirectory "$INSTDIR\Benchmark"
  SetOutPath "$INSTDIR"

  SetRegView 32
  !insertmacro DefaultSetting "NoErrorWarning" "0"
  !insertmacro DefaultSetting "Demo" "1"
  !insertmacro DefaultSetting "Demoname" ""
  !insertmacro DefaultSetting "1024" "1"
  !insertmacro DefaultSetting "CusRes" "0"
  !insertmacro DefaultSetting "CusW" "0"
  !insertmacro DefaultSetting "CusH" "0"
  !insertmacro DefaultSetting "AFLevel" "0"
  !insertmacro DefaultSetting "AALevel" "0"
  !insertmacro DefaultSetting "HDR" "1"
  !insertmacro DefaultSetting "Renderer" "1"
  !insertmacro DefaultSetting "UseProxy" "0"
  SetRegView 64

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\melkrin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\Melkrin.lnk" "$INSTDIR\melkrin.exe"
  CreateShortcut "${START_MENU}\Melkrin Help.lnk" "$INSTDIR\Help\help.chm"
  CreateShortcut "${START_MENU}\Uninstall Melkrin.lnk" "$INSTDIR\uninstall.exe"

  ; Without the game Melkrin opens with its run button disabled: say so now.
  SetRegView 32
  ClearErrors
  EnumRegValue $0 HKLM "${GAME_KEY}" 0
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONINFORMATION "Serious Sam 2 was not found on this computer. Melkrin benchmarks that game: install it before you start Melkrin." /SD IDOK
  ${EndIf}
  SetRegView 64
SectionEnd

Section "Uninstall"
  SetShellVarContext all

  ; Exactly what the installation and the program put here: the user's
  ; reports in Benchmark\ stay, and so does every file of the user's own.
  Delete "$INSTDIR\melkrin.exe"
  Delete "$INSTDIR\version.txt"
  Delete "$INSTDIR\debuginfo.txt"
  Delete "$INSTDIR\Demos\Demo_0001.dem"
  Delete "$INSTDIR\Demos\Demo_0002.dem"
  Delete "$INSTDIR\Demos\Demo_0003.dem"
  Delete "$INSTDIR\Help\help.chm"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\Demos"
  RMDir "$INSTDIR\Help"
  RMDir "$INSTDIR\Benchmark"
  RMDir "$INSTDIR"
  ; The maker's folder too, when it was ours and is empty now.
  ${If} "$INSTDIR" == "$PROGRAMFILES64\Quorvane\Melkrin"
    RMDir "$PROGRAMFILES64\Quorvane"
  ${EndIf}

  Delete "${START_MENU}\Melkrin.lnk"
  Delete "${START_MENU}\Melkrin Help.lnk"
  Delete "${START_MENU}\Uninstall Melkrin.lnk"
  RMDir "${START_MENU}"

  SetRegView 32
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Quorvane"
  SetRegView 64
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
