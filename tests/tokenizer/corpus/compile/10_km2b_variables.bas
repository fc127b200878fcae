'{$KEYSTONE KM2B}
'{$HBASIC 2.5}
' Variable arrays, aliases and modifiers in expressions.
w       VAR Word
lo      VAR w.LOWBYTE
hi      VAR w.HIGHBYTE
flags   VAR Byte
f0      VAR flags.BIT0
nibs    VAR Nib(6)
bytes   VAR Byte(5)
n       VAR Nib

w = $1234
lo = hi ^ %10101010
f0 = 1
FOR n = 0 TO 5
  nibs(n) = n * 2 & $F
  bytes(n // 5) = nibs(n) + flags
NEXT
w = w */ 300 + w ** 2 - (w MAX 100) MIN 3
w = ABS w + SQR 64 + DCD 3 + NCD 8 + ~w + -w
flags = w.BIT3 | f0
GET 0, flags
END
