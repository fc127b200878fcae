' expect: 165 at 109+5
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
x VAR Byte
y VAR Byte
DO WHILE x < 3
  x = x + 1
LOOP UNTIL y = 2
END
