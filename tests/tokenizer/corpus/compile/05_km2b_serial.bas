'{$KEYSTONE KM2B}
'{$HBASIC 2.5}
' Serial lines of the KM2B: flow pins, time-outs, parity branches.
TxPin   PIN 3
RxPin   PIN 4
Flow    PIN 5
Baud    CON 84
char    VAR Byte
number     VAR Word
buf     VAR Byte(4)

SEROUT TxPin, Baud, ["Hi", DEC number, CR]
SEROUT TxPin\Flow, Baud, 100, NoReply, [char]
SEROUT TxPin, Baud, 5, [HEX4 number]
SERIN RxPin, Baud, [char]
SERIN RxPin\Flow, Baud, 2000, NoReply, [DEC number]
SERIN RxPin, Baud, BadParity, [WAIT("OK"), STR buf\4]
SERIN RxPin, Baud, BadParity, 500, NoReply, [SKIP 2, char]
DEBUG "got ", DEC char, CR
DEBUGIN DEC number
END
NoReply:
  DEBUG "no reply", CR
  END
BadParity:
  END
