#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy of its seed
# corpus; fails when a target finds a crash or the build fails.
#   bash fuzz/run.sh [seconds per target, default 60]
# BUILD_DIR (default: build-fuzz in the repository) holds the build, the grown corpora
# (corpus-<target>) and any crashing inputs (artifacts/).
set -euo pipefail

seconds=${1:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build-fuzz}
targets=(fuzz_sentencefile fuzz_trainsfile)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DECHORA_WERROR=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}"

mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    corpus=$build/corpus-$name
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "$here/corpus/$name/"* "$corpus/"
    echo "== $target: ${seconds} s on $(ls "$corpus" | wc -l) seeds"
    if ! QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$here/lsan.supp" "$build/$target" "$corpus" \
        -dict="$here/$name.dict" -max_total_time="$seconds" -timeout=20 \
        -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1; then
        echo "== $target FAILED; the input is in $build/artifacts/"
        status=1
    fi
done
exit $status
