; The Windows installer: per machine into Program Files, a Start-menu shortcut to the dialog, an
; entry under installed apps, and inbound TCP firewall rules for both programs (the devices
; connect back to the program to take the firmware). Silent with /S, for deployment tools.
;
; cmake/make_installer.cmake writes SETTINGS (version, names, the staged files, the output and,
; when a certificate was given, the signing command) and runs makensis -INPUTCHARSET UTF8.

!include "${SETTINGS}"

Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written (a program still running, say) ends the installation with exit
; status 2 rather than leaving the old one in place under the new version.
AllowSkipFiles off

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"
; What an install or uninstall did to the firewall, so that a silent run leaves a trace an
; administrator can read. Each run starts the file anew: run as SYSTEM, TEMP is a folder every
; user may write to, and a file found there is none of ours.
!define LOG_FILE "$TEMP\tavro-writer-setup.log"

Name "${PRODUCT_NAME}"
OutFile "${OUTPUT_FILE}"
; A newer version goes where the installed one is.
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_NAME} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "See LICENSE.txt"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; No "run now" on the last page: the dialog would inherit the installer's administrator rights.

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The language of the pages and of the shortcut's name follows Windows' display language,
; as the desktop entry's name does on Linux; /LANG=1041 (Japanese) or /LANG=1033 (English)
; chooses it.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
LangString ShortcutName ${LANG_ENGLISH} "${SHORTCUT_NAME_EN}"
LangString ShortcutName ${LANG_JAPANESE} "${SHORTCUT_NAME_JA}"
LangString ShortcutComment ${LANG_ENGLISH} "${SHORTCUT_COMMENT_EN}"
LangString ShortcutComment ${LANG_JAPANESE} "${SHORTCUT_COMMENT_JA}"

!ifdef SIGN_COMMAND
    !finalize '${SIGN_COMMAND}'
    !uninstfinalize '${SIGN_COMMAND}'
!endif

; The programs that get a firewall rule, each with the rule's name.
!define DIALOG_RULE "${PRODUCT_NAME} (tavro-writer.exe)"
!define CLI_RULE "${PRODUCT_NAME} (tavro-writer-cli.exe)"

; Log LINE: into the details list and the log file.
!macro DEFINE_LOG prefix
    Function ${prefix}Log
        Exch $0
        Push $1
        DetailPrint "$0"
        ClearErrors
        FileOpen $1 "${LOG_FILE}" a
        ${IfNot} ${Errors}
            FileSeek $1 0 END
            FileWrite $1 "$0$\r$\n"
            FileClose $1
        ${EndIf}
        Pop $1
        Pop $0
    FunctionEnd
!macroend
!insertmacro DEFINE_LOG ""
!insertmacro DEFINE_LOG "un."

!macro LOG prefix text
    Push `${text}`
    Call ${prefix}Log
!macroend

; Netsh STATUS_VARIABLE ARGUMENTS: Windows' own netsh.exe with ARGUMENTS, without a console
; window; its exit status (or "error" when it did not start) in STATUS_VARIABLE.
!macro NETSH status arguments
    nsExec::ExecToStack '"$SYSDIR\netsh.exe" ${arguments}'
    Pop ${status}
    Pop $9
!macroend

; Removes the rule NAME for PROGRAM (a path); "no such rule" is no failure before an install.
!macro DELETE_RULE prefix name program report_failure
    !insertmacro NETSH $0 'advfirewall firewall delete rule name="${name}" dir=in program="${program}"'
    ${If} $0 == 0
        !insertmacro LOG "${prefix}" 'Firewall: removed the rule "${name}"'
    !if ${report_failure} == 1
    ${Else}
        !insertmacro LOG "${prefix}" 'Firewall: could not remove the rule "${name}" (netsh status $0); remove it under "Windows Defender Firewall with Advanced Security"'
    !endif
    ${EndIf}
!macroend

!macro ADD_RULE name program
    !insertmacro NETSH $0 'advfirewall firewall add rule name="${name}" dir=in action=allow program="${program}" protocol=TCP profile=private,domain enable=yes description="TAVRO devices connect back to this program to take their firmware"'
    ${If} $0 == 0
        !insertmacro LOG "" 'Firewall: added the rule "${name}" (inbound TCP, private and domain networks)'
    ${Else}
        !insertmacro LOG "" 'Firewall: could not add the rule "${name}" (netsh status $0); Windows will ask on the first write'
    ${EndIf}
!macroend

Function .onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/LANG=" $1
    ${IfNot} ${Errors}
        StrCpy $LANGUAGE $1
    ${EndIf}
FunctionEnd

Section "Install"
    SetShellVarContext all
    Delete "${LOG_FILE}"
    !insertmacro LOG "" "${PRODUCT_NAME} ${VERSION}: installing into $INSTDIR"
    SetOutPath "$INSTDIR"
    File "${STAGE}\tavro-writer.exe"
    File "${STAGE}\tavro-writer-cli.exe"
    File "${STAGE}\README.md"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; One shortcut, in the display language; an earlier one in the other language goes.
    Delete "$SMPROGRAMS\${SHORTCUT_NAME_EN}.lnk"
    Delete "$SMPROGRAMS\${SHORTCUT_NAME_JA}.lnk"
    CreateShortcut "$SMPROGRAMS\$(ShortcutName).lnk" "$INSTDIR\tavro-writer.exe" "" \
        "$INSTDIR\tavro-writer.exe" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"

    ; The same key for every version: an upgrade leaves one entry.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavro-writer.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; A reinstall or an upgrade replaces the rules rather than adding a second pair.
    !insertmacro DELETE_RULE "" "${DIALOG_RULE}" "$INSTDIR\tavro-writer.exe" 0
    !insertmacro DELETE_RULE "" "${CLI_RULE}" "$INSTDIR\tavro-writer-cli.exe" 0
    !insertmacro ADD_RULE "${DIALOG_RULE}" "$INSTDIR\tavro-writer.exe"
    !insertmacro ADD_RULE "${CLI_RULE}" "$INSTDIR\tavro-writer-cli.exe"
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "${LOG_FILE}"
    !insertmacro LOG "un." "${PRODUCT_NAME} ${VERSION}: uninstalling from $INSTDIR"
    !insertmacro DELETE_RULE "un." "${DIALOG_RULE}" "$INSTDIR\tavro-writer.exe" 1
    !insertmacro DELETE_RULE "un." "${CLI_RULE}" "$INSTDIR\tavro-writer-cli.exe" 1

    Delete "$SMPROGRAMS\${SHORTCUT_NAME_EN}.lnk"
    Delete "$SMPROGRAMS\${SHORTCUT_NAME_JA}.lnk"
    Delete "$INSTDIR\tavro-writer.exe"
    Delete "$INSTDIR\tavro-writer-cli.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: files someone else put there stay.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
