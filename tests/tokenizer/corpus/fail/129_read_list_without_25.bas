' expect: 129 at 85+1
'{$KEYSTONE KM2}
'{$HBASIC 2.0}
a VAR Byte
b VAR Byte
READ 0, a, b
END
