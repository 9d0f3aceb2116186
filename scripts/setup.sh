#!/usr/bin/env bash
# Installs what is missing, builds the project and makes the default data.
# Safe to run again: packages already present are skipped, the build is incremental and the
# data step returns at once when the data folder is up to date.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}

source "$here/scripts/packages.sh"
install_missing_packages "${velmora_packages[@]}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --parallel "$(nproc)"

"$build/bin/velmora-data" make-default "$build/data"
