_DQ "Go?^Mnow"
_DO _SC "yes"
_DC _FI
_DY 2
_WP
_LT 0
_PC "$"
_ST "x"
