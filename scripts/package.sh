#!/usr/bin/env bash
# Set-up, then the Debian package velmora_<version>_<arch>.deb from the install rules, written
# into the current directory (or the folder given as argument). Install it with
#     sudo apt install ./velmora_*.deb
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
out=$(mkdir -p "${1:-.}" && cd "${1:-.}" && pwd)
"$here/scripts/setup.sh"

# CPack stages the install in a folder of its own, removed again afterwards.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
for deb in "$work"/*.deb; do
    mv -f "$deb" "$out/"
    echo "$out/$(basename "$deb")"
done
