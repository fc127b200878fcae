'{$KEYSTONE KM2}
'{$HBASIC 2.5}
' Blink a LED and presses presses: pins, constants, variables and simple
' instructions on the plain module.
Led      PIN 1
Key      PIN 2
Limit    CON 10
presses    VAR Byte
idx      VAR Nib
flag     VAR Bit
total    VAR Word

Main:
  OUTPUT Led
  INPUT Key
  HIGH Led
  PAUSE 100
  LOW Led
  TOGGLE Led
  REVERSE Key
  presses = presses + 1
  total = total + presses * 2
  flag = presses // 2
  IF presses > Limit THEN Done
  GOTO Main
Done:
  NAP 3
  SLEEP 1
  END
