; The setup program of Tagwick for 64-bit Windows, built by scripts/package-windows:
;   makensis -DVERSION=1.0 -DSTAGE=<the zip's folder> -DSETUP=<the setup's own files>
;            -DOUTFILE=<setup.exe> tagwick.nsi
; SETUP holds tagwick.ico and LICENSE.txt (the licence page's copy).
; Per user by default, without administrator rights (%LOCALAPPDATA%\Programs\Tagwick);
; /AllUsers installs under Program Files for every user (elevation), /CurrentUser forces the
; default, /S is silent, /D=DIR (last) chooses the folder. A setup over an installation of the
; same scope replaces it in its folder. The uninstaller (uninstall.exe, /S silent) removes what
; was installed and keeps each user's own language copy in %APPDATA%\Tagwick\Language.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION, STAGE, SETUP and OUTFILE are defined by scripts/package-windows"
!endif

!define APP "Tagwick"
!define PUBLISHER "Tagwick developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tagwick"
; Windows 10 version 1809: Qt 6's oldest Windows.
!define MIN_BUILD 17763

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"

!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh
!include MUI2.nsh

Var AllUsers  ; 1: every user, under Program Files and HKLM; 0: this user, HKCU
Var Running   ; the tagwick.exe that was found in use

!define MUI_ICON "${SETUP}\tagwick.ico"
!define MUI_UNICON "${SETUP}\tagwick.ico"
!define MUI_WELCOMEPAGE_TEXT "This installs ${APP} ${VERSION}, which commissions and tests a \
  networked RFID reader over UDP.$\r$\n$\r$\nIt needs Windows 10 version 1809 or later, 64-bit.\
  $\r$\n$\r$\nBy default it is installed for you alone, without administrator rights. \
  Start the setup with /AllUsers to install it for every user of this computer."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SETUP}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tagwick.exe"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTagwick
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "${APP} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright \
  "GNU General Public License, version 3 or later"

; The same shortcut for every scope: started in the user's profile folder, which holds no
; Language folder, so that the program takes (and on its first start makes) the user's own copy
; in %APPDATA%\Tagwick\Language, and its save dialog opens where the user may write. The shell
; expands the variable when the shortcut is started.
!macro Shortcuts
  Push $OUTDIR
  StrCpy $OUTDIR "%USERPROFILE%"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tagwick.exe" "" "$INSTDIR\tagwick.ico" 0
  ; The command-line program: a console with the install folder on its PATH.
  CreateShortcut "$SMPROGRAMS\${APP} command line.lnk" "$SYSDIR\cmd.exe" \
    '/k path $INSTDIR;%PATH%&& tagwick-cli --help' "$INSTDIR\tagwick.ico" 0
  Pop $OUTDIR
!macroend

!macro ChooseScope
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${AtLeastWin10}
  ${OrIfNot} ${AtLeastBuild} ${MIN_BUILD}
    MessageBox MB_OK|MB_ICONSTOP "${APP} needs Windows 10 version 1809 or later, 64-bit. \
      This Windows is older; ${APP} cannot be installed on it." /SD IDOK
    SetErrorLevel 1150  ; ERROR_OLD_WIN_VERSION
    Quit
  ${EndIf}

  ${GetParameters} $R0
  StrCpy $AllUsers 0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}

  ${If} $AllUsers = 1
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 != "Admin"
      ; Started again with elevation; this copy ends.
      ExecShellWait "runas" "$EXEPATH" "$R0"
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro ChooseScope

  ; An installation of this scope is replaced in its own folder; /D (already in $INSTDIR) or
  ; the scope's default folder otherwise.
  ${If} $AllUsers = 1
    ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $R2 != ""
      StrCpy $INSTDIR $R2
    ${ElseIf} $AllUsers = 1
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${APP}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Whether $R9\tagwick.exe is in use: a running program cannot be opened for writing.
Function CheckRunning
  StrCpy $Running ""
  ${If} ${FileExists} "$R9\tagwick.exe"
    ClearErrors
    FileOpen $R8 "$R9\tagwick.exe" a
    ${If} ${Errors}
      StrCpy $Running "$R9\tagwick.exe"
    ${Else}
      FileClose $R8
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartTagwick
  ; As the Start-menu entry starts it.
  ExecShell "open" "$SMPROGRAMS\${APP}.lnk"
