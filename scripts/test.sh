#!/usr/bin/env bash
# Set-up, then every test. Starts what the tests need: a virtual X display and a private
# PulseAudio server with a null output; both are stopped again when the tests end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
"$here/scripts/setup.sh"

source "$here/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT

cd "$build"
ctest --output-on-failure --timeout 300 -j2 "$@"
