'{$KEYSTONE KM2}
'{$HBASIC 2.5}
' =============================================================================
' Wayline robot program
'
' Plays the action lists that Wayline writes into this program as DATA
' statements: the main action list step by step, and, in advanced mode, the
' sensor reaction sets attached to its steps. Each step ramps the wheel
' servos to the speeds of its command, holds them for the step's duration
' and then fetches the next step; whiskers and infra-red detectors interrupt
' a step with an automatic reaction (beginner sensors) or with one of the
' user's sensor sets (advanced sensors).
'
' Pin wiring:
'   P0   right infra-red detector input (low = obstacle)
'   P2   right infra-red LED output
'   P5   left whisker input (low = pressed)
'   P7   right whisker input (low = pressed)
'   P8   left infra-red LED output
'   P9   left infra-red detector input (low = obstacle)
'   P12  right wheel servo
'   P13  left wheel servo
' =============================================================================
'
' EEPROM layout (written by the DATA statements Wayline generates):
'   0       sensor mode: 0 = sensors off, 1 = beginner sensors,
'           2 = advanced sensors (the user's sensor sets)
'   1       always 0
'   2       left servo centre calibration
'   3       right servo centre calibration
'   4-5     address of sensor set All (word, low byte first)
'   6-7     address of Set1
'   8-9     address of Set2
'   10-11   address of Set3
'   12-13   address of Set4
'   14 ..   main action list (ActionList), then the sets All, Set1 to Set4,
'           each directly behind the one before
'
' Every list is a row of two-byte entries, a command letter and a value
' byte, closed by the single byte "Q".
'
' Command letters:
'   "F"  move forward           value: duration in tenths of a second
'   "B"  move backward          value: duration
'   "R"  turn (veer) right      value: duration
'   "L"  turn (veer) left       value: duration
'   "I"  rotate right           value: duration
'   "E"  rotate left            value: duration
'   "S"  stop and wait          value: wait in tenths of a second
'   "G"  loop back (main list)  value: entries to go back, "C" entries counted
'   "C"  sensor configuration   value: column in bits 4-5 (0 = all columns
'        (main list only)       off, 1 = right, 2 = left, 3 = both), sensor
'                               set in bits 0-2 (0 = All, 1-4 = Set1-Set4,
'                               5 = no reaction)
'   "Q"  end of list            no value byte
'   "H"  halt at once and wait  value: wait units (never generated)
'   "P"  wait, queued by "S"    value: wait units (never generated)
' =============================================================================

' Remove the apostrophe to trace every label on the debug terminal.
' #DEFINE Verbose

' ----- Pins -----
RIrDetect       PIN     0
RIrLed          PIN     2
LWhisker        PIN     5
RWhisker        PIN     7
LIrLed          PIN     8
LIrDetect       PIN     9
RServo          PIN     12
LServo          PIN     13

' ----- Configuration addresses -----
ModeAddr        CON     0               ' sensor mode byte
LservoCal       CON     2               ' left servo calibration byte
RservoCal       CON     3               ' right servo calibration byte
SetAddrTable    CON     4               ' five set addresses, one word each

' ----- Timing -----
StartWait       CON     3500            ' ms for the robot's power to settle
DurMFactor      CON     5               ' drive cycles per tenth of a second
RampStep        CON     4               ' speed units per ramping cycle
RampPause       CON     6               ' ms of a ramping cycle
SpeedPause      CON     8               ' ms of a cycle at speed
' Cycles without the sensor check (about 5 ms: two bursts and the reads)
' wait instead, so that every cycle takes the same 20 ms and five of them
' make a tenth of a second whether the sensors are checked or not.
SensePause      CON     5               ' ms instead of the sensor check
IrBurst         CON     1               ' ms of an infra-red burst
IrFrequency     CON     37500           ' Hz of the infra-red burst

' ----- Speeds: 0 to 200, 100 is standstill -----
PulseBase       CON     550             ' pulse = base + calibration + speed
Standstill      CON     100

' Entries of the speed tables (SetSpeeds), in the order of the letters
' "F" "B" "R" "L" "I" "E".
IdxBackward     CON     1
IdxRight        CON     2
IdxLeft         CON     3

' ----- Beginner reactions, in tenths of a second -----
BackTime        CON     2               ' backing away from the obstacle
RotateTime      CON     3               ' rotating away after backing
UTurnTime       CON     28              ' rotating round after backing
VeerTime        CON     7               ' veering away from a detection