FunctionEnd

; The "Apps & features" entry; $R1 holds the scope's option for the uninstaller.
!macro WriteKey ROOT
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tagwick.ico"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"$R1'
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S$R1'
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" $R4
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
!macroend

Section "Tagwick"
  ; Not overwritten half-way: a running copy is reported before anything changes.
  ${If} $AllUsers = 1
    ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $R7 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${Do}
    StrCpy $R9 $INSTDIR
    Call CheckRunning
    ${If} $Running == ""
    ${AndIf} $R7 != ""
      StrCpy $R9 $R7
      Call CheckRunning
    ${EndIf}
    ${If} $Running == ""
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${APP} is running ($Running). Close it, \
      then choose Retry." /SD IDCANCEL IDRETRY retry
    DetailPrint "${APP} is running ($Running): nothing was changed."
    SetErrorLevel 32  ; ERROR_SHARING_VIOLATION
    Abort "${APP} is running: close it and start the setup again."
    retry:
  ${Loop}

  ; The earlier version's own uninstaller removes its files, so that none is left behind.
  ${If} $R7 != ""
  ${AndIf} ${FileExists} "$R7\uninstall.exe"
    DetailPrint "Removing the installed version from $R7"
    ${If} $AllUsers = 1
      ExecWait '"$R7\uninstall.exe" /S /AllUsers _?=$R7' $R6
    ${Else}
      ExecWait '"$R7\uninstall.exe" /S _?=$R7' $R6
    ${EndIf}
    Delete "$R7\uninstall.exe"
    RMDir "$R7"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\tagwick.exe"
  File "${STAGE}\tagwick-cli.exe"
  File "${STAGE}\1.wav"
  File "${SETUP}\tagwick.ico"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE"
  File "${STAGE}\THIRD-PARTY.txt"
  !ifdef EXTRA_FILE  ; the tests' older version carries one file more, EXTRA_NAME
    File "${EXTRA_FILE}"
  !endif
  SetOutPath "$INSTDIR\Language"
  File "${STAGE}\Language\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro Shortcuts

  ${GetSize} "$INSTDIR" "/S=0K" $R4 $R3 $R2
  ${If} $AllUsers = 1
    StrCpy $R1 " /AllUsers"
    !insertmacro WriteKey HKLM
  ${Else}
    StrCpy $R1 ""
    !insertmacro WriteKey HKCU
  ${EndIf}
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  StrCpy $AllUsers 0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 != "Admin"
      ExecShellWait "runas" "$EXEPATH" "$R0"
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro ChooseScope
FunctionEnd

Section "Uninstall"
  StrCpy $R9 $INSTDIR
  Call un.CheckRunning
  ${If} $Running != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} is running ($Running). Close it, then \
      uninstall again." /SD IDOK
    SetErrorLevel 32
    Abort "${APP} is running."
  ${EndIf}
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP} command line.lnk"
  Delete "$INSTDIR\tagwick.exe"
  Delete "$INSTDIR\tagwick-cli.exe"
  Delete "$INSTDIR\1.wav"
  Delete "$INSTDIR\tagwick.ico"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  !ifdef EXTRA_NAME
    Delete "$INSTDIR\${EXTRA_NAME}"
  !endif
  ; Only the installed languages: each user's own copy lives in %APPDATA%\Tagwick.
  RMDir /r "$INSTDIR\Language"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${If} $AllUsers = 1
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

Function un.CheckRunning
  StrCpy $Running ""
  ${If} ${FileExists} "$R9\tagwick.exe"
    ClearErrors
    FileOpen $R8 "$R9\tagwick.exe" a
    ${If} ${Errors}
      StrCpy $Running "$R9\tagwick.exe"
    ${Else}
      FileClose $R8
    ${EndIf}
  ${EndIf}
FunctionEnd
