'{$KEYSTONE KM2C}
'{$HBASIC 2.5}
' Conditional compilation picks code by module and by own symbols.
#DEFINE Level = 2
#DEFINE Verbose
x  VAR Byte

#IF $KEYSTONE = KM2C #THEN
Speed CON 240
#ELSE
Speed CON 84
#ENDIF

#IF Level > 1 AND Verbose #THEN
  DEBUG "level ", DEC 2, CR
#ENDIF

#SELECT Level
  #CASE 1
    x = 1
  #CASE 2, 3
    x = 2
  #CASE #ELSE
    x = 9
#ENDSELECT

#IF Level = 7 #THEN
  This line would never compile
#ENDIF
x = x + Speed
END
