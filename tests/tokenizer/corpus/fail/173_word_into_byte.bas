' expect: 173 at 79+1
'{$KEYSTONE KM2C}
'{$HBASIC 2.5}
b VAR Byte
READ 4, WORD b
END
