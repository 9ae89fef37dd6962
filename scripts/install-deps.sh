#!/usr/bin/env bash
# Installs what building, testing and running the program needs on Debian 12.
# Quick when everything is present: dpkg is asked first, apt-get only for what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev
  libintelrdfpmath-dev
  libxlsxwriter-dev libminizip-dev zlib1g-dev python3 python3-openpyxl poppler-utils
  libzip-dev libfreexl-dev libgsf-1-dev
  fonts-wqy-microhei
  xvfb xauth xdotool valgrind python3-pandas
  dpkg-dev file libxdamage-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
