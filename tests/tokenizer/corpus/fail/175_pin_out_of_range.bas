' expect: 175 at 62+2
'{$KEYSTONE KM2}
'{$HBASIC 2.5}
Bad PIN 16
HIGH Bad
