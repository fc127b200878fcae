' expect: 126 at 237+4
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
wd1 VAR Word
wd2 VAR Word
wd3 VAR Word
wd4 VAR Word
wd5 VAR Word
wd6 VAR Word
wd7 VAR Word
wd8 VAR Word
wd9 VAR Word
wd10 VAR Word
wd11 VAR Word
wd12 VAR Word
wd13 VAR Word
wd14 VAR Word
wd1 = wd14
END
