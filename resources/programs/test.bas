'{$KEYSTONE KM2}
' =============================================================================
' Wayline test program
'
' Runs while the test window is open. Over and over: receives the two servo
' pulse widths from the host on the programming port, reads the whiskers and
' the infra-red detectors, sends one pulse to each wheel servo and answers
' with the sensor states in one byte. A width of 0 leaves that servo still.
'
' From the host, four bytes: right width low byte, high byte, left width low
' byte, high byte. To the host, one byte:
'   bit 0   left infra-red detector sees an obstacle
'   bit 1   right infra-red detector sees an obstacle
'   bit 2   left whisker pressed
'   bit 3   right whisker pressed
' The programming port returns every byte the host sends, so the host reads
' its own four bytes back before the answer.
'
' Pin wiring (the same as the robot program's):
'   P0   right infra-red detector input (low = obstacle)
'   P2   right infra-red LED output
'   P5   left whisker input (low = pressed)
'   P7   right whisker input (low = pressed)
'   P8   left infra-red LED output
'   P9   left infra-red detector input (low = obstacle)
'   P12  right wheel servo
'   P13  left wheel servo
' =============================================================================

' ----- Pins -----
RIrDetect       VAR     IN0
RIrLed          CON     2
LWhisker        VAR     IN5
RWhisker        VAR     IN7
LIrLed          CON     8
LIrDetect       VAR     IN9
RServo          CON     12
LServo          CON     13

' ----- Infra-red burst -----
IrBurst         CON     1               ' ms
IrFrequency     CON     40000           ' Hz

' ----- Variables -----
RightSpeed      VAR     Word            ' right servo pulse width
LeftSpeed       VAR     Word            ' left servo pulse width
Sensors         VAR     Byte            ' the answer to the host

' The host line is the programming port (pin 16); baud mode 16468 is 9600
' baud, 8 data bits, no parity, inverted.
Main:
  SERIN 16,16468,[RightSpeed.LOWBYTE,RightSpeed.HIGHBYTE,LeftSpeed.LOWBYTE,LeftSpeed.HIGHBYTE]

  ' Inputs are low while a whisker is pressed or a detector sees its
  ' reflected burst, so each reading is inverted into its bit.
  Sensors.BIT3 = ~RWhisker
  Sensors.BIT2 = ~LWhisker
  FREQOUT LIrLed, IrBurst, IrFrequency
  Sensors.BIT0 = ~LIrDetect
  FREQOUT RIrLed, IrBurst, IrFrequency
  Sensors.BIT1 = ~RIrDetect

  PULSOUT LServo, LeftSpeed
  PULSOUT RServo, RightSpeed

  SEROUT 16,16468,[Sensors]
  GOTO Main
