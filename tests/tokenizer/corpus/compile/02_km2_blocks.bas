'{$KEYSTONE KM2}
'{$HBASIC 2.5}
' Every run-time block nested inside the others.
i     VAR Byte
j     VAR Byte
k     VAR Word
mode  VAR Nib

FOR i = 1 TO 10 STEP 2
  DO WHILE j < 5
    j = j + 1
    IF j = 3 THEN
      SELECT i
        CASE 1, 3
          k = k + 1
        CASE 4 TO 6
          k = k + 2
        CASE > 8
          DO
            k = k - 1
            IF k < 2 THEN EXIT
          LOOP UNTIL k = 0
        CASE ELSE
          mode = 1
      ENDSELECT
    ELSEIF j = 4 THEN
      FOR k = 100 TO 1 STEP -10
        IF k = 50 THEN EXIT
      NEXT
    ELSE
      mode = 2
    ENDIF
  LOOP
  IF i = 9 THEN mode = 3 ELSE mode = 4
NEXT
END
