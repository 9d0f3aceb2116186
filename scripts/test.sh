#!/usr/bin/env bash
# Set-up, then every test; then every test again built with AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/test-sanitizers.sh, in build-asan/), and each fuzz target
# of that tree for a short run (scripts/fuzz.sh; VELMORA_FUZZ_SECONDS, default 10). Starts
# what the tests need: a virtual X display and a private PulseAudio server with a null output;
# both are stopped again when the tests end. Arguments go to ctest in both test runs.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
"$here/scripts/setup.sh"

source "$here/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT

(cd "$build" && ctest --output-on-failure --timeout 300 -j2 "$@")

echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
"$here/scripts/test-sanitizers.sh" "$@"

echo "== Fuzz targets"
"$here/scripts/fuzz.sh" "${VELMORA_FUZZ_SECONDS:-10}"