' ----- Lists -----
EntrySize       CON     2               ' letter and value byte
NoReaction      CON     5               ' sensor set number: no reaction

' ----- Variables (all start at zero) -----
Dur             VAR     Word            ' drive cycles left of the command
QueDur          VAR     Word            ' cycles of the queued command
ActPtr          VAR     Word            ' offset of the main-list entry
AdvPtr          VAR     Word            ' address of the next set entry
Cmd             VAR     Byte            ' current command letter
QueCmd          VAR     Byte            ' queued command letter, 0 = none
Value           VAR     Byte            ' value byte of the entry
Lcal            VAR     Byte            ' left servo calibration
Rcal            VAR     Byte            ' right servo calibration
Ract            VAR     Byte            ' right wheel: actual speed
Lact            VAR     Byte            ' left wheel: actual speed
Rdes            VAR     Byte            ' right wheel: desired speed
Ldes            VAR     Byte            ' left wheel: desired speed
Tmp             VAR     Byte            ' table index, column, set number
Wt              VAR     Byte            ' wait units left
SensMode        VAR     Nib             ' 0 off, 1 beginner, 2 advanced
SensModeB       VAR     Nib             ' set of the both column
SensModeL       VAR     Nib             ' set of the left column
SensModeR       VAR     Nib             ' set of the right column
Senses          VAR     Nib             ' bit 0 right whisker, 1 left whisker,
                                        ' 2 right obstacle, 3 left obstacle
ProcReg         VAR     Bit             ' beginner reaction in progress
ProcAdv         VAR     Bit             ' sensor set playing

' ----- Main Action List -----
ActionList  DATA  "Q"

' =============================================================================
' Start-up
' =============================================================================
Init:
#IF Verbose #THEN
  DEBUG "Init", CR
#ENDIF
  PAUSE StartWait
  READ ModeAddr, SensMode
  READ LservoCal, Lcal
  READ RservoCal, Rcal
  ActPtr = -EntrySize                   ' one entry before the first
  Ract = Standstill
  Lact = Standstill

' =============================================================================
' Command fetch: a playing sensor set first, then the queue, then the main
' list.
' =============================================================================
GetCmd:
#IF Verbose #THEN
  DEBUG "GetCmd", CR
#ENDIF
  IF ProcAdv = 1 THEN GetAdvCmd
  IF QueCmd <> 0 THEN
    Cmd = QueCmd
    Dur = QueDur
    QueCmd = 0
    GOTO Dispatch
  ENDIF
  ProcReg = 0
  ActPtr = ActPtr + EntrySize
  READ ActionList + ActPtr, Cmd, Value
  IF Cmd = "Q" THEN Finish
  Dur = Value * DurMFactor

Dispatch:
#IF Verbose #THEN
  DEBUG "Dispatch ", Cmd, " ", DEC Value, CR
#ENDIF
  Tmp = 255                             ' stays when the letter is unknown
  LOOKDOWN Cmd, ["FBRLIECSHGQP"], Tmp
  BRANCH Tmp, [DoMove, DoMove, DoMove, DoMove, DoMove, DoMove,
               DoConfig, DoStop, DoHalt, DoGoBack, Finish, DoPause]
  GOTO GetCmd                           ' skip an unknown letter

DoMove:
#IF Verbose #THEN
  DEBUG "DoMove", CR
#ENDIF
  GOSUB SetSpeeds
  GOTO RampCode

DoConfig:
#IF Verbose #THEN
  DEBUG "DoConfig", CR
#ENDIF
  Tmp = Value >> 4 & 3                  ' column selector
  SELECT Tmp
    CASE 0
      SensModeB = NoReaction
      SensModeL = NoReaction
      SensModeR = NoReaction
    CASE 1
      SensModeR = Value & 7
    CASE 2
      SensModeL = Value & 7
    CASE 3
      SensModeB = Value & 7
  ENDSELECT
  GOTO GetCmd

DoStop:
#IF Verbose #THEN
  DEBUG "DoStop", CR
#ENDIF
  ' Ramp down to a standstill first, then wait.
  Rdes = Standstill
  Ldes = Standstill
  QueCmd = "P"
  QueDur = Dur
  Dur = 0
  GOTO RampCode

DoPause:
#IF Verbose #THEN
  DEBUG "DoPause", CR
