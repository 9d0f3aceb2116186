#!/usr/bin/env bash
# Builds the program, its tests and the fuzz targets with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (clang), makes the default data there and runs every test. Any finding of either
# sanitizer (a leak included) ends the program that met it with an error, so its test fails.
# tests/sanitizers/ubsan.supp and lsan.supp list the findings that must be suppressed (outside
# the project's code), each with its reason.
# A test that fails gets a second try (see below), but any sanitizer report fails the run.
# Takes the same arguments as ctest. Uses the display and sound server of the caller when it
# has them (scripts/test.sh), and otherwise starts its own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
main_build=${VELMORA_BUILD_DIR:-$here/build}

source "$here/scripts/packages.sh"
install_missing_packages "${velmora_packages[@]}" "${velmora_fuzz_packages[@]}"

# The same tree builds the fuzz targets (scripts/fuzz.sh), so that the program's code is
# compiled with the sanitizers once.
source "$here/scripts/sanitized-build.sh"
build=$(sanitized_build_dir)
configure_sanitized_build "$build"
cmake --build "$build" --parallel "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1:suppressions=$here/tests/sanitizers/ubsan.supp}

# The default data, made by the sanitized tool from the package copy that set-up keeps (or
# fetched anew when there is none).
package=$(ls "$main_build"/data/.source/*.tgz 2>/dev/null | head -n 1 || true)
"$build/bin/velmora-data" make-default "$build/data" ${package:+--package "$package"}

source "$here/scripts/test-services.sh"
start_test_services
trap stop_test_services EXIT

# The sanitized programs run several times slower, so a test's timing check may miss now and
# then: a failed test gets a second try. A sanitizer report fails the run all the same, whether
# or not the second try passed.
cd "$build"
log="$build/Testing/sanitizer-tests.log"
status=0
ctest --output-on-failure --timeout 600 -j2 --repeat until-pass:2 --output-log "$log" "$@" || status=$?
if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$log"; then
    echo "test-sanitizers: a sanitizer report in the output above (also in $log)"
    exit 1
fi
exit "$status"
