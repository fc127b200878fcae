'{$KEYSTONE KM2D}
'{$HBASIC 2.5}
' Pulses, tones, shifts and X-10 on the KM2D.
Btn     PIN 0
Spk     PIN 9
Dpin    PIN 10
Cpin    PIN 11
Mpin    PIN 12
Zpin    PIN 13
work    VAR Byte
width   VAR Word
bits    VAR Word
val     VAR Byte

BUTTON Btn, 0, 255, 20, work, 1, Pressed
PULSOUT 14, 750
PULSIN 15, 1, width
RCTIME 7, 1, width
COUNT 6, 1000, width
PWM 5, 128, 50
FREQOUT Spk, 500, 2000
FREQOUT Spk, 500, 2000, 2500
DTMFOUT Spk, [1, 2, 3]
DTMFOUT Spk, 100, 50, [9, 0]
SHIFTOUT Dpin, Cpin, MSBFIRST, [val, bits\12]
SHIFTIN Dpin, Cpin, MSBPRE, [val, bits\12]
XOUT Mpin, Zpin, [0\UNITON, 1\UNITOFF\3]
Pressed:
  RANDOM bits
  LOOKUP val, [10, 20, 30], work
  LOOKDOWN val, [10, 20, 30], work
  LOOKDOWN val, >= [100, 50, 0], work
  BRANCH val, [Pressed, Done]
Done:
  END
