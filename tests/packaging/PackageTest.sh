#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch
# folder and checks what a classroom computer would get: the file list, the
# named dependencies, the maintainer scripts, the desktop entry, the icons,
# the udev rule and programs that run.
#   PackageTest.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() { # description, command...
    local what=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        sed 's/^/    /' "$work/check.log"
    fi
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "0 passed, 1 failed"
    exit 1
fi
deb=$(ls "$work"/out/wayline_*.deb)

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$' | sort >"$work/files"
cat >"$work/expected" <<'LIST'
/usr/bin/wayline
/usr/bin/wayline-cli
/usr/lib/udev/rules.d/70-wayline.rules
/usr/share/applications/wayline.desktop
/usr/share/icons/hicolor/128x128/apps/wayline.png
/usr/share/icons/hicolor/16x16/apps/wayline.png
/usr/share/icons/hicolor/256x256/apps/wayline.png
/usr/share/icons/hicolor/32x32/apps/wayline.png
/usr/share/icons/hicolor/48x48/apps/wayline.png
/usr/share/icons/hicolor/64x64/apps/wayline.png
LIST
check "the package holds exactly the expected files" diff -u "$work/expected" "$work/files"

# The package names of Depends, without versions or alternatives.
dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//' | sort -u >"$work/depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libstdc++6 libc6 \
    fonts-liberation; do
    check "Depends names $package" grep -qxF "$package" "$work/depends"
done
check "the package is named wayline" test "$(dpkg-deb -f "$deb" Package)" = wayline
check "its version is the program's" grep -q '^project(Wayline VERSION '"$(dpkg-deb -f "$deb" Version)" \
    "$source/CMakeLists.txt"

dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    check "$script is there and executable" test -x "$work/control/$script"
    check "$script is valid shell" sh -n "$work/control/$script"
done
# Where udev does not run, the scripts do nothing and succeed.
check "postinst succeeds without udev" env PATH=/nonexistent /bin/sh "$work/control/postinst" configure

dpkg -x "$deb" "$work/root"
check "the desktop entry is valid" desktop-file-validate "$work/root/usr/share/applications/wayline.desktop"
check "the desktop entry starts wayline with its icon" \
    grep -qx 'Exec=wayline' "$work/root/usr/share/applications/wayline.desktop"
check "the desktop entry names the icon" \
    grep -qx 'Icon=wayline' "$work/root/usr/share/applications/wayline.desktop"
for size in 16 32 48 64 128 256; do
    check "the ${size} pixel icon is a ${size} x ${size} PNG" \
        grep -q "PNG image data, $size x $size" \
        <(file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/wayline.png")
done
check "the udev rule is the source's" \
    cmp "$source/packaging/70-wayline.rules" "$work/root/usr/lib/udev/rules.d/70-wayline.rules"
check "the programs are stripped" grep -q 'stripped' <(file "$work/root/usr/bin/wayline-cli")
check "wayline-cli runs" "$work/root/usr/bin/wayline-cli" --help
mkdir -p "$work/empty"
doctor() {
    local status=0
    "$work/root/usr/bin/wayline-cli" doctor --json --root "$work/empty" >"$work/doctor.json" || status=$?
    test "$status" -eq 1 && grep -q '"kind":"no-serial-port"' "$work/doctor.json"
}
check "wayline-cli doctor reports an empty computer" doctor

echo "$passed passed, $failed failed"
test "$failed" -eq 0
