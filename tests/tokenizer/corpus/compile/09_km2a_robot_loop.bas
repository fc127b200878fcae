'{$KEYSTONE KM2A}
'{$HBASIC 2.5}
' A wheel driver: ramp two servos, labels reached forward and backward.
LServo  PIN 13
RServo  PIN 12
Centre  CON 750
speed   VAR Word
step1   VAR Byte
loops   VAR Byte

Main:
  GOSUB Ramp
  loops = loops + 1
  IF loops < 5 THEN GOTO Main
  GOSUB Halt
  END

Ramp:
  FOR step1 = 0 TO 20
    speed = Centre + step1 * 5
    PULSOUT LServo, speed
    PULSOUT RServo, Centre * 2 - speed
    PAUSE 20
  NEXT
  RETURN

Halt:
  LOW LServo : LOW RServo
  RETURN
