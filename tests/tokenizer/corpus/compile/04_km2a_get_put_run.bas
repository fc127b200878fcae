'{$KEYSTONE KM2A}
'{$HBASIC 2.5}
' Scratch memory and program slots of the KM2A.
slot   VAR Byte
word1  VAR Word
b      VAR Byte

PUT 0, slot, WORD word1
GET 0, b, WORD word1
GET 3, slot
PUT 5, 17
IF slot = 0 THEN
  RUN 1
ENDIF
STOP
