; What the per-user installer adds to CPack's: the "Open with" verb for .xml and
; .vqd under the user's own classes, and an uninstall that also removes what the
; viewer and the stand-in tools wrote in the program folder (fetched images,
; decrypted copies, rendered pages), keeping the user's own tableRFC.cfg.

!macro TesmiraVerb extension
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\.${extension}\shell\TesmiraViewer" "" "Abrir con Tesmira Viewer"
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\.${extension}\shell\TesmiraViewer" "Icon" "$INSTDIR\Vandrel.exe"
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\.${extension}\shell\TesmiraViewer\command" "" '"$INSTDIR\Vandrel.exe" "%1"'
!macroend

!macro TesmiraInstallExtras
  !insertmacro TesmiraVerb xml
  !insertmacro TesmiraVerb vqd
!macroend

!macro TesmiraUninstallExtras
  DeleteRegKey HKCU "Software\Classes\SystemFileAssociations\.xml\shell\TesmiraViewer"
  DeleteRegKey HKCU "Software\Classes\SystemFileAssociations\.vqd\shell\TesmiraViewer"
  !insertmacro TesmiraDeleteWritten
  RMDir /r "$INSTDIR\rendered"
!macroend

!macro TesmiraDeleteWritten
  Delete "$INSTDIR\*.xml.dec"
  Delete "$INSTDIR\*.vqd"
  Delete "$INSTDIR\*.bmp"
  Delete "$INSTDIR\*.jpg"
  Delete "$INSTDIR\*.jpeg"
  Delete "$INSTDIR\*.jpe"
  Delete "$INSTDIR\*.png"
  Delete "$INSTDIR\*.gif"
  Delete "$INSTDIR\*.dib"
  Delete "$INSTDIR\*.tif"
  Delete "$INSTDIR\*.tiff"
  Delete "$INSTDIR\*.ico"
  Delete "$INSTDIR\~Vandrel-*"
  Delete "$INSTDIR\~web-*"
!macroend
