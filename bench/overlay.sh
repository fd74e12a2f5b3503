#!/usr/bin/env bash
# What the profiling overlay adds to a frame: an 800 x 600 window with an empty update, frame time
# with the overlay on minus with it off, over ROUNDS (default 5) alternating runs of 3 s each.
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
rounds=${1:-5}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/res"
cp -r "$root/res/font" "$dir/res/"

# Microseconds a frame over 3 s after a second of warm-up, with the overlay on when $1 is true.
frame_us() {
  cat > "$dir/res/main.lua" <<LUA
local frames, first
function initialize() OpenWindow(800, 600, "overlay") ShowProfiling($1) end
function update(time)
  if time < 1 then return end
  if not first then first, frames = time, 0 return end
  frames = frames + 1
  if time - first >= 3 then print(string.format("%.1f", (time - first) * 1e6 / frames)) Quit() end
end
LUA
  (cd "$dir" && SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$root/build/demohost")
}

off=() on=()
for ((i = 0; i < rounds; i++)); do
  off+=("$(frame_us false)")
  on+=("$(frame_us true)")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v off="$(median "${off[@]}")" -v on="$(median "${on[@]}")" 'BEGIN {
  printf "frame without the overlay: %.1f us\nframe with it: %.1f us\nthe overlay: %.1f us\n",
         off, on, on - off }'
