; Zentrove's setup program. tools/package compiles it with
;   makensis -DVERSION=x.y.z -DVERSION_FOUR=x.y.z.0 -DSTAGE=folder -DOUTFILE=file -DICON=file
; STAGE holds the files that are installed.

Unicode true
; The program is 64-bit only; a 64-bit setup also sees the registry and Program Files unredirected.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Zentrove"
!define PUBLISHER "Morvane"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentrove"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MENU_FOLDER "$SMPROGRAMS\Zentrove"
; Exit codes for scripts that run the setup silently.
!define EXIT_REFUSED 2
!define EXIT_NOT_ADMIN 740

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An installed copy is upgraded where it is.
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_FOUR}"
VIFileVersion "${VERSION_FOUR}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; make_wizard.py draws it from the program's icon.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\wizard.bmp"

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION}, the registry cleaner and system care tool, on this computer.$\r$\n$\r$\nIf ${PRODUCT} is running, close it before you continue. An installed copy is upgraded in its folder; your settings and registry backups are kept.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\License.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolderPage
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the read-me"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} has been removed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been removed from this computer.$\r$\n$\r$\nYour registry backups (the folder Morvane\Zentrove in your application-data folder) and your settings have been left where they are, so that earlier repairs can still be undone. Delete them yourself when you no longer need them."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; Leaves $0 empty when $INSTDIR can take the program, else the reason it cannot. A folder
; made only for the test is removed again, so a refusal leaves nothing behind.
!macro CHECK_FOLDER
    StrCpy $0 ""
    ${If} ${FileExists} "$INSTDIR"
    ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $0 "$INSTDIR is a file, not a folder. Choose another folder for ${PRODUCT}."
    ${Else}
        StrCpy $2 "existed"
        ${IfNot} ${FileExists} "$INSTDIR\*.*"
            StrCpy $2 ""
        ${EndIf}
        ClearErrors
        CreateDirectory "$INSTDIR"
        FileOpen $1 "$INSTDIR\zentrove-setup.tmp" w
        ${If} ${Errors}
            StrCpy $0 "${PRODUCT} cannot be installed in $INSTDIR: the folder cannot be created or written to. Choose another folder."
        ${Else}
            FileClose $1
            Delete "$INSTDIR\zentrove-setup.tmp"
        ${EndIf}
        ${If} $2 == ""
            RMDir "$INSTDIR"
        ${EndIf}
    ${EndIf}
!macroend

; Leaves $0 "running" while the program in $INSTDIR runs: Windows keeps a running program's
; file from being opened for writing.
!macro CHECK_RUNNING
    StrCpy $0 ""
    ${If} ${FileExists} "$INSTDIR\zentrove.exe"
        ClearErrors
        FileOpen $1 "$INSTDIR\zentrove.exe" a
        ${If} ${Errors}
            StrCpy $0 "running"
        ${Else}
            FileClose $1
        ${EndIf}
    ${EndIf}
!macroend

; Asks to close a running copy; a silent run, or Cancel, ends with EXIT_REFUSED.
!macro WAIT_UNTIL_CLOSED
    ${Do}
        !insertmacro CHECK_RUNNING
        ${If} $0 == ""
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then click Retry." /SD IDCANCEL IDRETRY +3
        SetErrorLevel ${EXIT_REFUSED}
        Quit
    ${Loop}
!macroend

!macro REQUIRE_ADMIN
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is set up for every user of this computer and needs administrator rights.$\r$\nRun this program again as an administrator. Nothing has been changed." /SD IDOK
        SetErrorLevel ${EXIT_NOT_ADMIN}
        Quit
    ${EndIf}
!macroend

Function .onInit
    SetRegView 64
    !insertmacro REQUIRE_ADMIN
    ; Setup quietly puts a /D that names a file back to the default folder; refuse it instead.
    ; It also cuts /D off its own command line, but not off the ANSI copy Windows keeps.
    System::Call "kernel32::GetCommandLineA() m .r0"
    ClearErrors
    ${GetOptions} $0 "/D=" $1
    ${IfNot} ${Errors}
        StrCpy $2 $1 1 -1
        ${If} $2 == "\"
            StrCpy $1 $1 -1
        ${EndIf}
        ${If} $1 != "$INSTDIR"
            MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} cannot be installed in $1: it is a file, or not a folder setup can use. Choose another folder." /SD IDOK
            SetErrorLevel ${EXIT_REFUSED}
            Quit
        ${EndIf}
    ${EndIf}
    ; With /S there is no folder page, so the folder from /D or the registry is checked here.
    ${If} ${Silent}
        !insertmacro CHECK_FOLDER
        ${If} $0 != ""
            SetErrorLevel ${EXIT_REFUSED}
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Function .onVerifyInstDir
    ; A file is never a folder to install into: Next stays disabled.
    ${If} ${FileExists} "$INSTDIR"
    ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
        Abort
    ${EndIf}
FunctionEnd

Function CheckFolderPage
    !insertmacro CHECK_FOLDER
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$0"
        Abort
    ${EndIf}
FunctionEnd

Section "-Zentrove"
    !insertmacro WAIT_UNTIL_CLOSED
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    SetOverwrite on
    File "${STAGE}\zentrove.exe"
    File "${STAGE}\zentrove-cli.exe"
    File "${STAGE}\Zentrove.chm"
    File "${STAGE}\License.txt"
    File "${STAGE}\ReadMe.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\Zentrove.lnk" "$INSTDIR\zentrove.exe"
    CreateShortcut "${MENU_FOLDER}\Zentrove Help.lnk" "$INSTDIR\Zentrove.chm"
    CreateShortcut "${MENU_FOLDER}\Uninstall Zentrove.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\zentrove.exe"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "URLInfoAbout" "http://www.zentrove.example"
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
    SetRegView 64
    !insertmacro REQUIRE_ADMIN
FunctionEnd

Section "Uninstall"
    !insertmacro WAIT_UNTIL_CLOSED
    SetShellVarContext all
    Delete "$INSTDIR\zentrove.exe"
    Delete "$INSTDIR\zentrove-cli.exe"
    Delete "$INSTDIR\Zentrove.chm"
    Delete "$INSTDIR\License.txt"
    Delete "$INSTDIR\ReadMe.txt"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: anything the user put there stays.
    RMDir "$INSTDIR"

    Delete "${MENU_FOLDER}\Zentrove.lnk"
    Delete "${MENU_FOLDER}\Zentrove Help.lnk"
    Delete "${MENU_FOLDER}\Uninstall Zentrove.lnk"
    RMDir "${MENU_FOLDER}"

    ; The program's own "start with Windows" value, when it starts this copy or a file that is gone.
    ClearErrors
    ReadRegStr $0 HKLM "${RUN_KEY}" "Zentrove"
    ${IfNot} ${Errors}
        ${If} $0 == "$INSTDIR\zentrove.exe"
        ${OrIfNot} ${FileExists} "$0"
            DeleteRegValue HKLM "${RUN_KEY}" "Zentrove"
        ${EndIf}
    ${EndIf}
    DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
