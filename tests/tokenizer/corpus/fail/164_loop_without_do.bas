' expect: 164 at 72+4
'{$KEYSTONE KM2B}
'{$HBASIC 2.5}
x VAR Byte
x = 1
LOOP UNTIL x = 1
END
