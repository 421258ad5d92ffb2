#!/usr/bin/env bash
# Builds the benchmarks in Release, makes their inputs, runs them under a private X server and
# sound server (a null sink as speaker, a 660 Hz tone as microphone) and
# prints one table: measurement, its reference measured in the same run, the ratio, the target.
# The table is also written to <build dir>/bench-report.md.
#
#   bash bench/report.sh [build dir]        default build dir: build-bench in the repository
#   ECHORA_BENCH_ONLY="startup material" bash bench/report.sh     only these benchmarks
#                                           (startup, plot, media, record, material,
#                                           sentencefile, frames, export, online, pitch,
#                                           speed, heard)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
jobs=$(nproc)

echo "== building Release in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DECHORA_WERROR=ON >/dev/null || exit 1
cmake --build "$build" -j"$jobs" --target bench_startup bench_plot bench_media bench_record \
  bench_material bench_sentencefile bench_frames bench_export bench_online \
  bench_pitch bench_speed bench_heard >/dev/null || exit 1

work=$(mktemp -d -t echora-bench.XXXXXX)
chmod 700 "$work"
# shellcheck source=../scripts/services.sh
source "$root/scripts/services.sh"
trap 'stop_services; rm -rf "$work"' EXIT

# Inputs, kept in the build folder between runs: 10 and 60 minutes of speech as 128 kb/s stereo
# MP3, and a sentence file with 1,000 sentences for the 60-minute one.
inputs="$build/bench-inputs"
mkdir -p "$inputs"
ten="$inputs/speech10.mp3"
sixty="$inputs/speech60.mp3"
lrc="$inputs/speech60.lrc"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
if [ ! -s "$ten" ]; then
  echo "== making 10 minutes of speech"
  speech="$root/../shared/testdata/speech/sonnet001.mp3"
  if [ -s "$speech" ]; then
    ff -stream_loop -1 -i "$speech" -t 600 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k "$ten" || exit 1
  elif command -v espeak-ng >/dev/null; then
    text="Shall I compare thee to a summer's day? Thou art more lovely and more temperate."
    espeak-ng -w "$work/voice.wav" "$text $text $text" || exit 1
    ff -stream_loop -1 -i "$work/voice.wav" -t 600 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k \
      "$ten" || exit 1
  else
    ff -f lavfi -i "anoisesrc=d=600:c=pink:r=44100:a=0.3" \
      -af "volume=volume='0.2+0.8*abs(sin(3*t))':eval=frame" -ac 2 -c:a libmp3lame -b:a 128k \
      "$ten" || exit 1
  fi
fi
if [ ! -s "$sixty" ]; then
  echo "== making 60 minutes of speech"
  ff -stream_loop 5 -i "$ten" -c copy "$sixty" || exit 1
fi
if [ ! -s "$lrc" ]; then
  awk 'BEGIN {
    for (i = 0; i < 1000; i++) {
      t = i * 3.6
      printf "[%02d:%05.2f]Sentence %d of the long material, a line of practice text.\n", int(t / 60), t - 60 * int(t / 60), i + 1
    }
  }' >"$lrc"
fi

start_services "$work"

# A runtime folder as the trainer starts in, with the long material in its workspace.
cp -r "$root/data/runtime" "$work/runtime"
ln -s "$sixty" "$work/runtime/workspace/speech60.mp3"
ln -s "$lrc" "$work/runtime/workspace/speech60.lrc"

rows="$work/rows"
: >"$rows"
failed=()
run() {
  local name=$1
  shift
  if [ -n "${ECHORA_BENCH_ONLY:-}" ] && [[ " $ECHORA_BENCH_ONLY " != *" $name "* ]]; then
    return
  fi
  echo "== $name"
  local start=$SECONDS
  "$@" 2>&1 | tee "$work/$name.log" | grep -v -e $'^ROW\t' -e '^ALSA lib' -e '[Jj]ack' -e 'Cannot connect to server'
  local status=${PIPESTATUS[0]}
  grep $'^ROW\t' "$work/$name.log" >>"$rows"
  echo "   ($((SECONDS - start)) s, exit $status)"
  [ "$status" -eq 0 ] || failed+=("$name")
}
b="$build/bench"
run startup "$b/startup/bench_startup" 15 "$work/runtime"
run plot "$b/plot/bench_plot" "$ten" 5 "$sixty"
run media "$b/media/bench_media" "$ten" 5
run record "$b/record/bench_record" 12 6 5
run frames "$b/frames/bench_frames" 5 120
run material bash -c "cd '$work/runtime' && '$b/material/bench_material' \
  ./workspace/speech60.mp3 ./workspace/fox_and_grapes.mp3 5"
run sentencefile "$b/text/bench_sentencefile" 9
run export "$b/export/bench_export" "$ten" 5
# A web server on 127.0.0.1 (the tests' own script); curl -o is the download's reference.
run online "$b/online/bench_online" "$root/tests/library/test_http_server.py" 5
# Intonation score of a 5 s sentence and a 6 s recording spoken by espeak-ng.
run pitch "$b/pitch/bench_pitch" 9
run speed "$b/speed/bench_speed" "$ten" 5
# Playback as heard: the null sink's monitor recorded while the engine plays into the sink.
run heard "$b/heard/bench_heard"

report="$build/bench-report.md"
{
  echo "Run $(date -u '+%Y-%m-%d %H:%M UTC'); machine: $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')), $(free -g | awk '/^Mem:/ {print $2}') GB memory; medians of at least 5 runs; inputs: 10 and 60 minutes of 128 kb/s stereo MP3 speech, 1,000-sentence LRC."
  echo
  echo "| measurement | value | reference (same run) | ratio | target | |"
  echo "|---|---|---|---|---|---|"
  awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }' "$rows"
  if [ ${#failed[@]} -gt 0 ]; then
    echo
    echo "Failed: ${failed[*]}"
  fi
} >"$report"
echo
cat "$report"
[ ${#failed[@]} -eq 0 ]
