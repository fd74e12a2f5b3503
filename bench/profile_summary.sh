#!/usr/bin/env bash
# demohost-profile on a real log of about 30 MB: build/demohost runs a script under the script
# profiler (a few functions called 20,000 times a frame) until the log passes LOG_MB (default 30),
# then demohost-profile sums it up ROUNDS times (default 5); every round beside the median, and
# the log's size. Run from the repository root after building; wraps itself in xvfb-run.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a "$0" "$@"
rounds=${ROUNDS:-5}
bytes=$(( ${LOG_MB:-30} * 1000000 ))
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/res"
cat > "$dir/res/main.lua" <<LUA
local function leaf(i) return i * 2 end
local function middle(i) return leaf(i) + leaf(i + 1) end
local function deep(n) if n > 0 then return deep(n - 1) end return 0 end
function initialize() OpenWindow(64, 48, "profile") profiler.start("run.log") end
function update()
  for i = 1, 5000 do middle(i) end
  deep(50)
  local log = io.open("run.log")
  local size = log:seek("end")
  log:close()
  if size >= $bytes then profiler.stop() Quit() end
end
LUA
(cd "$dir" && SDL_AUDIODRIVER=dummy "$root/build/demohost" >/dev/null)
size=$(stat -c %s "$dir/run.log")
times=""
for round in $(seq "$rounds"); do
  start=$(date +%s%N)
  "$root/build/demohost-profile" "$dir/run.log" --top 5 >"$dir/summary.txt"
  times+="$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.0f", (b - a) / 1e6 }') "
done
grep -q "calls of" "$dir/summary.txt" || { echo "profile_summary.sh: no summary:"; cat "$dir/summary.txt"; exit 1; }
cat "$dir/summary.txt"
median=$(printf '%s\n' $times | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
printf 'demohost-profile on a log of %.1f MB: median %s ms; rounds: %s\n' \
  "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$median" "$times"
