#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and UndefinedBehaviorSanitizer)
# into build-asan/ (the tree of the sanitized tests) and runs each in turn for SECONDS (default 60), or for RUNS inputs each when
# VELMORA_FUZZ_RUNS is set.
#
#     scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Each target starts from its seeds in fuzz/corpus/<target>/ and from what earlier runs kept in
# build-asan/corpus/<target>/. An input that crashes a target, trips a sanitizer or a check,
# runs too long or takes too much memory is saved in build-asan/findings/<target>/; the script
# then goes on with the other targets and exits non-zero. The output of each run is kept in
# build-asan/logs/<target>.log.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true

source "$here/scripts/packages.sh"
install_missing_packages "${velmora_packages[@]}" "${velmora_fuzz_packages[@]}"

# The tree of the sanitized tests (scripts/test-sanitizers.sh) holds the fuzz targets too.
source "$here/scripts/sanitized-build.sh"
build=${VELMORA_FUZZ_BUILD_DIR:-$(sanitized_build_dir)}
configure_sanitized_build "$build"
cmake --build "$build" --parallel "$(nproc)" --target fuzzers

targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(fuzz_rtf fuzz_jetsql fuzz_like fuzz_wav fuzz_references fuzz_quransource)
fi

# Options per target. The query target's inputs stay short (a few KB) and its memory bounded,
# so that a run measures the dialect's reader rather than how long a text fits in memory.
options_for() {
    case $1 in
    fuzz_rtf) echo "-max_len=8192 -dict=$here/fuzz/dict/rtf.dict" ;;
    fuzz_jetsql) echo "-max_len=2048 -dict=$here/fuzz/dict/jetsql.dict" ;;
    fuzz_like) echo "-max_len=256" ;;
    fuzz_wav) echo "-max_len=4096" ;;
    fuzz_references) echo "-max_len=1024" ;;
    fuzz_quransource) echo "-max_len=4096" ;;
    *) echo "" ;;
    esac
}

# Any sanitizer finding ends the target with an error; leaks are looked for after each input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen

mkdir -p "$build/logs"
failed=()
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    findings="$build/findings/$t"
    mkdir -p "$corpus" "$findings"
    limit=(-max_total_time="$seconds")
    if [ -n "${VELMORA_FUZZ_RUNS:-}" ]; then limit=(-runs="$VELMORA_FUZZ_RUNS"); fi
    # shellcheck disable=SC2046
    set +e
    "$build/bin/$t" "${limit[@]}" $(options_for "$t") -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$here/fuzz/corpus/$t" \
        >"$build/logs/$t.log" 2>&1
    status=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "fuzz: $t: ${runs:-?} runs, nothing found"
    else
        echo "fuzz: $t: FINDING after ${runs:-?} runs (exit $status); see $build/logs/$t.log and $findings/"
        grep -m 20 -E 'ERROR|runtime error|fuzz check failed|SUMMARY|Test unit written' "$build/logs/$t.log" || true
        failed+=("$t")
    fi
done

if ((${#failed[@]})); then
    echo "fuzz: findings in ${failed[*]}"
    exit 1
fi
