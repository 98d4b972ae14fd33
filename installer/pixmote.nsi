; The per-user installer of Pixmote, pixmote-setup.exe. Needs no administrator rights: the
; program goes to $LOCALAPPDATA\Programs\Pixmote, everything else to HKEY_CURRENT_USER and the
; user's own Start menu. Built by scripts/build-installer.sh, which passes:
;   PIXMOTE_EXE    the program, pixmote.exe
;   PIXMOTE_ADD_EXE  the helper that adds an emulator to the catalogue, pixmote-add.exe
;   CATALOGUE_NSH  the catalogue as NSIS commands (tools/make_catalogue.py)
;   CATALOGUE_REG  the same catalogue as one registry file, installed beside the program
;   ICON           the program's icon (.ico)
;   OUTFILE        the installer to write
;
; What it does:
;   - refuses to go on while Pixmote runs (its settings dialog "Pixmote Configuration" exists):
;     asks the user to exit it from the tray, or in silent mode ends with exit code 3;
;   - copies the program (over an installed copy: the same folder is used again);
;   - creates the program key HKCU\Software\Pixmote with the default message "Made with
;     Pixmote" unless a message is already stored, and writes the shipped catalogue below it
;     (shipped profiles are written afresh; the user's own profiles are left alone);
;   - a Start menu shortcut (on by default) and one in Startup (off by default; /STARTUP turns
;     it on in silent mode); an upgrade keeps the shortcuts the user has;
;   - registers the uninstaller under HKCU\...\Uninstall\Pixmote, for the "Apps" list.
; The uninstaller removes the program, the shortcuts and that entry, and asks whether to remove
; the program key too (the stored message and the whole catalogue). Silent (/S) it keeps them,
; unless /PURGE is given.
;
; Exit codes: 0 done, 1 cancelled by the user, 2 failed, 3 Pixmote was running (silent mode).

; A 64-bit installer for the 64-bit program (and the only kind that Wine's 64-bit-only
; installs can run).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include "${CATALOGUE_NSH}"

!define VERSION "2.0"
!define PROGRAM_KEY "Software\Pixmote"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixmote"
!define DEFAULT_MESSAGE "Made with Pixmote"
!define DIALOG_CLASS "#32770"
!define DIALOG_TITLE "Pixmote Configuration"
!define EXIT_CANCELLED 1
!define EXIT_FAILED 2
!define EXIT_RUNNING 3
!define START_MENU_LINK "$SMPROGRAMS\Pixmote.lnk"
!define ADD_MENU_LINK "$SMPROGRAMS\Add an emulator to Pixmote.lnk"
!define STARTUP_LINK "$SMSTARTUP\Pixmote.lnk"

Name "Pixmote"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pixmote"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Pixmote ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "Pixmote"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Pixmote Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "The Pixmote developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Pixmote is installed"
!define MUI_FINISHPAGE_TEXT "Pixmote has no window of its own: it lives as an icon in the \
notification area of the taskbar.$\r$\n$\r$\nWith a supported emulator open, left-click the \
icon to choose a file, again to start recording and once more to stop. Right-click it for the \
settings, and to exit."
!define MUI_FINISHPAGE_RUN "$INSTDIR\pixmote.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Pixmote now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Returns only once Pixmote is not running. While it runs, an interactive run asks the user to
; exit it from its tray icon (Retry looks again, Cancel ends the run); a silent run ends with
; EXIT_RUNNING.
!macro DEFINE_REQUIRE_NOT_RUNNING UN
Function ${UN}RequireNotRunning
    Push $0
  look:
    FindWindow $0 "${DIALOG_CLASS}" "${DIALOG_TITLE}"
    ${If} $0 <> 0
        ${If} ${Silent}
            SetErrorLevel ${EXIT_RUNNING}
            Quit
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Pixmote is running.$\r$\n$\r$\n\
            Please exit it first: right-click its icon in the notification area, choose \
            Exit in the settings window (finish any recording first), then press Retry." \
            IDRETRY look
        SetErrorLevel ${EXIT_CANCELLED}
        Quit
    ${EndIf}
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_REQUIRE_NOT_RUNNING ""
!insertmacro DEFINE_REQUIRE_NOT_RUNNING "un."

Function FailRegistry
    MessageBox MB_OK|MB_ICONSTOP "Could not write the settings of Pixmote below \
HKEY_CURRENT_USER\${PROGRAM_KEY}." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort
FunctionEnd

Section "Pixmote (required)" SecProgram
    SectionIn RO
    ; Pixmote may have been started while the pages were shown.
    Call RequireNotRunning

    SetOutPath "$INSTDIR"
    File "/oname=pixmote.exe" "${PIXMOTE_EXE}"
    File "/oname=pixmote-add.exe" "${PIXMOTE_ADD_EXE}"
    File "/oname=catalogue.reg" "${CATALOGUE_REG}"

    DetailPrint "Writing the emulator catalogue: ${PIXMOTE_CATALOGUE_PROFILES} profile(s) in \
${PIXMOTE_CATALOGUE_GROUPS}"
    !insertmacro PixmoteWriteCatalogue
    ${If} ${Errors}
        Call FailRegistry
    ${EndIf}

    ; The program key's default value is the message that the settings dialog edits. A stored
    ; message (even an empty one) is the user's: it stays.
    ClearErrors
    ReadRegStr $0 HKCU "${PROGRAM_KEY}" ""
    ${If} ${Errors}
        DetailPrint "Storing the default message: ${DEFAULT_MESSAGE}"
        ClearErrors
        WriteRegStr HKCU "${PROGRAM_KEY}" "" "${DEFAULT_MESSAGE}"
        ${If} ${Errors}
            Call FailRegistry
        ${EndIf}
    ${Else}
        DetailPrint "Keeping the stored message: $0"
    ${EndIf}

    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pixmote"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pixmote.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start menu shortcut" SecStartMenu
    CreateShortcut "${START_MENU_LINK}" "$INSTDIR\pixmote.exe"
    CreateShortcut "${ADD_MENU_LINK}" "$INSTDIR\pixmote-add.exe"
SectionEnd

Section /o "Start Pixmote when I sign in (Startup shortcut)" SecStartup
    CreateShortcut "${STARTUP_LINK}" "$INSTDIR\pixmote.exe"
SectionEnd

; A shortcut left out of this install is removed, so an upgrade can take one away.
Section "-Shortcuts left out"
    ${IfNot} ${SectionIsSelected} ${SecStartMenu}
        Delete "${START_MENU_LINK}"
        Delete "${ADD_MENU_LINK}"
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecStartup}
        Delete "${STARTUP_LINK}"
    ${EndIf}
