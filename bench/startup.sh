#!/usr/bin/env bash
# Start-up time: from process start to the first update of a script that opens a 640 x 480 window
# (the script quits there, so each figure also holds one frame and the teardown). Median of 10 runs.
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a "$0" "$@"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/res"
cat > "$dir/res/main.lua" <<'LUA'
function initialize() OpenWindow(640, 480, "startup") end
function update() Quit() end
LUA
cd "$dir"
for i in $(seq 10); do
  start=$(date +%s%N)
  "$root/build/demohost" >/dev/null
  echo $(( ($(date +%s%N) - start) / 1000 ))
done | sort -n | awk '{ t[NR] = $1 } END { printf "start-up median of %d runs: %.1f ms (min %.1f, max %.1f)\n", NR, (t[5] + t[6]) / 2000, t[1] / 1000, t[NR] / 1000 }'
