' expect: 125 at 69+1
'{$KEYSTONE KM2D}
'{$HBASIC 2.5}
list VAR Byte(0)
END
