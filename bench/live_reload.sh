#!/usr/bin/env bash
# demohost-live's turnaround: from saving res/main.lua of the bundled demo to the end of the new
# state's first update (its first frame drawn but for the swap). SAVES saves (default 20), a
# second apart; every save's figure and their median. Run from the repository root after
# building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
saves=${SAVES:-20}
dir=$(mktemp -d)
trap 'kill $live 2>/dev/null; rm -rf "$dir"' EXIT
cp -r "$root/res" "$dir/"
cp "$dir/res/main.lua" "$dir/demo.lua"

# The demo with a line that says when generation $1's first update has finished.
write_generation() {
  { cat "$dir/demo.lua"; cat <<LUA
local demo_update, first = update, true
function update(time, dt)
  demo_update(time, dt)
  if first then first = false print("drawn $1") end
end
LUA
  } > "$dir/res/main.lua.new"
  mv "$dir/res/main.lua.new" "$dir/res/main.lua"
}

write_generation 0
cd "$dir"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$root/build/demohost-live" > "$dir/out" 2>&1 &
live=$!
for i in $(seq 200); do grep -q "^drawn 0" "$dir/out" && break; sleep 0.05; done
grep -q "^drawn 0" "$dir/out" || { echo "live_reload.sh: demohost-live drew no first frame" >&2; cat "$dir/out" >&2; exit 1; }

figures=()
for generation in $(seq "$saves"); do
  sleep 1
  start=$(date +%s%N)
  write_generation "$generation"
  until grep -q "^drawn $generation\$" "$dir/out"; do
    if [ $(( $(date +%s%N) - start )) -gt 5000000000 ]; then
      echo "live_reload.sh: save $generation was not drawn within 5 s" >&2
      exit 1
    fi
  done
  figures+=("$(( ($(date +%s%N) - start) / 1000 ))")
done
printf '%s\n' "${figures[@]}" | sort -n | awk -v all="${figures[*]}" '{ t[NR] = $1 } END {
  m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
  printf "save to first frame, median of %d saves: %.1f ms\nevery save (us): %s\n", NR, m / 1000, all }'
