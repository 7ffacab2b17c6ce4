; The Windows installer: the folder that `cmake --install` stages (STAGE), installed for the user who runs
; it, in that user's own programs folder. The second page's data file prog\data.txt is written by the
; program, and a folder under Program Files is not the user's to write.
; makensis -DVERSION=x.y.z -DSTAGE=<folder> -DOUTFILE=<setup.exe> vestrel.nsi
; A 64-bit installer for the 64-bit program: it runs wherever the program does (wine64 included, which
; starts no 32-bit program).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION | STAGE | OUTFILE
!error "give -DVERSION=, -DSTAGE= and -DOUTFILE="
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vestrel"

Name "Vestrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vestrel"
InstallDirRegKey HKCU "Software\Tovi\Vestrel" "InstallDir"
Icon "vestrel.ico"
UninstallIcon "vestrel.ico"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Vestrel"
    SetOutPath "$INSTDIR"
    ; A data file the user has edited is kept when a newer version is installed over it.
    SetOverwrite on
    File /r /x data.txt "${STAGE}\*.*"
    SetOverwrite off
    SetOutPath "$INSTDIR\prog"
    File "${STAGE}\prog\data.txt"
    SetOverwrite on

    ; The program looks for prog\ in the folder it is started in: the shortcut starts it in its own.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Vestrel.lnk" "$INSTDIR\Vestrel.exe" "" "$INSTDIR\Vestrel.exe" 0
    WriteRegStr HKCU "Software\Tovi\Vestrel" "InstallDir" "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vestrel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tovi"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vestrel.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\Vestrel.lnk"
    ; What the installer put there goes; the data file stays when it is there (it is the user's), and with
    ; it its folder.
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\*.dll"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    Delete "$INSTDIR\prog\*.EXE"
    Delete "$INSTDIR\prog\numar.txt"
    RMDir "$INSTDIR\prog"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Tovi\Vestrel"
SectionEnd
