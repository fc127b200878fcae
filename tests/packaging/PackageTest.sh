#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch
# folder and checks what a classroom computer would get: the file list, the
# named dependencies, the maintainer scripts, the desktop entry, the icons,
# the udev rule, the manual pages, the copyright and changelog and programs
# that run; where lintian is installed, it must find nothing to warn about.
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
/usr/share/doc/wayline/changelog.Debian.gz
/usr/share/doc/wayline/copyright
/usr/share/icons/hicolor/128x128/apps/wayline.png
/usr/share/icons/hicolor/16x16/apps/wayline.png
/usr/share/icons/hicolor/256x256/apps/wayline.png
/usr/share/icons/hicolor/32x32/apps/wayline.png
/usr/share/icons/hicolor/48x48/apps/wayline.png
/usr/share/icons/hicolor/64x64/apps/wayline.png
/usr/share/lintian/overrides/wayline
/usr/share/man/man1/wayline-cli.1.gz
/usr/share/man/man1/wayline.1.gz
/usr/share/wayline/lessons/corridor.json
/usr/share/wayline/lessons/corridor.solution.wyl
/usr/share/wayline/lessons/field.json
/usr/share/wayline/lessons/field.solution.wyl
/usr/share/wayline/lessons/line.json
/usr/share/wayline/lessons/line.solution.wyl
/usr/share/wayline/lessons/maze.json
/usr/share/wayline/lessons/maze.solution.wyl
/usr/share/wayline/lessons/park.json
/usr/share/wayline/lessons/park.solution.wyl
/usr/share/wayline/lessons/square.json
/usr/share/wayline/lessons/square.solution.wyl
LIST
check "the package holds exactly the expected files" diff -u "$work/expected" "$work/files"

# The package names of Depends, without versions or alternatives.
dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//' | sort -u >"$work/depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libstdc++6 libc6 \
    fonts-liberation; do
    check "Depends names $package" grep -qxF "$package" "$work/depends"
done
check "the package is named wayline" test "$(dpkg-deb -f "$deb" Package)" = wayline
version=$(dpkg-deb -f "$deb" Version)
check "its version is the program's, with a Debian revision" grep -q \
    '^project(Wayline VERSION '"${version%-*}"'[ )]' "$source/CMakeLists.txt"
check "its section and priority are set" test \
    "$(dpkg-deb -f "$deb" Section) $(dpkg-deb -f "$deb" Priority)" = "education optional"
# Every line of the long description starts with the one space Debian wants
# (no ";" from a CMake list), a blank line being " .".
dpkg-deb -f "$deb" Description | tail -n +2 >"$work/description"
check "the long description has no stray ';'" test -z "$(grep '^ *;' "$work/description")"
check "every line of the long description is indented once" \
    test -z "$(grep -v '^ [^ ]' "$work/description")"

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
check "wayline-cli tells the package's version" \
    test "$("$work/root/usr/bin/wayline-cli" --version)" = "wayline-cli ${version%-*}"

doc=$work/root/usr/share/doc/wayline
check "the copyright file is machine-readable" \
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright"
check "the copyright file gives the Apache licence" grep -qx 'License: Apache-2.0' "$doc/copyright"
check "the copyright file points at the licence's text" \
    grep -q '/usr/share/common-licenses/Apache-2.0' "$doc/copyright"
check "the source tree has the licence's whole text" \
    grep -q 'END OF TERMS AND CONDITIONS' "$source/LICENSE"
zcat "$doc/changelog.Debian.gz" >"$work/changelog"
check "the changelog's last entry is the package's version" \
    test "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version"
man=$work/root/usr/share/man/man1
for page in wayline wayline-cli; do
    check "the manual page of $page is named after it" \
        grep -q "^$page \\\\- " <(zcat "$man/$page.1.gz")
done
for command in tokenize generate ports download doctor simulate; do
    check "the manual page of wayline-cli tells the options of $command" \
        grep -qxF ".SS \"wayline-cli $command:\"" <(zcat "$man/wayline-cli.1.gz")
done
mkdir -p "$work/empty"
doctor() {
    local status=0
    "$work/root/usr/bin/wayline-cli" doctor --json --root "$work/empty" >"$work/doctor.json" || status=$?
    test "$status" -eq 1 && grep -q '"kind":"no-serial-port"' "$work/doctor.json"
}
check "wayline-cli doctor reports an empty computer" doctor

# lintian's own checks: no error and no warning (notes are allowed).
if command -v lintian >/dev/null 2>&1; then
    lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
    check "lintian finds nothing wrong" test -z "$(grep -E '^[EW]: ' "$work/lintian")"
    [ "$failed" -eq 0 ] || cat "$work/lintian"
fi

echo "$passed passed, $failed failed"
test "$failed" -eq 0
