#!/usr/bin/env bash
# Capture speed of the bundled demo at 800 x 600 and 1280 x 720, 60 frames a second, to H.264:
# frames per second, multiple of real time, and where a frame's time goes, beside the demo's own
# frame time in demohost at the same window size, in alternating rounds (the machine's pace
# drifts), then the medians. Usage: bench/capture.sh [SECONDS] [ROUNDS] (defaults 20 and 3).
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
seconds=${1:-20}
rounds=${2:-3}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# The demo's own frame time in a window of $1 x $2: frames 60 to 660 of demohost.
demo_alone() {
  rm -rf "$dir/alone" && mkdir "$dir/alone" && cp -r "$root/res" "$dir/alone/res"
  sed -i "s/OpenWindow(800, 600,/OpenWindow($1, $2,/" "$dir/alone/res/main.lua"
  mv "$dir/alone/res/main.lua" "$dir/alone/res/demo.lua"
  cat > "$dir/alone/res/main.lua" <<'LUA'
dofile("res/demo.lua")
local demo_update, frames, first = update, 0, nil
function update(time, dt)
  demo_update(time, dt)
  frames = frames + 1
  if frames == 60 then first = time end
  if frames == 660 then print(string.format("%.2f", (time - first) * 1000 / 600)) Quit() end
end
LUA
  (cd "$dir/alone" && "$root/build/demohost" | tail -1)
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-9s %12s %10s %10s %12s %10s %10s %10s %10s\n' size "demo ms" "capture" "x real" \
  "capture ms" drawing "read-back" waiting encoding
for size in 800x600 1280x720; do
  alones=() captures=()
  for ((round = 0; round < rounds; round++)); do
    alone=$(demo_alone "${size%x*}" "${size#*x}")
    summary=$(cd "$root" && "$root/build/demohost-capture" --size "$size" --seconds "$seconds" \
      "$dir/out.mp4" 2>&1 | tail -1)
    # "... F frames a second, X x real time; a frame: D ms drawing, R ms reading back,
    #  W ms waiting for the encoder; encoding: E ms of processor time ..."
    read -r fps real drawing reading waiting encoding < <(echo "$summary" | sed -E \
      's/.*: ([0-9.]+) frames a second, ([0-9.]+) x real time; a frame: ([0-9.]+) ms drawing, ([0-9.]+) ms reading back, ([0-9.]+) ms waiting for the encoder; encoding: ([0-9.]+) ms.*/\1 \2 \3 \4 \5 \6/')
    frame_ms=$(awk -v f="$fps" 'BEGIN { printf "%.2f", 1000 / f }')
    printf '%-9s %12s %10s %10s %12s %10s %10s %10s %10s\n' "$size" "$alone" "$fps fps" \
      "${real}x" "$frame_ms" "$drawing" "$reading" "$waiting" "$encoding"
    alones+=("$alone") captures+=("$frame_ms")
  done
  awk -v a="$(median "${alones[@]}")" -v c="$(median "${captures[@]}")" -v s="$size" 'BEGIN {
    printf "%s medians: the demo %.2f ms a frame, captured %.2f ms (%.1f frames a second, %.2f x real time): +%.0f %%\n",
           s, a, c, 1000 / c, 1000 / c / 60, (c / a - 1) * 100 }'
done
echo "ms are per frame; the read-back includes finishing the frame's drawing (software renderer);"
echo "encoding is the processor time of the encoder's own thread, which runs beside drawing"
