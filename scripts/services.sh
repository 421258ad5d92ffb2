# shellcheck shell=bash
# Sourced by the test command and the benchmark report: a private X server and a PulseAudio
# daemon with a null sink as speaker and a pipe source fed a 660 Hz tone as microphone.
#
#   start_services DIR   starts them with their files in DIR (mode 700); exports DISPLAY,
#                        XDG_RUNTIME_DIR and ECHORA_FAKEMIC_HZ
#   stop_services        stops what start_services started, by PID

service_pids=()

start_services() {
  local work=$1
  # X server on a free display.
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  local xvfb_pid=$!
  service_pids=("$xvfb_pid")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  # Sound server with a speaker and a microphone.
  export XDG_RUNTIME_DIR="$work/xdg"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  cat >"$work/services.pa" <<PA
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=spk
load-module module-pipe-source source_name=fakemic file=$work/fakemic.fifo format=s16le rate=44100 channels=2
set-default-sink spk
set-default-source fakemic
PA
  HOME="$work" pulseaudio -n -F "$work/services.pa" --daemonize=no --exit-idle-time=-1 \
    --log-target=stderr 2>"$work/pulse.log" &
  local pulse_pid=$!
  service_pids=("$pulse_pid" "$xvfb_pid")
  # The pipe source makes its FIFO itself; the feeder starts once it is there.
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && [ -p "$work/fakemic.fifo" ] && break; sleep 0.1; done
  ffmpeg -nostdin -loglevel error -re -f lavfi -i sine=frequency=660:sample_rate=44100 \
    -ac 2 -f s16le -y "$work/fakemic.fifo" 2>"$work/feeder.log" &
  local feeder_pid=$!
  # Stopping order: PulseAudio first, as the feeder blocks on the pipe until it is gone.
  service_pids=("$pulse_pid" "$feeder_pid" "$xvfb_pid")
  export ECHORA_FAKEMIC_HZ=660
}

stop_services() {
  for pid in "${service_pids[@]}"; do
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  service_pids=()
}
