_TC "^M"
_QC "VER"
_AG "2" _SC "ok"
_IL "5" _DM "old"
_CS "2.0" _FI
