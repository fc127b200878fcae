'{$KEYSTONE KM2C}
'{$HBASIC 2.5}
' A state machine with a run-time SELECT on a word, GOSUBs from every
' branch and a DO loop that never ends on its own.
state  VAR Word
tick   VAR Byte

DO
  SELECT state
    CASE 0
      GOSUB Idle
    CASE 1 TO 3
      GOSUB Busy
    CASE <> 9
      GOSUB Idle : GOSUB Busy
    CASE ELSE
      EXIT
  ENDSELECT
  tick = tick + 1
  IF tick // 16 = 0 THEN state = state + 1
LOOP WHILE state < 20
END

Idle:
  PAUSE 5
  RETURN
Busy:
  IF tick > 100 THEN
    tick = 0
  ELSE
    tick = tick + 2
  ENDIF
  RETURN
