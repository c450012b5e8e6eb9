; Installer of Тайнотека for 64-bit Windows, made on Debian with makensis:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DSTAGE=dir -DFILES=list.nsh
;            -DOUTFILE=setup.exe -DICON=tainoteka.ico tainoteka.nsi
; Silent: setup.exe /S [/D=C:\folder] and uninstall.exe /S.
; A 64-bit installer for a 64-bit program (and Wine without 32-bit support).
Target amd64-unicode
!include "LogicLib.nsh"

!define APP "Тайнотека"
!define PROGID "Tainoteka.Document"
!define AGE_PROGID "Tainoteka.AgeDocument"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tainoteka"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${APP}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${APP}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка: ${APP}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "${APP}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tainoteka.exe" "" "$INSTDIR\tainoteka.exe" 0

  ; .txtp documents: own icon (the second one in the program), open in the program
  WriteRegStr HKLM "Software\Classes\.txtp" "" "${PROGID}"
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Защищённый документ Тайнотеки"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\tainoteka.exe,1"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\tainoteka.exe" "%1"'

  ; .txt.age documents: Windows knows a file type only by its last extension,
  ; and most .age files are not text, so the program is offered in ".age"'s
  ; "Open with" list, and the type's own program stays whatever it was.
  WriteRegStr HKLM "Software\Classes\.age\OpenWithProgids" "${AGE_PROGID}" ""
  WriteRegStr HKLM "Software\Classes\${AGE_PROGID}" "" "Документ Тайнотеки с надёжной защитой"
  WriteRegStr HKLM "Software\Classes\${AGE_PROGID}\DefaultIcon" "" "$INSTDIR\tainoteka.exe,1"
  WriteRegStr HKLM "Software\Classes\${AGE_PROGID}\shell\open\command" "" '"$INSTDIR\tainoteka.exe" "%1"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tainoteka.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; Removes what the installer added; documents and settings (options.ini)
; stay, and so does the folder when they are in it.
Section "Uninstall"
  SetShellVarContext all
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP}.lnk"
  ReadRegStr $0 HKLM "Software\Classes\.txtp" ""
  ${If} $0 == "${PROGID}"
    DeleteRegKey HKLM "Software\Classes\.txtp"
  ${EndIf}
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegValue HKLM "Software\Classes\.age\OpenWithProgids" "${AGE_PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.age\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.age"
  DeleteRegKey HKLM "Software\Classes\${AGE_PROGID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