SectionEnd

Function .onInit
    SetShellVarContext current
    Call RequireNotRunning
    ; Over an installed copy, offer the shortcuts it has now; a first install has the Start
    ; menu shortcut only.
    ClearErrors
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${IfNot} ${Errors}
        ${IfNot} ${FileExists} "${START_MENU_LINK}"
            !insertmacro UnselectSection ${SecStartMenu}
        ${EndIf}
        ${If} ${FileExists} "${STARTUP_LINK}"
            !insertmacro SelectSection ${SecStartup}
        ${EndIf}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/STARTUP" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecStartup}
    ${EndIf}
FunctionEnd

Function un.onInit
    SetShellVarContext current
    Call un.RequireNotRunning
FunctionEnd

Section "Uninstall"
    Delete "$INSTDIR\pixmote.exe"
    Delete "$INSTDIR\pixmote-add.exe"
    Delete "$INSTDIR\catalogue.reg"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${START_MENU_LINK}"
    Delete "${ADD_MENU_LINK}"
    Delete "${STARTUP_LINK}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ; The program key holds what the user may want to keep for a later install: the stored
    ; message and the catalogue, with any emulators added by hand.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PURGE" $1
    ${If} ${Errors}
        ${If} ${Silent}
            DetailPrint "Keeping HKEY_CURRENT_USER\${PROGRAM_KEY}"
            Return
        ${EndIf}
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also remove your stored message \
            and the emulator catalogue?$\r$\n$\r$\nThis removes the registry key \
            HKEY_CURRENT_USER\${PROGRAM_KEY}, including any emulators you added to the \
            catalogue yourself. Keep it if you may install Pixmote again." IDYES purge
        DetailPrint "Keeping HKEY_CURRENT_USER\${PROGRAM_KEY}"
        Return
    ${EndIf}
  purge:
    DetailPrint "Removing HKEY_CURRENT_USER\${PROGRAM_KEY}"
    DeleteRegKey HKCU "${PROGRAM_KEY}"
SectionEnd
