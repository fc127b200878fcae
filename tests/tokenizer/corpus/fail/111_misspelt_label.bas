' expect: 111 at 83+4
'{$KEYSTONE KM2D}
'{$HBASIC 2.5}
Main:
  GOSUB Helper
  GOTO Mian
Helper:
  RETURN
