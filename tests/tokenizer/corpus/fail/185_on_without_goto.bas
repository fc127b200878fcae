' expect: 185 at 69+6
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
x VAR Nib
ON x RETURN
END
