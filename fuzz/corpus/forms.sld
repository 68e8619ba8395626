   _SC "a^M"
abc_SR "b"
;_SC "c"
_CE "" _CN "x" _AL "9" _SC "deep"