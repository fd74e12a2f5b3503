#!/usr/bin/env bash
# Music sync timing on a PulseAudio null sink, which plays in real time like a sound card: music
# started at once and played for $1 seconds (default 600), then music started 20 s after the
# device opened. Prints each run's lateness from the sound heard (a recording of the sink's
# output), on the device's own clock and on the wall clock from the call.
set -e
cd "$(dirname "$0")/.."
. scripts/setup >/dev/null
tests/pulse.sh start build/pulse
trap 'tests/pulse.sh stop build/pulse' EXIT
run() {
  build/timing_tests --gtest_brief=1 --gtest_filter="$1" | grep -E "syncs over|heard:|clock:|Failure" || true
}
DEMOHOST_SYNC_SECONDS="${1:-600}" run 'SyncTiming.MusicStartedAtOnce*'
DEMOHOST_MUSIC_DELAY=20 run 'SyncTiming.MusicStartedLater*'
