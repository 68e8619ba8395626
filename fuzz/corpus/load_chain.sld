; load an image
_LF image.bin
_LA 8000
_LV date
_LD
_LD
_LP 1
_LC "LX"
