' expect: 117 at 71+5
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
Again:
  PAUSE 1
Again:
  GOTO Again
