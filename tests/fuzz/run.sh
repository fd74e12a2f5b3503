#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS (default 60) from its committed seed corpus, under a
# headless display. Run from the repository root after building build-fuzz. New corpus entries go
# to a temporary folder; a crash leaves its input in build-fuzz/ and fails the run.
set -e
seconds=${FUZZ_SECONDS:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in font_reader shader_file text_layout id3 audio_file script_api image track_file; do
  mkdir -p "$work/$target"
  cp tests/fuzz/corpus/$target/* "$work/$target/"
  echo "fuzzing $target for $seconds s"
  # From the repository root, so that the script target finds the fonts that its strings name.
  if ! LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" SDL_AUDIODRIVER=dummy \
       xvfb-run -a -s "-screen 0 1280x1024x24" build-fuzz/${target}_fuzz \
       -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=20 -print_final_stats=1 \
       -artifact_prefix=build-fuzz/ "$work/$target" 2> "$work/$target.log"; then
    status=1
    tail -n 60 "$work/$target.log"
  fi
  grep -E '^stat::number_of_executed_units|^Done|ERROR' "$work/$target.log" | sed "s/^/  $target: /"
done
exit $status
