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
  Delete "$INSTDIR${DIR}\${NAME}"
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
; $R0, empty when there is no such file.
!macro BridgeStampFunction UN
Function ${UN}BridgeStamp
  StrCpy $R0 ""
  IfFileExists "$INSTDIR\SimpleIO-UM.dll" 0 done
  ClearErrors
  FileOpen $R1 "$INSTDIR\SimpleIO-UM.dll" r
  IfErrors done
  FileSeek $R1 0 END $R2
  FileClose $R1
  GetFileTime "$INSTDIR\SimpleIO-UM.dll" $R3 $R4
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
  !insertmacro AllFiles Remove
  Call un.BridgeStamp
  ReadRegStr $0 HKLM "${KEY}" BridgeLibrary
  StrCmp $R0 "" bridge_done
  StrCmp $R0 $0 0 bridge_done
    !insertmacro Remove "" SimpleIO-UM.dll
  bridge_done:
  ; The uninstaller runs from a copy; the one that started it may still be ending, and Windows
  ; does not delete a running program.
  StrCpy $0 0
  remove_uninstaller:
    Delete "$INSTDIR\Uninstall.exe"
    IfFileExists "$INSTDIR\Uninstall.exe" 0 +4
    IntOp $0 $0 + 1
    Sleep 100
    IntCmp $0 50 0 remove_uninstaller
  RMDir "$INSTDIR\demo\platforms"
  RMDir "$INSTDIR\demo\styles"
  RMDir "$INSTDIR\demo"
  RMDir "$INSTDIR\licenses\qt-source"
  RMDir "$INSTDIR\licenses\hidapi-source"
  RMDir "$INSTDIR\licenses"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"
  ; Not recursive: a SimpleIO-UM.dll the user put here keeps the folder.
  RMDir "$INSTDIR"
  IfFileExists "$INSTDIR\SimpleIO-UM.dll" 0 +2
    DetailPrint "Оставлена библиотека $INSTDIR\SimpleIO-UM.dll"

  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\${DEMO}.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
