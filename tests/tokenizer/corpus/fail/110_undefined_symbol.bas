' expect: 110 at 82+4
'{$KEYSTONE KM2A}
'{$HBASIC 2.5}
presses VAR Byte
presses = totl + 1
END
