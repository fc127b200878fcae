' expect: 115 at 94+1
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
First  DATA @4, 1, 2, 3
Second DATA @6, 9
END
