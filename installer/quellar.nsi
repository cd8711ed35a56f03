; The Quellar installer. Built on Linux by the build (makensis), which passes:
;   VERSION      four-part version of the exe's version resource, e.g. 1.0.0.1
;   VERSION_TEXT the version users see, e.g. 1.0.0
;   COMPANY, COPYRIGHT   the same texts as the exe's version resource
;   FILES        folder holding quellar.exe, RQLRMask.skn, QLRHelp.chm and the sounds
;   ICON         the program icon
;   OUTFILE      the installer to write
; ANSI, so that the installer itself runs on Windows 95 as well as on XP and later.
Unicode false
SetCompressor /SOLID lzma
; The installed files take the time they are installed at: the build's file
; times are not stored, so two builds of one commit make the same installer.
SetDateSave off
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Quellar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quellar"
!define SETTINGS_KEY "SOFTWARE\BRD\Quellar"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The class of Quellar's main window, which exists hidden while it runs in the tray.
!define MAIN_WINDOW_CLASS "QuellarMain"

Name "${PRODUCT} ${VERSION_TEXT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Quellar"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION_TEXT}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION_TEXT}, which tunes the TCP/IP settings of Windows for your connection, keeps a dial-up line alive and watches memory and processor use.$\r$\n$\r$\nClose ${PRODUCT} before you go on if it is running.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\quellar.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\QLRHelp.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the help"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed, and a running copy would write
; its settings back after the uninstaller removed them.
!macro REFUSE_WHILE_RUNNING ACTION
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    StrCmp $0 0 +4
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is running. Close it first (show its window from the tray icon and press its close button), then ${ACTION} again." /SD IDOK
        SetErrorLevel 2
        Quit
!macroend

Function .onInit
    !insertmacro REFUSE_WHILE_RUNNING "run Setup"
FunctionEnd

Function un.onInit
    !insertmacro REFUSE_WHILE_RUNNING "uninstall"
FunctionEnd

Section "${PRODUCT}"
    SetOutPath "$INSTDIR"
    File "${FILES}/quellar.exe"
    File "${FILES}/RQLRMask.skn"
    File "${FILES}/QLRHelp.chm"
    File "${FILES}/Ping.wav"
    File "${FILES}/low-memory.wav"
    !if /FileExists "${FILES}/quellarc.exe"
        File "${FILES}/quellarc.exe"
    !endif
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; For every user of the machine: the program's settings are machine-wide too.
    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\quellar.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\QLRHelp.chm"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION_TEXT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quellar.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
    ; Only what Setup put there: anything the user keeps in the folder stays.
    Delete "$INSTDIR\quellar.exe"
    Delete "$INSTDIR\quellarc.exe"
    Delete "$INSTDIR\RQLRMask.skn"
    Delete "$INSTDIR\QLRHelp.chm"
    Delete "$INSTDIR\Ping.wav"
    Delete "$INSTDIR\low-memory.wav"
    Delete "$INSTDIR\Uninstall.exe"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; "Run Main Program when windows start up" leaves this in the user's Run key.
    DeleteRegValue HKCU "${RUN_KEY}" "QuellarRun"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    MessageBox MB_YESNO|MB_ICONQUESTION "Keep your backups and settings?$\r$\n$\r$\nThe backups let you put back the network settings you had before ${PRODUCT} changed them. Choose No to delete the Backups folder and ${PRODUCT}'s settings as well." /SD IDYES IDYES keep
        RMDir /r "$INSTDIR\Backups"
        DeleteRegKey HKLM "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKLM "SOFTWARE\BRD"
    keep:
    RMDir "$INSTDIR"
SectionEnd
