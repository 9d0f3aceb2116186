# Sourced by the scripts: one build tree, build-asan/, serves both the tests run with
# AddressSanitizer and UndefinedBehaviorSanitizer and the libFuzzer targets. It is built with
# clang (libFuzzer needs it), optimised lightly and with line tables only: the sanitizers' reports
# keep file and line, and the build takes far less time than a full debug build.

sanitized_build_dir() {
    echo "${VELMORA_ASAN_BUILD_DIR:-$here/build-asan}"
}

configure_sanitized_build() {
    local dir=$1
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_CXX_COMPILER=clang++-14 -DVELMORA_FUZZ=ON \
            "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG"
    fi
}
