#!/usr/bin/env bash
# Installs what is missing, builds the project and makes the default data.
# Safe to run again: packages already present are skipped, the build is incremental and the
# data step returns at once when the data folder is up to date.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6svg6 libqt6sql6-sqlite libgl-dev
    qt6-qpa-plugins libqt6multimedia6 qt6-gtk-platformtheme qt6-translations-l10n
    libsqlite3-dev mdbtools mdbtools-dev libglib2.0-dev
    nodejs npm ca-certificates
    fonts-liberation2 fonts-dejavu-core
    xvfb xauth x11-utils imagemagick
    pulseaudio pulseaudio-utils
    desktop-file-utils appstream clang-format
    dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
# npm may come from elsewhere than Debian's package; a working npm is all we need.
if command -v npm >/dev/null 2>&1; then
    filtered=()
    for p in "${missing[@]}"; do [[ $p == npm || $p == nodejs ]] || filtered+=("$p"); done
    missing=("${filtered[@]}")
fi
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --parallel "$(nproc)"

"$build/bin/velmora-data" make-default "$build/data"
