'{$KEYSTONE KM2C}
'{$HBASIC 2.5}
' The bus instructions and polling of the KM2C.
Sda    PIN 8
Lcd    PIN 1
OneW   PIN 2
dat    VAR Byte
temp   VAR Word
arr    VAR Byte(3)

I2COUT Sda, $A0, 0, [dat]
I2COUT Sda, $A0, 0\1, [dat, arr(1)]
I2CIN Sda, $A1, [dat]
I2CIN Sda, $A1, 0, [dat]
LCDCMD Lcd, 1
LCDOUT Lcd, 128, ["Temp", DEC temp]
LCDIN Lcd, 128, [dat]
OWOUT OneW, 1, [$CC, $44]
OWIN OneW, 0, [temp.LOWBYTE, temp.HIGHBYTE]
POLLIN 3, 0
POLLOUT 4, 1
POLLMODE 2
POLLRUN 1
POLLWAIT 4
AUXIO
IOTERM 0
MAINIO
STORE 0
END
