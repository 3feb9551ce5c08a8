; The Windows installer of Vesk2, built by scripts/package.sh with makensis:
;   makensis -DVERSION=x.y.z -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> Vesk2.nsi
; The VST3 bundle goes to %CommonProgramFiles%\VST3, the CLAP plug-in to
; %CommonProgramFiles%\CLAP, the VST 2.4 DLL to a folder the user chooses
; (silently: /S /VST2DIR=<folder>); the uninstaller removes exactly those
; files and what it made for itself, never the user's own settings.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Vesk2"
!define MAKER "Morlenvale"
!define SITE "https://morlenvale.example/"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morlenvale Vesk2"
!define PROGRAM_DIR "$PROGRAMFILES64\Morlenvale\Vesk2"
!define VST3_BUNDLE "$COMMONFILES64\VST3\Vesk2.vst3"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VSTPlugins"
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${MAKER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\licence.txt"
!define MUI_PAGE_HEADER_TEXT "VST 2.4 folder"
!define MUI_PAGE_HEADER_SUBTEXT "Where your VST 2.4 host looks for plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Vesk2.dll, the VST 2.4 plug-in, goes into the folder below. The VST3 and CLAP plug-ins go into the folders every host scans: $COMMONFILES64\VST3 and $COMMONFILES64\CLAP."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2.4 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
  ; An earlier installation's VST 2.4 folder comes first, then the command line's.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "VST2Folder"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/VST2DIR=" $2
  ${IfNot} ${Errors}
  ${AndIf} $2 != ""
    StrCpy $INSTDIR $2
  ${EndIf}
FunctionEnd

Section "Vesk2"
  SetShellVarContext all
  SetRegView 64
  ; A version installed before is replaced: its VST 2.4 plug-in may sit in another folder.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "VST2Folder"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Delete "$0\Vesk2.dll"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\Vesk2.dll"
  SetOutPath "${VST3_BUNDLE}\Contents\x86_64-win"
  File "${STAGE}\Vesk2.vst3\Contents\x86_64-win\Vesk2.vst3"
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}\Vesk2.clap"
  SetOutPath "${PROGRAM_DIR}"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\Vera-COPYRIGHT.txt"
  File "${STAGE}\README.txt"
  WriteUninstaller "${PROGRAM_DIR}\Uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINST_KEY}" "URLInfoAbout" "${SITE}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "${PROGRAM_DIR}"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"${PROGRAM_DIR}\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"${PROGRAM_DIR}\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "VST2Folder" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "${VST3_BUNDLE}" "/S=0K" $1 $2 $3
  ${GetSize} "${PROGRAM_DIR}" "/S=0K" $4 $2 $3
  IntOp $1 $1 + $4
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  ReadRegStr $0 HKLM "${UNINST_KEY}" "VST2Folder"
  ${If} $0 != ""
    Delete "$0\Vesk2.dll"
  ${EndIf}
  Delete "${VST3_BUNDLE}\Contents\x86_64-win\Vesk2.vst3"
  RMDir "${VST3_BUNDLE}\Contents\x86_64-win"
  RMDir "${VST3_BUNDLE}\Contents"
  RMDir "${VST3_BUNDLE}"
  Delete "$COMMONFILES64\CLAP\Vesk2.clap"
  Delete "${PROGRAM_DIR}\LICENSE.txt"
  Delete "${PROGRAM_DIR}\Vera-COPYRIGHT.txt"
  Delete "${PROGRAM_DIR}\README.txt"
  Delete "${PROGRAM_DIR}\Uninstall.exe"
  RMDir "${PROGRAM_DIR}"
  RMDir "$PROGRAMFILES64\Morlenvale"  ; only when nothing else of ours is there
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
