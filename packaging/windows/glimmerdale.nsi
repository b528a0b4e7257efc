; The Glimmerdale installer: a per-user install (no administrator rights) that copies the
; screensaver into the user's own program folder, makes it the user's screensaver, offers Start menu
; shortcuts and registers an uninstaller. The uninstaller puts back the screensaver chosen before and
; removes what the installer added; the saved options only when the user asks for it.
;
;   makensis -DVERSION=<x.y> -DSCREENSAVER=<Glimmerdale.scr> -DICON=<icon.ico> -DOUTFILE=<setup.exe> glimmerdale.nsi
;
; Silent mode (/S) installs everything with the defaults; a silent uninstall keeps the options unless
; /REMOVEOPTIONS is given as well.

!ifndef VERSION | SCREENSAVER | ICON | OUTFILE
  !error "VERSION, SCREENSAVER, ICON and OUTFILE must be defined (-D)"
!endif

; 64-bit: a 32-bit installer would need the 32-bit side of Windows (and of Wine) for nothing.
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Glimmerdale"
!define PUBLISHER "Vantorel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SETTINGS_KEY "Software\Vantorel\Glimmerdale"
!define SHORTCUTS "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} screensaver setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Glimmerdale.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "Choose the screensaver's options now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Section "-Screensaver"
  SetOutPath "$INSTDIR"
  File "/oname=Glimmerdale.scr" "${SCREENSAVER}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The screensaver the user had before, remembered once: a second install over this one must not
  ; take our own file for the one to give back.
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "PreviousScreenSaverRecorded"
  ${If} $0 <> 1
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${UNINSTALL_KEY}" "PreviousScreenSaver" $1
    ${EndIf}
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${UNINSTALL_KEY}" "PreviousScreenSaveActive" $1
    ${EndIf}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "PreviousScreenSaverRecorded" 1
  ${EndIf}

  ; Windows keeps the screensaver as a short path.
  GetFullPathName /SHORT $0 "$INSTDIR\Glimmerdale.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; Tell the running system at once, not at the next sign-in (SPI_SETSCREENSAVEACTIVE, written to
  ; the user's profile and announced).
  System::Call 'user32::SystemParametersInfoW(i 0x11, i 1, p 0, i 3)'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screensaver"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Glimmerdale.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start menu shortcuts (Settings, Preview)"
  CreateDirectory "${SHORTCUTS}"
  ; The screensaver's working folder, where it writes its Log.txt.
  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUTS}\Settings.lnk" "$INSTDIR\Glimmerdale.scr" "/c" "$INSTDIR\Glimmerdale.scr" 0
  CreateShortcut "${SHORTCUTS}\Preview.lnk" "$INSTDIR\Glimmerdale.scr" "/s" "$INSTDIR\Glimmerdale.scr" 0
SectionEnd

Section "-un.Screensaver"
  ; Give the screensaver chosen before back, unless the user has since chosen another one.
  GetFullPathName /SHORT $0 "$INSTDIR\Glimmerdale.scr"
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $1 != ""
  ${AndIf} $1 == $0
  ${OrIf} $1 == "$INSTDIR\Glimmerdale.scr"
    ClearErrors
    ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "PreviousScreenSaver"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
    ${EndIf}
    ; Without a value from before, the value goes and the running system is left as it is.
    ClearErrors
    ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "PreviousScreenSaveActive"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${ElseIf} $2 == "1"
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
      System::Call 'user32::SystemParametersInfoW(i 0x11, i 1, p 0, i 2)'
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
      System::Call 'user32::SystemParametersInfoW(i 0x11, i 0, p 0, i 2)'
    ${EndIf}
  ${EndIf}

  Delete /REBOOTOK "$INSTDIR\Glimmerdale.scr"
  Delete "$INSTDIR\Log.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  Delete "${SHORTCUTS}\Settings.lnk"
  Delete "${SHORTCUTS}\Preview.lnk"
  RMDir "${SHORTCUTS}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Also remove my Glimmerdale options" SectionRemoveOptions
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Vantorel"
SectionEnd

; After the sections: it selects one of them.
Function un.onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEOPTIONS" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SectionRemoveOptions} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
