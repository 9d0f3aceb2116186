#!/usr/bin/env bash
# Set-up, then start the program on the default data.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
"$here/scripts/setup.sh"
cd "$build/data"
exec "$build/bin/velmora" "$@"
