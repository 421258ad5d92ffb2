#!/usr/bin/env bash
# The checks CI runs after the test command: the whole suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests (media, recording, waveforms, practice) built
# with ThreadSanitizer, and each fuzz target for a while on its seed corpus. Installs what is
# missing, starts its own X server and sound server as scripts/test.sh does and stops them.
#   bash scripts/robustness.sh [fuzz seconds per target, default 60]
# Build folders: build-asan, build-tsan, build-fuzz. Fails when any part fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${1:-60}
jobs=${JOBS:-2}
supp="$root/tests/sanitizers"
bash "$root/scripts/deps.sh" clang libclang-rt-14-dev || exit 1

# shellcheck source=services.sh
source "$root/scripts/services.sh"
work=$(mktemp -d /tmp/echora-checks.XXXXXX)
chmod 700 "$work"
trap 'stop_services; rm -rf "$work"' EXIT
start_services "$work"

failed=()
step() {
  local name=$1
  shift
  local start=$SECONDS
  echo "== $name"
  if "$@"; then
    echo "== $name: passed ($((SECONDS - start)) s)"
  else
    echo "== $name: FAILED ($((SECONDS - start)) s)"
    failed+=("$name")
  fi
}

build_with() {
  local dir=$1 sanitizers=$2 type=$3
  cmake -S "$root" -B "$root/$dir" -DECHORA_WERROR=ON -DECHORA_TESTS=ON \
    -DECHORA_SANITIZE="$sanitizers" -DCMAKE_BUILD_TYPE="$type" >/dev/null &&
    cmake --build "$root/$dir" -j"$jobs" >"$work/$dir.log" 2>&1 ||
    { tail -40 "$work/$dir.log"; return 1; }
}

asan() {
  build_with build-asan address,undefined Debug || return 1
  cd "$root/build-asan" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    ctest --output-on-failure -j2 --timeout 900 -E '^format$'
}

# The threaded tests. Debian's Qt is not built with the thread sanitizer: see tsan.supp for
# what that leaves invisible and how it is kept out of the reports.
tsan() {
  build_with build-tsan thread RelWithDebInfo || return 1
  cd "$root/build-tsan" &&
    TSAN_OPTIONS="halt_on_error=0:exitcode=66:die_after_fork=0:ignore_noninstrumented_modules=1:suppressions=$supp/tsan.supp" \
    ctest --output-on-failure -j2 --timeout 900 -L 'media|record|plot|practice'
}

fuzz() {
  BUILD_DIR="$root/build-fuzz" JOBS=$jobs bash "$root/fuzz/run.sh" "$fuzz_seconds"
}

step "AddressSanitizer and UndefinedBehaviorSanitizer, whole suite" asan
step "ThreadSanitizer, media, recording, waveform and practice tests" tsan
step "fuzzing, ${fuzz_seconds} s per target" fuzz

if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All checks passed."
