; The installer of 墨舟, built by scripts/release with NSIS (makensis):
;   makensis -DTARGET=x86-unicode -DVERSION=1.0.0.0 -DPROGRAM_DIR=<program folder> -DOUT_FILE=<installer>
;            -DSCHEMES_NSH=<list of the shipped scheme files> jexmarlo.nsi
;
; Started by a user it is an ordinary installer with Chinese pages: welcome,
; folder, progress, finish.  Started with "/update" (by the updater, from
; the program folder, hidden) it is the update package: it shows nothing,
; waits until no jexmarlo.exe or jexUpdate.exe runs any more, and replaces
; the program's files in its own folder.  Neither way touches config.ini,
; the data folder or scheme files the user added.

Unicode true
Target ${TARGET}
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "墨舟"
!define REG_KEY "Software\jexsoft\jexmarlo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\jexmarlo"
; How long the update waits for the programs to end: 600 x 500 ms.
!define WAIT_ROUNDS 600

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} 安装"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\jexsoft\jexmarlo"
InstallDirRegKey HKCU "${REG_KEY}" "InstallDir"
; The program keeps its settings and data beside itself: it goes where the
; user may write, and needs no administrator.
RequestExecutionLevel user
SetCompressor /SOLID lzma
BrandingText "jexsoft"
; A file that cannot be written stops the installation with a message (it
; is never left out unseen, as a skipped file would be in an update).
AllowSkipFiles off

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "jexsoft"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} ${VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Copyright (C) jexsoft"

!define MUI_ICON "jexmarlo.ico"
!define MUI_UNICON "jexmarlo.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "installer_side.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "installer_side.bmp"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "这将在您的计算机上安装 ${PRODUCT} ${VERSION}：一个管理源代码片段的个人代码库。$\r$\n$\r$\n若 ${PRODUCT} 正在运行，请先关闭它。$\r$\n$\r$\n点击“下一步(N)”继续。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\jexmarlo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Var UpdateMode
Var Running     ; 1 while the program or the updater runs
Var Snapshot
Var Entry
Var More
Var ExeName

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/update" $R1
    ${IfNot} ${Errors}
        StrCpy $UpdateMode 1
        SetSilent silent
        StrCpy $INSTDIR $EXEDIR
    ${EndIf}
FunctionEnd

; $Running = 1 when a process of jexmarlo.exe or jexUpdate.exe exists.
Function FindPrograms
    StrCpy $Running 0
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .s'
    Pop $Snapshot
    ${If} $Snapshot P= -1
        Return
    ${EndIf}
    ; PROCESSENTRY32W, its size in its first field.
    System::Call '*(&l4, i, i, p, i, i, i, i, i, &w260) p .s'
    Pop $Entry
    System::Call 'kernel32::Process32FirstW(p $Snapshot, p $Entry) i .s'
    Pop $More
    ${DoWhile} $More <> 0
        System::Call '*$Entry(i, i, i, p, i, i, i, i, i, &w260 .s)'
        Pop $ExeName
        ${GetFileName} $ExeName $ExeName
        ${If} $ExeName == "jexmarlo.exe"
        ${OrIf} $ExeName == "jexUpdate.exe"
            StrCpy $Running 1
            ${Break}
        ${EndIf}
        System::Call 'kernel32::Process32NextW(p $Snapshot, p $Entry) i .s'
        Pop $More
    ${Loop}
    System::Free $Entry
    System::Call 'kernel32::CloseHandle(p $Snapshot)'
FunctionEnd

Function WaitForPrograms
    StrCpy $R2 0
    ${Do}
        Call FindPrograms
        ${If} $Running == 0
            Return
        ${EndIf}
        IntOp $R2 $R2 + 1
        ${If} $R2 > ${WAIT_ROUNDS}
            MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} 仍在运行，更新未完成。请关闭 ${PRODUCT} 后重新检查更新。"
            Abort
        ${EndIf}
        Sleep 500
    ${Loop}
FunctionEnd

Section "${PRODUCT}"
    ${If} $UpdateMode == 1
        Call WaitForPrograms
    ${EndIf}
    SetOverwrite on
    SetOutPath "$INSTDIR"
    File "${PROGRAM_DIR}\jexmarlo.exe"
    File "${PROGRAM_DIR}\jexUI.dll"
    File "${PROGRAM_DIR}\jexUpdate.exe"
    ; The shipped schemes are replaced; files the user added stay.
    SetOutPath "$INSTDIR\Syntax"
    File "${PROGRAM_DIR}\Syntax\*.xml"
    SetOutPath "$INSTDIR\skins\default"
    File /r "${PROGRAM_DIR}\skins\default\*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    WriteRegStr HKCU "${REG_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "jexsoft"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\jexmarlo.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${If} $UpdateMode != 1
        CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\jexmarlo.exe"
        CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\jexmarlo.exe"
    ${EndIf}
SectionEnd

; The program's files go; config.ini, the data folder and the user's own
; schemes stay (and so does the folder that holds them).
Section "Uninstall"
    Delete "$INSTDIR\jexmarlo.exe"
    Delete "$INSTDIR\jexUI.dll"
    Delete "$INSTDIR\jexUpdate.exe"
    Delete "$INSTDIR\jexupdate_pack_tmp.exe"
    !include "${SCHEMES_NSH}"
    RMDir "$INSTDIR\Syntax"
    RMDir /r "$INSTDIR\skins\default"
    RMDir "$INSTDIR\skins"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "${REG_KEY}"
SectionEnd
