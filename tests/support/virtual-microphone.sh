# Sourced by with-services and with-sway: starts a private PulseAudio whose
# default sink is a null sink ("virtmic_sink") and whose default source is that
# sink's monitor, so audio played with paplay is what a recorder hears.
#
#   start_virtual_microphone DIR LOG [RUN_AS...]
#
# DIR becomes the daemon's runtime folder and holds its anonymous-auth socket
# DIR/native; its configuration is written beside DIR as default.pa (tests that
# restart the daemon read it there); RUN_AS is an optional command prefix that starts the daemon as
# another user (DIR must then belong to that user). Appends the daemon's pid to
# the caller's pids array and exports PULSE_SERVER and SAYLINE_TEST_PULSE_DIR.
# Returns non-zero, with the daemon's log on stderr, when it does not answer.
start_virtual_microphone() {
  local dir=$1 log=$2; shift 2
  local config; config="$(dirname "$dir")/default.pa"
  cat > "$config" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=virtmic_sink rate=44100 channels=2 sink_properties=device.description=VirtualMicrophone
set-default-sink virtmic_sink
set-default-source virtmic_sink.monitor
PA
  chmod 644 "$config"
  "$@" env XDG_RUNTIME_DIR="$dir" HOME="$dir" \
    pulseaudio --system=false --exit-idle-time=-1 -n -F "$config" \
      --daemonize=no --use-pid-file=no --log-target=file:"$log" &
  pids+=($!)
  export PULSE_SERVER="unix:$dir/native" SAYLINE_TEST_PULSE_DIR="$dir"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && return 0; sleep 0.05; done
  echo "PulseAudio did not start" >&2; cat "$log" >&2
  return 1
}
