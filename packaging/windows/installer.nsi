; The installer of the Virel-3 configurator: per machine, 64-bit, with the demo in its own
; folder. scripts/windows-package.sh defines VERSION, STAGE (the portable folder it made) and
; OUTFILE.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
ManifestDPIAware true
; Solid, with a dictionary larger than one program folder: the demo's copy costs next to nothing.
SetCompressor /SOLID lzma
SetCompressorDictSize 64

!include MUI2.nsh
!include FileFunc.nsh

!define APP "Конфигуратор Вирел-3"
!define DEMO "Конфигуратор Вирел-3 (демонстрация)"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\virel-configurator"
; The uninstaller's questions: files in use, asked once for them all, and files left for the
; restart.
!define IN_USE "Некоторые файлы конфигуратора заняты: вероятно, он ещё запущен. Закройте его и нажмите «Повторить».$\n$\n«Отмена»: занятые файлы будут удалены при перезагрузке компьютера."
!define AT_RESTART "Некоторые файлы конфигуратора были заняты и будут удалены при перезагрузке компьютера. Перезагрузить его сейчас?"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Virel-3 Configurator"
InstallDirRegKey HKLM "${KEY}" InstallLocation
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 ProductName "${APP}"
VIAddVersionKey /LANG=1049 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1049 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1049 FileDescription "Установка: ${APP}"
VIAddVersionKey /LANG=1049 LegalCopyright "© 2026 the virel-configurator authors"

!define MUI_ABORTWARNING
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; Every file, once, for both directions: OP is Put or Remove, so the uninstaller deletes exactly
; what was installed and nothing a user added.
!macro Put DIR NAME
  SetOutPath "$INSTDIR${DIR}"
  File "${STAGE}${DIR}\${NAME}"
!macroend
!macro Remove DIR NAME
  Push "$INSTDIR${DIR}\${NAME}"
  Call un.RemoveFile
!macroend
!macro Program OP DIR
  !insertmacro ${OP} "${DIR}" virel-configurator.exe
  !insertmacro ${OP} "${DIR}" Qt6Core.dll
  !insertmacro ${OP} "${DIR}" Qt6Gui.dll
  !insertmacro ${OP} "${DIR}" Qt6Widgets.dll
  !insertmacro ${OP} "${DIR}" libgcc_s_seh-1.dll
  !insertmacro ${OP} "${DIR}" libstdc++-6.dll
  !insertmacro ${OP} "${DIR}" libwinpthread-1.dll
  !insertmacro ${OP} "${DIR}\platforms" qwindows.dll
  !insertmacro ${OP} "${DIR}\styles" qwindowsvistastyle.dll