#ENDIF
  Wt = Dur / DurMFactor
  GOSUB Delay
  GOTO GetCmd

DoHalt:
#IF Verbose #THEN
  DEBUG "DoHalt", CR
#ENDIF
  Ract = Standstill
  Lact = Standstill
  Wt = Value
  GOSUB Delay
  GOTO GetCmd

DoGoBack:
#IF Verbose #THEN
  DEBUG "DoGoBack", CR
#ENDIF
  ' The next fetch adds one entry, so step back one more.
  ActPtr = ActPtr - (Value * EntrySize) - EntrySize
  GOTO GetCmd

Finish:
#IF Verbose #THEN
  DEBUG "Finish", CR
#ENDIF
  STOP

' =============================================================================
' Sensor set playing: entries are read from the set's own address.
' =============================================================================
GetAdvCmd:
#IF Verbose #THEN
  DEBUG "GetAdvCmd", CR
#ENDIF
  READ AdvPtr, Cmd, Value
  AdvPtr = AdvPtr + EntrySize
  Dur = Value * DurMFactor
  Tmp = 255
  LOOKDOWN Cmd, ["FBRLIESQ"], Tmp
  BRANCH Tmp, [DoMove, DoMove, DoMove, DoMove, AdvRotRight, AdvRotLeft,
               AdvStop, AdvEnd]
  GOTO GetCmd                           ' skip a letter sets do not use

AdvRotRight:
#IF Verbose #THEN
  DEBUG "AdvRotRight", CR
#ENDIF
  Ract = 120
  Lact = Standstill
  GOTO DoMove

AdvRotLeft:
#IF Verbose #THEN
  DEBUG "AdvRotLeft", CR
#ENDIF
  Ract = Standstill
  Lact = 80
  GOTO DoMove

AdvStop:
#IF Verbose #THEN
  DEBUG "AdvStop", CR
#ENDIF
  Ract = Standstill
  Lact = Standstill
  Wt = Value
  GOSUB Delay
  GOTO GetCmd

AdvEnd:
#IF Verbose #THEN
  DEBUG "AdvEnd", CR
#ENDIF
  ' The interrupted command waits in the queue and resumes from there.
  Dur = 0
  ProcAdv = 0
  GOTO GetCmd

' =============================================================================
' Drive cycle: ramp toward the desired speeds, then hold them for the
' command's cycles; one servo pulse per wheel in every cycle.
' =============================================================================
RampCode:
#IF Verbose #THEN
  DEBUG "RampCode", CR
#ENDIF
  IF Ract = Rdes AND Lact = Ldes THEN AtSpeed
  PAUSE RampPause
  IF Ract < Rdes THEN Ract = Ract + (Rdes - Ract MAX RampStep)
  IF Ract > Rdes THEN Ract = Ract - (Ract - Rdes MAX RampStep)
  IF Lact < Ldes THEN Lact = Lact + (Ldes - Lact MAX RampStep)
  IF Lact > Ldes THEN Lact = Lact - (Lact - Ldes MAX RampStep)
  GOTO Drive

AtSpeed:
#IF Verbose #THEN
  DEBUG "AtSpeed", CR
#ENDIF
  ' Cycles spent ramping do not count toward the duration.
  IF Dur = 0 THEN GetCmd
  PAUSE SpeedPause
  Dur = Dur - 1

Drive:
#IF Verbose #THEN
  DEBUG "Drive", CR
#ENDIF
  PULSOUT LServo, PulseBase + Lcal + Lact
  PULSOUT RServo, PulseBase + Rcal + Ract
  ' Modes 1 and 2 check the sensors, mode 0 does not, nor does a cycle of a
  ' beginner reaction or of a playing set: the index is then 0 or wraps
  ' round past the list, and both lead to NoSenses. One BRANCH costs every
  ' mode the same.
  BRANCH SensMode * (1 - ProcReg - ProcAdv), [NoSenses, RegSenses, AdvSenses]

NoSenses:
#IF Verbose #THEN
  DEBUG "NoSenses", CR
#ENDIF
  ' A cycle without the sensor check waits as long as the check takes.
  PAUSE SensePause
  GOTO RampCode

' =============================================================================
' Beginner sensors: an automatic reaction to what the sensors report.
' =============================================================================
RegSenses:
#IF Verbose #THEN
  DEBUG "RegSenses", CR
