' expect: 168 at 65+2
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
x VAR Byte
IF x = 1 THEN
  x = 2
FOR x = 1 TO 2
NEXT
END
