'{$KEYSTONE KM2}
'{$HBASIC 2.5}
' A table in DATA read back byte by byte and word by word, with
' subroutines called directly and through ON.
Table   DATA 10, 20, 30, 40
Words   DATA @10, WORD 1000, WORD 2000
Gap     DATA @20, (4)
Text    DATA "Hello", 0
value   VAR Byte
addr    VAR Byte
big     VAR Word
pick    VAR Nib

Start:
  FOR addr = Table TO Table + 3
    READ addr, value
    GOSUB Show
  NEXT
  READ Words, WORD big
  WRITE Gap, WORD big, value
  READ Gap, value, pick
  pick = value // 3
  ON pick GOSUB One, Two, Three
  ON pick GOTO Start, Finish
Finish:
  END

Show:
  DEBUG DEC value, CR
  RETURN
One:
  RETURN
Two:
  RETURN
Three:
  RETURN
