; The installer a web update downloads: Marrowby.exe and its release notes
; in Program Files, a Start menu shortcut, an uninstaller.
; The administrative templates go beside the program, for the administrator
; to copy into the central store.
; makensis -DVERSION=<x.y.z.w> -DEXE=<Marrowby.exe> -DNOTES=<Marrowby.txt> -DPOLICIES=<policies folder>
;          -DOUTFILE=<setup.exe> Marrowby.nsi

; A 64-bit installer for a 64-bit program (it also runs where no 32-bit layer is installed).
Target amd64-unicode

!ifndef VERSION | EXE | NOTES | POLICIES | OUTFILE
  !error "VERSION, EXE, NOTES, POLICIES and OUTFILE must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Marrowby"
; The event source of unattended runs: the viewer finds the texts of its
; events in Marrowby.exe's message table. Without it the events are still
; written, only shown without their text.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Marrowby"

Name "Marrowby"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Brenlow\Marrowby"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Marrowby"
VIAddVersionKey "CompanyName" "Brenlow"
VIAddVersionKey "FileDescription" "Marrowby Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Brenlow"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Marrowby"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Marrowby.exe" "${EXE}"
  File "/oname=Marrowby.txt" "${NOTES}"
  SetOutPath "$INSTDIR\Policies\en-US"
  File "/oname=Marrowby.adml" "${POLICIES}/en-US/Marrowby.adml"
  SetOutPath "$INSTDIR\Policies"
  File "/oname=Marrowby.admx" "${POLICIES}/Marrowby.admx"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Marrowby.lnk" "$INSTDIR\Marrowby.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Marrowby"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brenlow"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Marrowby.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\Marrowby.exe"
  ; Error, warning and information.
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Marrowby.lnk"
  Delete "$INSTDIR\Marrowby.exe"
  Delete "$INSTDIR\Marrowby.txt"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$INSTDIR\Policies\en-US\Marrowby.adml"
  Delete "$INSTDIR\Policies\Marrowby.admx"
  RMDir "$INSTDIR\Policies\en-US"
  RMDir "$INSTDIR\Policies"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
SectionEnd