!macroend
!macro AllFiles OP
  !insertmacro Program ${OP} ""
  !insertmacro ${OP} "" README.txt
  !insertmacro ${OP} "\licenses" README.txt
  !insertmacro ${OP} "\licenses" LGPL-3.txt
  !insertmacro ${OP} "\licenses" GPL-3.txt
  !insertmacro ${OP} "\licenses" gcc-runtime.txt
  !insertmacro ${OP} "\licenses" mingw-w64.txt
  !insertmacro ${OP} "\licenses" hidapi.txt
  !insertmacro ${OP} "\licenses" hidapi-bsd.txt
  !insertmacro ${OP} "\licenses\hidapi-source" hidapi-mingw.sh
  !insertmacro ${OP} "\licenses\hidapi-source" debian-source.sh
  !insertmacro ${OP} "\licenses\hidapi-source" hidapi-0.15.0-wine-enumeration.patch
  !insertmacro ${OP} "\licenses\qt-source" qtbase-6.4.2-without-opengl.patch
  !insertmacro ${OP} "\licenses\qt-source" qt-mingw.sh
  !insertmacro ${OP} "\licenses\qt-source" debian-source.sh
  !insertmacro Program ${OP} "\demo"
  ; The simulated detector, only ever in the demo's folder.
  !insertmacro ${OP} "\demo" SimpleIO-UM.dll
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Our MCP2200 library is told from a SimpleIO-UM.dll the user put in its place (the bridge
; maker's) by the size and time stamp recorded when it was installed. BridgeStamp leaves them in
; $R0, empty when there is no such file, and "unreadable" when there is one that cannot be read:
; never taken for ours nor for none.
!macro BridgeStampFunction UN
Function ${UN}BridgeStamp
  StrCpy $R0 ""
  IfFileExists "$INSTDIR\SimpleIO-UM.dll" 0 done
  StrCpy $R0 unreadable
  ClearErrors
  FileOpen $R1 "$INSTDIR\SimpleIO-UM.dll" r
  IfErrors done
  FileSeek $R1 0 END $R2
  FileClose $R1
  GetFileTime "$INSTDIR\SimpleIO-UM.dll" $R3 $R4
  IfErrors done
  StrCpy $R0 "$R2 $R3 $R4"
  done:
FunctionEnd
!macroend
!insertmacro BridgeStampFunction ""
!insertmacro BridgeStampFunction "un."

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Deletes the file named on the stack. A file in use, as the program's are while it runs, cannot
; be deleted: in a first pass ($Pass 0) it is counted in $InUse and left; in the last pass
; ($Pass 1) it is deleted when Windows restarts, which sets the reboot flag. A file deleted
; already, or never there, is no error.
Var Pass
Var InUse
Function un.RemoveFile
  Exch $R0
  ClearErrors
  Delete "$R0"
  IfErrors 0 done
  StrCmp $Pass 1 at_restart
    IntOp $InUse $InUse + 1
    Goto done
  at_restart:
    Delete /REBOOTOK "$R0"
    DetailPrint "Будет удалён при перезагрузке: $R0"
  done:
  Pop $R0
FunctionEnd

; Ours, and our SimpleIO-UM.dll when $1 says it is ours.
Function un.RemoveAll
  !insertmacro AllFiles Remove
  StrCmp $1 1 0 not_ours
    !insertmacro Remove "" SimpleIO-UM.dll
  not_ours:
FunctionEnd

; A folder left with files that go at restart goes then too.
!macro RemoveFolder DIR
  IfRebootFlag 0 +3
    RMDir /REBOOTOK "${DIR}"
    Goto +2
  RMDir "${DIR}"
!macroend

Section
  !insertmacro AllFiles Put
  ; Ours replaces ours; any other SimpleIO-UM.dll stays.
  Call BridgeStamp
  ReadRegStr $0 HKLM "${KEY}" BridgeLibrary
  StrCmp $R0 "" put_bridge
  StrCmp $R0 $0 put_bridge
    DetailPrint "Оставлена библиотека $INSTDIR\SimpleIO-UM.dll"
    Goto bridge_done
  put_bridge:
    !insertmacro Put "" SimpleIO-UM.dll
    Call BridgeStamp
    ; Never recorded as ours: an unreadable file later is never taken for it.
    StrCmp $R0 unreadable 0 +2
      StrCpy $R0 ""
    WriteRegStr HKLM "${KEY}" BridgeLibrary $R0
  bridge_done:
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; A shortcut's working folder is the output folder of the moment.
  CreateDirectory "$SMPROGRAMS\${APP}"
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\virel-configurator.exe"
  SetOutPath "$INSTDIR\demo"
  CreateShortCut "$SMPROGRAMS\${APP}\${DEMO}.lnk" "$INSTDIR\demo\virel-configurator.exe"

  WriteRegStr HKLM "${KEY}" DisplayName "${APP}"
  WriteRegStr HKLM "${KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${KEY}" Publisher "the virel-configurator authors"
  WriteRegStr HKLM "${KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${KEY}" DisplayIcon "$INSTDIR\virel-configurator.exe"
  WriteRegDWORD HKLM "${KEY}" NoModify 1
  WriteRegDWORD HKLM "${KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${KEY}" EstimatedSize $0
SectionEnd

Section Uninstall
  ; Whose SimpleIO-UM.dll it is, told once, before anything goes: $1 is 1 for ours.
  Call un.BridgeStamp
  ReadRegStr $0 HKLM "${KEY}" BridgeLibrary
  StrCpy $1 0
  StrCmp $R0 "" bridge_told
  StrCmp $R0 $0 0 bridge_told
    StrCpy $1 1
  bridge_told:
  ; Every file once; with any in use, the user is asked once for them all: close the program
  ; and retry, or else (and at once in a silent uninstall) they go at restart.
  StrCpy $Pass 0
  remove_all:
    StrCpy $InUse 0
    Call un.RemoveAll
    IntCmp $InUse 0 removed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${IN_USE}" /SD IDCANCEL IDRETRY remove_all
    StrCpy $Pass 1
    Call un.RemoveAll
  removed:
  ; The uninstaller runs from a copy; the one that started it may still be ending, and Windows
  ; does not delete a running program: 5 s for it to end, else it goes at restart.
  StrCpy $0 0
  remove_uninstaller:
    ClearErrors
    Delete "$INSTDIR\Uninstall.exe"
    IfErrors 0 uninstaller_removed
    IntOp $0 $0 + 1
    Sleep 100
    IntCmp $0 50 0 remove_uninstaller
    Delete /REBOOTOK "$INSTDIR\Uninstall.exe"
    DetailPrint "Будет удалён при перезагрузке: $INSTDIR\Uninstall.exe"
  uninstaller_removed:
  !insertmacro RemoveFolder "$INSTDIR\demo\platforms"
  !insertmacro RemoveFolder "$INSTDIR\demo\styles"
  !insertmacro RemoveFolder "$INSTDIR\demo"
  !insertmacro RemoveFolder "$INSTDIR\licenses\qt-source"
  !insertmacro RemoveFolder "$INSTDIR\licenses\hidapi-source"
  !insertmacro RemoveFolder "$INSTDIR\licenses"
  !insertmacro RemoveFolder "$INSTDIR\platforms"
  !insertmacro RemoveFolder "$INSTDIR\styles"
  ; Not recursive: a SimpleIO-UM.dll the user put here keeps the folder.
  !insertmacro RemoveFolder "$INSTDIR"
  StrCmp $1 1 +3
  IfFileExists "$INSTDIR\SimpleIO-UM.dll" 0 +2
    DetailPrint "Оставлена библиотека $INSTDIR\SimpleIO-UM.dll"

  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\${DEMO}.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  ; Nothing is left behind unsaid: what was in use is removed at restart, and the user is told.
  DeleteRegKey HKLM "${KEY}"
  IfRebootFlag 0 no_restart
    DetailPrint "Оставшиеся файлы будут удалены при перезагрузке компьютера."
    MessageBox MB_YESNO|MB_ICONINFORMATION "${AT_RESTART}" /SD IDNO IDNO no_restart
    Reboot
  no_restart:
SectionEnd
