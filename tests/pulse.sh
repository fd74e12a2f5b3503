#!/usr/bin/env bash
# Starts or stops the PulseAudio server of the timing tests: `pulse.sh start|stop DIR`, with DIR
# as its runtime folder (XDG_RUNTIME_DIR). The null sink plays in real time like a sound card.
# While nothing plays, the null sink renders two seconds ahead on its timer, and a stream that
# connects then waits up to two seconds for its first block; a silent stream at 10 ms latency
# keeps it running as a sound card in use would be.
set -e
command="$1"
export XDG_RUNTIME_DIR="$(realpath -m "$2")"
pidfile="$XDG_RUNTIME_DIR/pulse/pid"

# Ends the process whose pid file is $1, if it runs.
end_process() {
  if [ -f "$1" ]; then kill "$(cat "$1")" 2>/dev/null || true; fi
}

stop() {
  end_process "$XDG_RUNTIME_DIR/keeper.pid"
  rm -f "$XDG_RUNTIME_DIR/keeper.pid"
  end_process "$pidfile"
  for _ in $(seq 50); do [ -f "$pidfile" ] || return 0; sleep 0.1; done
}

case "$command" in
start)
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  stop
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --log-target=stderr \
    --load=module-native-protocol-unix --load="module-null-sink" </dev/null >/dev/null 2>&1
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pacat --raw --latency-msec=10 /dev/zero </dev/null >/dev/null 2>&1 &
  echo $! > "$XDG_RUNTIME_DIR/keeper.pid"
  # The silent stream itself waits for the idle timer; ready once the sink's latency is short.
  for _ in $(seq 50); do
    latency=$(pactl list sinks | sed -n 's/^\s*Latency: \([0-9]*\) usec.*/\1/p')
    [ -n "$latency" ] && [ "$latency" -lt 100000 ] && break
    sleep 0.1
  done
  pactl info >/dev/null
  ;;
stop)
  stop
  ;;
esac