#ENDIF
  GOSUB GetSenses
  IF Senses = 0 THEN RampCode
  IF QueCmd = 0 THEN
    QueCmd = Cmd
    QueDur = Dur
  ENDIF
  ProcReg = 1
  ' Reaction by sensor value: 0 U-turn, 1 back and rotate left, 2 back and
  ' rotate right, 3 veer left, 4 veer right.
  LOOKUP Senses, [0, 1, 2, 0, 3, 1, 0, 0, 4, 0, 2, 0, 0, 0, 0, 0], Tmp
  BRANCH Tmp, [UTurn, BackLeft, BackRight, VeerLeft, VeerRight]

UTurn:
#IF Verbose #THEN
  DEBUG "UTurn", CR
#ENDIF
  ' Back up, then rotate right; the interrupted command is dropped.
  QueCmd = "I"
  QueDur = UTurnTime * DurMFactor
  GOTO BackUp

BackLeft:
#IF Verbose #THEN
  DEBUG "BackLeft", CR
#ENDIF
  QueCmd = "E"
  GOTO BackAndRotate

BackRight:
#IF Verbose #THEN
  DEBUG "BackRight", CR
#ENDIF
  QueCmd = "I"

BackAndRotate:
#IF Verbose #THEN
  DEBUG "BackAndRotate", CR
#ENDIF
  QueDur = RotateTime * DurMFactor
  Ract = Standstill
  Lact = Standstill

BackUp:
#IF Verbose #THEN
  DEBUG "BackUp", CR
#ENDIF
  Dur = BackTime * DurMFactor
  Tmp = IdxBackward
  GOSUB SetSpeeds
  GOTO RampCode

VeerLeft:
#IF Verbose #THEN
  DEBUG "VeerLeft", CR
#ENDIF
  ' The interrupted command resumes afterwards with its cycles left.
  Tmp = IdxLeft
  GOTO Veer

VeerRight:
#IF Verbose #THEN
  DEBUG "VeerRight", CR
#ENDIF
  Tmp = IdxRight

Veer:
#IF Verbose #THEN
  DEBUG "Veer", CR
#ENDIF
  Dur = VeerTime * DurMFactor
  GOSUB SetSpeeds
  GOTO RampCode

' =============================================================================
' Advanced sensors: play the sensor set of the column that fired.
' =============================================================================
AdvSenses:
#IF Verbose #THEN
  DEBUG "AdvSenses", CR
#ENDIF
  GOSUB GetSenses
  IF Senses = 0 THEN RampCode
  IF Senses & 3 = 3 OR Senses & 12 = 12 THEN
    Tmp = SensModeB
  ELSEIF Senses & 5 <> 0 THEN
    Tmp = SensModeR
  ELSE
    Tmp = SensModeL
  ENDIF
  ' No reaction: the command goes on and the queue keeps what it holds.
  IF Tmp >= NoReaction THEN RampCode
  IF QueCmd = 0 THEN
    QueCmd = Cmd
    QueDur = Dur
  ENDIF
  ProcAdv = 1
  READ Tmp * 2 + SetAddrTable, WORD AdvPtr
  GOTO GetCmd

' =============================================================================
' Subroutines
' =============================================================================

' Reads whiskers and infra-red detectors into Senses.
GetSenses:
#IF Verbose #THEN
  DEBUG "GetSenses", CR
#ENDIF
  Senses = 0
  IF RWhisker = 0 THEN Senses = Senses | 1
  IF LWhisker = 0 THEN Senses = Senses | 2
  FREQOUT RIrLed, IrBurst, IrFrequency
  IF RIrDetect = 0 THEN Senses = Senses | 4
  FREQOUT LIrLed, IrBurst, IrFrequency
  IF LIrDetect = 0 THEN Senses = Senses | 8
  RETURN

' Desired speeds of the command at table entry Tmp ("F" "B" "R" "L" "I" "E").
' Rotating left uses 85 and 84, not a symmetric pair.
SetSpeeds:
#IF Verbose #THEN
  DEBUG "SetSpeeds", CR
#ENDIF
  LOOKUP Tmp, [0, 200, 90, 0, 120, 85], Rdes
  LOOKUP Tmp, [200, 0, 200, 110, 120, 84], Ldes
  RETURN

' Waits Wt units without sending servo pulses.
Delay:
#IF Verbose #THEN
  DEBUG "Delay", CR
#ENDIF
  DO WHILE Wt > 0
    NAP 1
    Wt = Wt - 1
  LOOP
  RETURN
