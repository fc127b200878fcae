'{$KEYSTONE KM2D}
'{$HBASIC 2.5}
' Output and input item forms on the programming port.
v      VAR Word
c      VAR Byte
s      VAR Byte(6)

DEBUG CLS, "v=", DEC v, " ", SDEC v, " ", HEX4 v, " ", IHEX v, " ", BIN8 c, CR
DEBUG ISBIN v, " ", DEC3 c, " ", STR s\3, " ", REP "*"\5, CR
DEBUG ASC ? c, DEC ? v, CRSRXY, 1, 2, HOME
DEBUGIN DEC c
DEBUGIN HEX v, STR s\6
DEBUGIN WAIT("go"), SKIP 1, c
END
