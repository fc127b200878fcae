#!/usr/bin/env bash
# Installs the Debian packages Wayline needs to build, test and fuzz.
# Idempotent and quick when everything is present: apt is only touched
# for packages that are actually missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config libxcb1-dev
  qt6-base-dev qt6-serialport-dev libqt6serialport6 qt6-qpa-plugins
  libgif-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
  fonts-liberation qt6-translations-l10n
  clang libclang-rt-14-dev
  xvfb xauth xdotool openbox x11-utils
  desktop-file-utils dpkg-dev file help2man lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
