; Zarvex demo script, run unattended by the automatic mode of LoaderDefault.ini.
; Bring the unit into its loader mode: a CR probe, then LOADR if it is not there yet.
_TC "^M"
; Ask the unit for its version; the reply is kept for the compare below.
_QC "VER"
; Pause 1 s after the upload instead of the default 4 s.
_LP 1
; Describe the image: its file, its load address (which also sums it), its version.
_LF run/demo_image.bin
_LA 8000
_LV demo-1.0
; Load it only when the unit reports version 2.x or later.
_AG "2" _LD
_FI
